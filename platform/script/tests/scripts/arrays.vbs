' Arrays: Dim, ReDim, Preserve, bounds, several dimensions, Erase, Array().
Dim a(3)
AssertEqual UBound(a), 3, "UBound"
AssertEqual LBound(a), 0, "LBound"
a(0) = "x" : a(3) = "y"
AssertEqual a(0) & a(3), "xy", "elements"
Dim m(2, 3)
AssertEqual UBound(m, 1), 2, "first dimension"
AssertEqual UBound(m, 2), 3, "second dimension"
Dim i, j
For i = 0 To 2 : For j = 0 To 3 : m(i, j) = i * 10 + j : Next : Next
AssertEqual m(2, 3), 23, "two-dimensional element"
Dim dyn()
ReDim dyn(2)
dyn(2) = "keep"
ReDim Preserve dyn(5)
AssertEqual dyn(2), "keep", "ReDim Preserve keeps elements"
AssertEqual UBound(dyn), 5, "new bound"
ReDim dyn(1)
AssertTrue IsEmpty(dyn(0)), "ReDim clears"
Dim lst : lst = Array(1, "two", 3.5)
AssertEqual UBound(lst), 2, "Array()"
AssertEqual lst(1), "two", "Array element"
AssertTrue IsArray(lst), "IsArray"
Dim copy : copy = lst
copy(0) = 99
AssertEqual lst(0), 1, "assignment copies an array"
Erase a
AssertTrue IsEmpty(a(0)), "Erase empties a fixed array"
Dim e : e = Array()
AssertEqual UBound(e), -1, "an empty Array()"
Dim g : g = Split("")
AssertEqual UBound(g), -1, "Split of an empty text"
On Error Resume Next
ReDim Preserve m(5, 5)
AssertEqual Err.Number, 10, "a fixed array refuses ReDim"
Err.Clear
Dim d2() : ReDim d2(1, 1)
ReDim Preserve d2(2, 1)
AssertEqual Err.Number, 9, "Preserve changes only the last dimension"
Dim none()
x = none()
AssertEqual Err.Number, 9, "an array without dimensions has no elements"
Err.Clear
On Error GoTo 0
Function MakeArray()
    MakeArray = Array("p", "q")
End Function
AssertEqual MakeArray()(1), "q", "indexing a function's result"
Dim nested : nested = Array(Array(1, 2), Array(3, 4))
AssertEqual nested(1)(0), 3, "arrays in arrays"
Dim cnt : cnt = 0
Dim x
For Each x In m
    cnt = cnt + 1
Next
AssertEqual cnt, 12, "For Each over a two-dimensional array"
