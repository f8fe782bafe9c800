Do While n < 10 : n = n + 1 : If n = 5 Then Exit Do
Loop : MyFunction = "n=" & n & CStr(x) & Hex(&HFF) & (7 \ 2) & (7 Mod 3) & (2 ^ -1)
