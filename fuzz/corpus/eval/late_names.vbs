ExecuteGlobal "Dim gg : gg = 5"
Execute "zz = gg + x"
ExecuteGlobal "Sub Twice(a) : a = a * 2 : End Sub"
y = x
Twice y
MyFunction = Eval("zz") + y + gg
