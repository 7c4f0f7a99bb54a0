' Execute and Eval run in the scope they are called from: a procedure's undeclared names, a
' method's fields and members; what an Execute inside a procedure declares or defines stays there.
' ExecuteGlobal runs in the module.

Function UndeclaredSeen()
    q7 = 5
    Execute "q7 = q7 + 1"
    UndeclaredSeen = q7
End Function
AssertEqual UndeclaredSeen(), 6, "Execute sees and changes an undeclared local"
AssertTrue IsEmpty(q7), "Execute inside a procedure made no global"

Function EvalSeesUndeclared()
    q8 = 41
    EvalSeesUndeclared = Eval("q8 + 1")
End Function
AssertEqual EvalSeesUndeclared(), 42, "Eval sees an undeclared local"
AssertTrue IsEmpty(q8), "no global from Eval"

Function OwnBeforeGlobal()
    q9 = 5
    ExecuteGlobal "q9 = 1"
    OwnBeforeGlobal = q9
End Function
AssertEqual OwnBeforeGlobal(), 5, "a global made during the call leaves the local as it was"
AssertEqual q9, 1, "ExecuteGlobal made the global"

Dim shared9 : shared9 = "global"
Sub ReachesGlobal()
    shared9 = "changed"
    Execute "shared9 = shared9 & ""!"""
End Sub
ReachesGlobal
AssertEqual shared9, "changed!", "an undeclared name that is a global stays the global, in Execute too"

Sub DeclaresLocal()
    Execute "Dim z9 : z9 = 5"
    AssertEqual Eval("z9"), 5, "a Dim in Execute: the procedure's variable"
    Execute "z9 = z9 * 2"
    AssertEqual Eval("z9"), 10, "a later Execute finds it"
    Execute "newName = 7"
    AssertEqual Eval("newName + 1"), 8, "an undeclared name new to the procedure"
    Execute "Const k9 = 3"
    AssertEqual Eval("k9"), 3, "a Const in Execute"
    AssertEqual z9, 10, "the procedure's own code sees the declared name"
End Sub
DeclaresLocal
AssertTrue IsEmpty(z9), "a Dim in Execute inside a Sub declares no global"
AssertTrue IsEmpty(newName), "nor does an assignment"
AssertTrue IsEmpty(k9), "nor a Const"

Dim X : X = "Global"
Dim seenInside, seenByProc
Sub Proc1()
    Dim X
    X = "Local"
    Execute "Sub Proc2 : seenByProc = X : End Sub"
    seenInside = Eval("X")
    Proc2
End Sub
Proc1
AssertEqual seenInside, "Local", "Eval sees the declared local"
AssertEqual seenByProc, "Global", "a procedure made by Execute sees the globals, not the caller's locals"
On Error Resume Next
Proc2
AssertEqual Err.Number, 13, "a procedure made by Execute inside a Sub is not callable from the top level"
Err.Clear
On Error GoTo 0
Execute "Sub Proc3 : seenByProc = ""three"" : End Sub"
Proc3
AssertEqual seenByProc, "three", "Execute at the top level defines a procedure of the module"

Class Holder
    Private m_val
    Public Pub
    Public Sub SetField(nm, v)
        Execute "m_" & nm & " = v"
    End Sub
    Public Function GetField(nm)
        GetField = Eval("m_" & nm)
    End Function
    Public Function ReadPub()
        ReadPub = Eval("Pub")
    End Function
    Public Function Twice()
        Twice = Eval("Double(m_val)")
    End Function
    Private Function Double(n)
        Double = n * 2
    End Function
    Public Function Self()
        Set Self = Eval("Me")
    End Function
End Class
Dim h : Set h = New Holder
h.SetField "val", 21
AssertEqual h.GetField("val"), 21, "Execute in a method sets its field"
AssertTrue IsEmpty(m_val), "and makes no global"
h.Pub = "pub"
AssertEqual h.ReadPub(), "pub", "Eval in a method reads a public field"
AssertEqual h.Twice(), 42, "Eval in a method calls a private method"
AssertTrue h.Self() Is h, "Eval(""Me"") in a method"
