s = 0
For i = 1 To 20
  s = s + Sin(i*x)/i
Next
MyFunction = s
