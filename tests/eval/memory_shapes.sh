#!/bin/sh
# Functions that would hold gigabytes, run by zorvan-cli with its address
# space limited to 2 GiB: each ends in "Error 7 : Out of memory", no crash.
cli=$1
ulimit -v 2097152 || exit 1
status=0
check() {
  out=$("$cli" eval --function "$1" 1 2>&1)
  if [ "$out" != "Error 7 : Out of memory" ]; then
    echo "for: $1"
    echo "got: $out"
    status=1
  fi
}
check 'ReDim a(100): For i = 0 To 100: a(i) = Space(60000000) & i: Next : MyFunction = 1'
check "$(printf 'MyFunction = R(1000)\r\nUserFN = MyFunction\r\nEnd Function\r\nFunction R(n)\r\n  Dim s : s = Space(60000000) & n\r\n  If n > 0 Then R = R(n - 1) + Len(s) Else R = 0\r\nEnd Function\r\nFunction Unused()')"
check 's = Space(60000000) : ReDim a(199) : For i = 0 To 199 : a(i) = s : Next : b = Filter(a, " ") : MyFunction = UBound(b)'
check 'Execute String(16000000, ":") & "MyFunction = 1"'
check 'MyFunction = Eval(String(16000000, "(") & "1" & String(16000000, ")"))'
exit $status
