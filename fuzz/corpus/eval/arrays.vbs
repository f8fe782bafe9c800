Dim m(2, 3)
ReDim a(3)
a(1) = x * 2
ReDim Preserve a(5)
m(1, 2) = a(1)
For Each v In Array(1, "2", Null)
  s = s & v
Next
b = Split("1,2,3", ",")
MyFunction = m(1, 2) + UBound(b) + Len(Join(Filter(b, "2"), "-")) + LBound(a)
