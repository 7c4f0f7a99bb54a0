' Classes: fields, properties, methods, Me, default members, initialise and terminate.
Dim events : events = ""
Class Counter
    Private count_
    Public Name
    Private Sub Class_Initialize()
        count_ = 0
        Name = "counter"
        events = events & "init;"
    End Sub
    Private Sub Class_Terminate()
        events = events & "term;"
    End Sub
    Public Property Get Count()
        Count = count_
    End Property
    Public Property Let Count(v)
        If v < 0 Then Err.Raise 5
        count_ = v
    End Property
    Public Function Increment()
        count_ = count_ + 1
        Set Increment = Me
    End Function
    Public Default Function Describe()
        Describe = Name & ":" & count_
    End Function
    Private Function Hidden()
        Hidden = 1
    End Function
End Class

Dim c : Set c = New Counter
AssertEqual events, "init;", "Class_Initialize runs at New"
c.Increment
c.Increment.Increment
AssertEqual c.Count, 3, "method chaining through Me"
c.Count = 10
AssertEqual c.Count, 10, "Property Let and Get"
c.Name = "clicks"
AssertEqual c.Describe, "clicks:10", "public field"
AssertEqual c & "", "clicks:10", "default member as a value"
AssertEqual TypeName(c), "Counter", "TypeName of a script object"
On Error Resume Next
c.Hidden
AssertEqual Err.Number, 438, "a private member is not reachable"
Err.Clear
c.Count = -1
AssertEqual Err.Number, 5, "an error raised in a property reaches the caller"
On Error GoTo 0
Dim c2 : Set c2 = c
Set c = Nothing
AssertEqual events, "init;", "a second reference keeps the object"
Set c2 = Nothing
AssertEqual events, "init;term;", "Class_Terminate when the last reference goes"

Class Node
    Public Value, NextNode
    Public Property Set Link(n)
        Set NextNode = n
    End Property
    Public Property Get Link()
        Set Link = NextNode
    End Property
End Class
Dim a, b
Set a = New Node : a.Value = 1
Set b = New Node : b.Value = 2
Set a.Link = b
AssertEqual a.Link.Value, 2, "Property Set and an object property"
AssertTrue a.Link Is b, "Is compares references"
AssertTrue IsEmpty(b.NextNode), "fields start Empty"

Class Stack
    Private items()
    Private size
    Private Sub Class_Initialize()
        size = 0
        ReDim items(4)
    End Sub
    Public Sub Push(v)
        If size > UBound(items) Then ReDim Preserve items(size * 2)
        items(size) = v
        size = size + 1
    End Sub
    Public Function Pop()
        size = size - 1
        Pop = items(size)
    End Function
    Public Property Get Depth()
        Depth = size
    End Property
End Class
Dim st : Set st = New Stack
Dim i
For i = 1 To 20 : st.Push i : Next
AssertEqual st.Depth, 20, "array field grows"
AssertEqual st.Pop, 20, "Pop"
Dim d : Set d = CreateObject("Scripting.Dictionary")
d.Add "stack", st
AssertEqual d("stack").Depth, 19, "a script object in a dictionary"
