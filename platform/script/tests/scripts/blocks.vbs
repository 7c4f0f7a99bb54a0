' Procedures declared inside blocks are procedures of the module, as if written at the top.
AssertEqual Early(2), 4, "a function of a later block is called before the block"

If False Then
    Function Never()
        Never = "defined anyway"
    End Function
End If
AssertEqual Never(), "defined anyway", "a function in a block that never runs"

If True Then
    Function Early(x)
        Early = x * 2
    End Function
    Sub SetIt(ByRef target, value)
        target = value
    End Sub
End If
Dim v
SetIt v, "set"
AssertEqual v, "set", "a Sub declared inside If, with a ByRef parameter"

Dim i
For i = 1 To 2
    Function InLoop()
        InLoop = "loop " & i
    End Function
Next
AssertEqual InLoop(), "loop 3", "a function declared inside For sees the module's variables"

Select Case 1
    Case 2
        Public Function InCase()
            InCase = "case"
        End Function
End Select
AssertEqual InCase(), "case", "a Public Function inside a Case that does not run"

Do While False
    Private Sub InDo(ByRef target)
        target = "do"
    End Sub
Loop
InDo v
AssertEqual v, "do", "a Private Sub inside Do"

With Nothing
    Function InWith()
        InWith = "with"
    End Function
End With
AssertEqual InWith(), "with", "a function inside With (the block never touches its object)"

If True Then
    If True Then
        Function Deep(n)
            If n <= 1 Then Deep = 1 Else Deep = n * Deep(n - 1)
        End Function
    End If
End If
AssertEqual Deep(5), 120, "a recursive function two blocks deep"
Dim r : Set r = GetRef("Deep")
AssertEqual r(3), 6, "GetRef finds it"

' ExecuteGlobal text may declare them inside blocks too.
ExecuteGlobal "If True Then" & vbCrLf & "Function Made() : Made = ""made"" : End Function" & vbCrLf & "End If"
AssertEqual Made(), "made", "ExecuteGlobal with a function inside If"

' Not inside a procedure, nor in a one-line If.
On Error Resume Next
ExecuteGlobal "Sub Outer()" & vbCrLf & "If True Then" & vbCrLf & "Sub Inner() : End Sub" & vbCrLf & "End If" & vbCrLf & "End Sub"
AssertEqual Err.Number, 1024, "a Sub inside a procedure's block: Expected statement"
Err.Clear
ExecuteGlobal "If True Then Sub OneLine() : End Sub"
AssertEqual Err.Number, 1024, "a Sub in a one-line If: Expected statement"
Err.Clear
On Error GoTo 0
