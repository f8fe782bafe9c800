If x < 0 Then
  MyFunction = -x*x + 1
Else
  MyFunction = Sqr(x) - 1
End If
