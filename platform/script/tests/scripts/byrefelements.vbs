' An array element passed ByRef is the element itself: a write to it through the array shows in
' the parameter and the other way round, and the array refuses ReDim and Erase (error 10) while
' the element is bound.

Dim a(2)
Sub Direct(ByRef x)
    a(0) = "direct"
    x = x & "+p"
End Sub
a(0) = "v"
Direct a(0)
AssertEqual a(0), "direct+p", "the parameter is the element"

Sub SeesParameter(ByRef x)
    x = "through x"
    AssertEqual a(1), "through x", "a write to the parameter shows in the array at once"
End Sub
SeesParameter a(1)

Sub ByValue(ByVal x)
    a(2) = "direct"
    x = "copy"
End Sub
a(2) = "v"
ByValue a(2)
AssertEqual a(2), "direct", "ByVal takes a copy"

Dim d()
ReDim d(3)
Dim errNumber, errText
Sub Grows(ByRef x)
    On Error Resume Next
    ReDim d(10)
    errNumber = Err.Number
    errText = Err.Description
    On Error GoTo 0
    x = "kept"
End Sub
d(1) = "v"
Grows d(1)
AssertEqual errNumber, 10, "ReDim of an array whose element is bound"
AssertEqual errText, "This array is fixed or temporarily locked", "the locked array's error text"
AssertEqual UBound(d), 3, "the array keeps its size"
AssertEqual d(1), "kept", "and the write lands in it"

Sub GrowsPreserved(ByRef x)
    On Error Resume Next
    ReDim Preserve d(10)
    errNumber = Err.Number
    On Error GoTo 0
End Sub
errNumber = 0
GrowsPreserved d(2)
AssertEqual errNumber, 10, "ReDim Preserve too"

Sub Erases(ByRef x)
    On Error Resume Next
    Erase d
    errNumber = Err.Number
    On Error GoTo 0
    x = "after"
End Sub
errNumber = 0
Erases d(3)
AssertEqual errNumber, 10, "Erase too"
AssertEqual d(3), "after", "the element is still there"

Sub ByValGrows(ByVal x)
    ReDim d(5)
End Sub
ByValGrows d(0)
AssertEqual UBound(d), 5, "an element passed ByVal locks nothing"

ReDim d(1)
Sub Replaced(ByRef x)
    d = Array("new")
    x = "old element"
End Sub
Replaced d(0)
AssertEqual d(0), "new", "the variable given another array keeps it"
ReDim d(2)
AssertEqual UBound(d), 2, "after the call the array is free again"

Sub Nested(ByRef x)
    Inner x
End Sub
Sub Inner(ByRef y)
    y = y + 1
End Sub
Dim n(1) : n(1) = 1
Nested n(1)
AssertEqual n(1), 2, "an element passed on ByRef again"

Class Box
    Public items
    Private Sub Class_Initialize()
        ReDim items(1)
    End Sub
    Public Sub Touch(ByRef x)
        items(0) = "direct"
        x = x & "+m"
    End Sub
End Class
Dim b : Set b = New Box
Dim c(0) : c(0) = "v"
b.Touch c(0)
AssertEqual c(0), "v+m", "a method takes the element by reference"
Dim lst : lst = Array(1, 2)
Sub Twice(ByRef v)
    v = v * 2
End Sub
Twice lst(1)
AssertEqual lst(1), 4, "an element of an array held by a plain variable"

' A built-in takes the element's value: the array stays free meanwhile.
Dim code
code = Array("ReDim code(3)", "")
Execute code(0)
AssertEqual UBound(code), 3, "Execute of an element may ReDim its array"
