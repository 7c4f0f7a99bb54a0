' Subs and Functions, ByRef and ByVal, Exit, recursion, GetRef, Eval, Execute.
Function Add(a, b)
    Add = a + b
End Function
AssertEqual Add(2, 3), 5, "Function result by assignment to its name"

Sub Bump(x)
    x = x + 1
End Sub
Sub BumpVal(ByVal x)
    x = x + 1
End Sub
Dim v : v = 1
Bump v
AssertEqual v, 2, "ByRef is the default"
BumpVal v
AssertEqual v, 2, "ByVal leaves the caller's variable"
Bump (v)
AssertEqual v, 2, "parentheses pass a copy"
Call Bump(v)
AssertEqual v, 3, "Call passes by reference"
Dim arr(2)
arr(1) = 10
Bump arr(1)
AssertEqual arr(1), 11, "an array element by reference"
Native.Value = 5
Bump Native.Value
AssertEqual Native.Value, 5, "a property is passed as a copy"
Dim w : w = 4
Native.Twice w
AssertEqual w, 8, "a native ByRef parameter writes back"

Function Fact(n)
    If n <= 1 Then
        Fact = 1
        Exit Function
    End If
    Fact = n * Fact(n - 1)
End Function
AssertEqual Fact(10), 3628800&, "recursion and Exit Function"

Dim log : log = ""
Sub Early(flag)
    log = log & "a"
    If flag Then Exit Sub
    log = log & "b"
End Sub
Early True : Early False
AssertEqual log, "aab", "Exit Sub"

Function Accumulate()
    Accumulate = 1
    Accumulate = Accumulate + 1
End Function
AssertEqual Accumulate(), 2, "the function's name reads its result inside it"

Sub SetLocal()
    Dim g
    g = "local"
End Sub
Dim g : g = "global"
SetLocal
AssertEqual g, "global", "Dim in a procedure makes a local"
Sub SetGlobal()
    g = "changed"
End Sub
SetGlobal
AssertEqual g, "changed", "an undeclared name in a procedure reaches the global"
Sub MakeImplicit()
    implicitOnly = 5
    AssertEqual implicitOnly, 5, "implicit local"
End Sub
MakeImplicit
AssertTrue IsEmpty(implicitOnly), "an implicit local stays local"

Dim f : Set f = GetRef("Add")
AssertEqual f(4, 5), 9, "GetRef"
AssertEqual Eval("Add(1, 1) * 10"), 20, "Eval"
Execute "Dim made : made = 3"
AssertEqual made, 3, "Execute"
ExecuteGlobal "Function Triple(x) : Triple = 3 * x : End Function"
AssertEqual Triple(3), 9, "ExecuteGlobal defines a function"
Function UsesLocal()
    Dim k : k = 6
    UsesLocal = Eval("k * 7")
End Function
AssertEqual UsesLocal(), 42, "Eval sees the procedure's locals"

Function Later()
    Later = Defined()
End Function
Function Defined()
    Defined = "found"
End Function
AssertEqual Later(), "found", "procedures may call later ones"
Const Greeting = "hi", Times = 3
AssertEqual Greeting & Times, "hi3", "Const"
Function Swap(a, b)
    Dim t : t = a : a = b : b = t
End Function
Dim p, q : p = 1 : q = 2
Swap p, q
AssertEqual p & q, "21", "two ByRef parameters"
Dim calls : calls = 0
Function Counted()
    calls = calls + 1
    Counted = calls
End Function
Dim z : z = Counted + Counted
AssertEqual z, 3, "a function without parentheses is called"
