ExecuteGlobal "Function Sq(v) : Sq = v * v : End Function"
Execute "y = Sq(x) - 2"
MyFunction = Eval("y + 1") - 1
