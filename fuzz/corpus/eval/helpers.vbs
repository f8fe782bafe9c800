UserFN = F(x)
End Function
Function F(ByVal n)
 Select Case n
 Case 0, 1: F = 1
 Case Else: F = n * F(n - 1)
 End Select
End Function
Function T()
