MyFunction = x*x - x*Cos(x) -6
