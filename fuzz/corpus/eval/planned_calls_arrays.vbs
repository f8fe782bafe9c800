c = Array(1, -3, 0.5, 2, -1, 0.25)
s = 0
For i = UBound(c) To 0 Step -1
  s = s*x + c(i)
Next
MyFunction = s + G(x) * Pick(c, x)
UserFN = MyFunction
End Function
Function G(t)
  If t > 1 Then t = t / 2
  G = t*t - 2
End Function
Function Pick(a, t)
  Pick = a(1) * t + a(LBound(a))
End Function
Function Unused()
