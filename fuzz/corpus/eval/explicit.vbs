Option Explicit
MyFunction = y