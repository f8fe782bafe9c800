n = n + 1 : MyFunction = x * k + n
End Function
Dim n, k
k = 3
Function Z()