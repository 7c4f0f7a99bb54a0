' If, Select Case, the loops and their exits, With.
Dim i, total, s
If 1 > 2 Then
    Fail "If took the wrong branch"
ElseIf 2 > 1 Then
    total = "elseif"
Else
    Fail "Else taken"
End If
AssertEqual total, "elseif", "ElseIf"
If True Then s = "one" Else s = "two"
AssertEqual s, "one", "one-line If"
If False Then s = "a" : s = "b" Else s = "c" : s = s & "d"
AssertEqual s, "cd", "one-line If with several statements"

Function Kind(x)
    Select Case x
        Case 1, 2, 3
            Kind = "small"
        Case 4, 5, 5 + 1
            Kind = "medium"
        Case x + 0 * Len("computed values")
            Kind = "itself"
        Case Else
            Kind = "other"
    End Select
End Function
AssertEqual Kind(2), "small", "Case list"
AssertEqual Kind(6), "medium", "Case with an expression"
AssertEqual Kind(42), "itself", "Case with a variable"
Select Case LCase("ABC")
    Case "x", "abc" : s = "text case"
    Case Else : s = "no"
End Select
AssertEqual s, "text case", "Case with texts"
AssertEqual Kind(Null), "other", "Case Else"

total = 0
For i = 1 To 10
    total = total + i
Next
AssertEqual total, 55, "For"
AssertEqual i, 11, "the counter after the loop"
total = 0
For i = 10 To 1 Step -2
    total = total + i
Next
AssertEqual total, 30, "For with a negative Step"
total = 0
For i = 0 To 1 Step 0.25
    total = total + 1
Next
AssertEqual total, 5, "For with a fractional Step"
total = 0
For i = 1 To 100
    If i > 5 Then Exit For
    total = total + i
Next
AssertEqual total, 15, "Exit For"

i = 0
Do While i < 5
    i = i + 1
Loop
AssertEqual i, 5, "Do While"
i = 0
Do Until i = 3
    i = i + 1
Loop
AssertEqual i, 3, "Do Until"
i = 10
Do
    i = i + 1
Loop While i < 5
AssertEqual i, 11, "Do ... Loop While runs once"
i = 0
Do
    i = i + 1
    If i = 7 Then Exit Do
Loop
AssertEqual i, 7, "Exit Do"
i = 0
Do
    i = i + 1
Loop Until i >= 4
AssertEqual i, 4, "Loop Until"
i = 0
While i < 3
    i = i + 1
Wend
AssertEqual i, 3, "While Wend"
Dim outer : outer = 0
Do
    outer = outer + 1
    i = 0
    While i < 10
        i = i + 1
        If i = 2 Then Exit Do
    Wend
Loop
AssertEqual outer & "/" & i, "1/2", "Exit Do inside While leaves the Do"

Dim seen : seen = ""
Dim x
For Each x In Array("a", "b", "c")
    seen = seen & x
Next
AssertEqual seen, "abc", "For Each over an array"
Dim d : Set d = CreateObject("Scripting.Dictionary")
d.Add "k1", 1 : d.Add "k2", 2
seen = ""
For Each x In d
    seen = seen & x & "=" & d(x) & ";"
Next
AssertEqual seen, "k1=1;k2=2;", "For Each over a dictionary walks its keys"
For Each x In d.Items
    total = x
Next
AssertEqual total, 2, "For Each over the items"

Dim n : Set n = Native
With n
    .Value = 12
    AssertEqual .Value, 12, "With member"
    .Item("a") = "z"
End With
AssertEqual n("a"), "z", "With assignment through the default member"
Dim nested : nested = 0
For i = 1 To 3 : For x = 1 To 3 : nested = nested + 1 : Next : Next
AssertEqual nested, 9, "nested loops on one line"

' A For counter keeps the kind addition gives it: an Integer past 32767 becomes a Long, a Long
' past its range a Double.
Dim kinds, k
kinds = ""
For k = 32766 To 32768
    kinds = kinds & TypeName(k) & " "
Next
AssertEqual kinds, "Integer Integer Long ", "a counter that leaves the Integers"
kinds = ""
For k = 2147483646 To 2147483648#
    kinds = kinds & TypeName(k) & " "
Next
AssertEqual kinds, "Long Long Double ", "a counter that leaves the Longs"
kinds = ""
For k = -32767 To -32769 Step -1
    kinds = kinds & TypeName(k) & " "
Next
AssertEqual kinds, "Integer Integer Long ", "a counter counting down"
Sub LocalCounter()
    Dim j, sum
    For j = 1 To 10 Step 3
        sum = sum + j
    Next
    AssertEqual sum, 22, "a local counter with a step"
    AssertEqual j, 13, "the counter after the loop"
    AssertEqual TypeName(j), "Integer", "of the start's kind"
End Sub
LocalCounter
