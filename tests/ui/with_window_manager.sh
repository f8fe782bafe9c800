#!/bin/sh
# Runs a command on the X display with openbox managing its windows, as a
# desktop would: title bars, frames, and the close button.
openbox --sm-disable > /dev/null 2>&1 &
wm=$!
i=0
while [ $i -lt 100 ] && ! xprop -root _NET_SUPPORTING_WM_CHECK 2> /dev/null | grep -q 'window id'; do
  sleep 0.05
  i=$((i + 1))
done
"$@"
status=$?
kill $wm 2> /dev/null
wait $wm 2> /dev/null
exit $status
