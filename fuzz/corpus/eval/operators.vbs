Const k = -2.5 : MyFunction = k * x Imp Not x Eqv 1 Xor 2 Or True And False
While False : Wend
