' On Error Resume Next, Err, and errors from native objects.
On Error Resume Next
Dim x
x = 1 / 0
AssertEqual Err.Number, 11, "division by zero"
AssertEqual Err.Description, "Division by zero", "its description"
AssertEqual Err.Source, "Microsoft VBScript runtime error", "its source"
Err.Clear
AssertEqual Err.Number, 0, "Err.Clear"
x = "abc" * 2
AssertEqual Err.Number, 13, "type mismatch"
Err.Clear
Err.Raise 1000, "MySource", "My text"
AssertEqual Err.Number, 1000, "Err.Raise number"
AssertEqual Err.Source, "MySource", "Err.Raise source"
AssertEqual Err.Description, "My text", "Err.Raise description"
Err.Clear
Err.Raise vbObjectError + 1
AssertEqual Err.Number, vbObjectError + 1, "vbObjectError"
Err.Clear
Err.Raise 0
AssertEqual Err.Number, 5, "raising error 0 is an invalid argument"
AssertEqual Err.Description, "Invalid procedure call or argument", "with its text"
Err.Clear
Err.Raise 0, "MySource", "My text"
AssertEqual Err.Number, 5, "also with a source and a text"
Err.Clear
Err.Raise 1000
AssertEqual Err.Number, 1000, "a number the language has no text for"
AssertEqual Err.Description, "Unknown runtime error", "reads as an unknown runtime error"
Err.Clear
Err.Raise 13
AssertEqual Err.Description, "Type mismatch", "a number it knows keeps its own text"
Err.Clear
Err.Raise 91
AssertEqual Err.Description, "Object variable not set", "91 in the language's words"
Err.Clear
Err.Raise 5017
AssertEqual Err.Description, "Syntax error in regular expression", "5017 as a bad pattern reads"
Err.Clear
Err.Raise 5020
AssertEqual Err.Description, "Expected ')' in regular expression", "5020 as a bad pattern reads"
Err.Clear
x = CDbl("1e309")
AssertEqual Err.Number, 6, "a number text beyond a Double overflows"
Err.Clear
x = "-1e309" * 1
AssertEqual Err.Number, 6, "in arithmetic too"
Err.Clear
x = CDbl("1e30x")
AssertEqual Err.Number, 13, "a text that is no number stays a type mismatch"
Err.Clear
Native.Raise 1234
AssertEqual Err.Number, 1234, "a native object's error reaches the script"
AssertEqual Err.Description, "Native failure 1234", "with its text"
AssertEqual Err.Source, "NativeThing", "and its source"
Err.Clear
Dim o
o.Something
AssertEqual Err.Number, 424, "a member of a non-object"
Err.Clear
Set o = Nothing
o.Something
AssertEqual Err.Number, 91, "a member of Nothing"
Err.Clear
Native.NoSuchMember
AssertEqual Err.Number, 438, "an unknown member"
Err.Clear
NoSuchFunction 1, 2
AssertEqual Err.Number, 13, "an undefined procedure"
Err.Clear
Dim arr(1)
arr(5) = 1
AssertEqual Err.Number, 9, "subscript out of range"
Err.Clear
Dim steps : steps = ""
Sub Inner()
    steps = steps & "in;"
    Err.Raise 77
    steps = steps & "not reached;"
End Sub
Sub Outer()
    Inner
    steps = steps & "after;"
End Sub
Outer
AssertEqual steps, "in;", "an error leaves every procedure up to the one with a handler"
AssertEqual Err.Number, 77, "the inner error"
Err.Clear
If 1 / 0 = 1 Then steps = "x"
AssertEqual Err.Number, 11, "an error in a condition"
Err.Clear
' The statement after a failed condition is the first of its branch.
steps = ""
If 1 / 0 Then
    steps = steps & "then;"
Else
    steps = steps & "else;"
End If
steps = steps & "after;"
AssertEqual steps, "then;after;", "a failed If condition runs its Then branch"
AssertEqual Err.Number, 11, "with the condition's error"
Err.Clear
steps = ""
If False Then
    steps = "then;"
ElseIf "x" + 1 Then
    steps = "elseif;"
Else
    steps = "else;"
End If
AssertEqual steps, "elseif;", "a failed ElseIf condition runs its own branch"
AssertEqual Err.Number, 13, "with that condition's error"
Err.Clear
On Error GoTo 0
AssertEqual Err.Number, 0, "On Error GoTo 0 clears Err"
Function Guarded()
    On Error Resume Next
    Err.Raise 5
    Guarded = Err.Number
End Function
AssertEqual Guarded(), 5, "a handler inside a procedure"
Dim caught : caught = 0
Sub NoHandler()
    Dim y : y = 1 / 0
End Sub
On Error Resume Next
NoHandler
caught = Err.Number
On Error GoTo 0
AssertEqual caught, 11, "an unhandled error in a procedure reaches the caller's handler"
