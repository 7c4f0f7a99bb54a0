' Dictionaries from a script: keys of every kind, order kept through removals, text compare,
' and member calls whose arguments are read when the call is made, as references are.
Dim d, i, k, s, e
Set d = CreateObject("Scripting.Dictionary")
d.Add 1, "one"
AssertTrue d.Exists(1.0), "a Double finds an Integer key"
AssertTrue d.Exists(CByte(1)), "a Byte finds it"
AssertTrue d.Exists(CCur(1)), "a Currency finds it"
AssertEqual d.Exists("1"), False, "text is not a number key"
d.Add True, "true"
d.Add -1, "minus one"
AssertEqual d.Item(True), "true", "a Boolean key"
AssertEqual d.Item(-1), "minus one", "True and -1 are two keys"
d.Add 0, "zero"
AssertTrue d.Exists(-0.0), "0 and -0 are one key"
d.Add Empty, "empty"
AssertEqual d.Item(Empty), "empty", "the Empty key"
AssertEqual d.Exists(""), False, "the empty text is not Empty"
d.Add Null, "null"
AssertEqual d.Item(Null), "null", "the Null key"
d.Add DateSerial(2000, 1, 1), "date"
AssertTrue d.Exists(36526), "a date matches its number"
On Error Resume Next
d.Add 0.0, "again"
AssertEqual Err.Number, 457, "a key given twice"
Err.Clear
d.Add Array(1), "array"
AssertEqual Err.Number, 13, "an array is no key"
Err.Clear
d.Remove "absent"
AssertEqual Err.Number, 32811, "removing an absent key"
On Error GoTo 0
AssertEqual d.Count, 7, "Count after failed adds"

' Order kept through removals and adds again, past many keys.
Set d = CreateObject("Scripting.Dictionary")
For i = 1 To 1000
    d.Add "key" & i, i
Next
For i = 1 To 1000 Step 2
    d.Remove "key" & i
Next
AssertEqual d.Count, 500, "half removed"
For i = 1 To 999 Step 2
    d.Add "key" & i, -i
Next
k = d.Keys
AssertEqual k(0), "key2", "the first key left"
AssertEqual k(499), "key1000", "the last key left"
AssertEqual k(500), "key1", "keys added again go last"
AssertEqual k(999), "key999", "in the order added"
s = 0
For Each e In d
    s = s + d(e)
Next
AssertEqual s, 500, "every item through For Each"
For Each e In d.Keys
    d.Remove e
Next
AssertEqual d.Count, 0, "every key removed"
d.CompareMode = 1
d.Add "Key", 1
AssertTrue d.Exists("KEY"), "text compare"
d.Add "A longer key than eight bytes " & Chr(202), 2
AssertTrue d.Exists("a LONGER key than eight bytes " & Chr(234)), "text compare past eight bytes"
d.Key("Key") = "Renamed"
AssertEqual Join(d.Keys, "|"), "Renamed|A longer key than eight bytes " & Chr(202), "Key keeps the place"
AssertEqual d.Exists("key"), False, "the old key is gone"

' A removed item's Class_Terminate finds the dictionary whole and may add to it.
Dim watched, seen
Class Watcher
    Private Sub Class_Terminate()
        seen = seen & watched.Count & ";"
        watched.Add "late" & watched.Count, 0
    End Sub
End Class
Set watched = CreateObject("Scripting.Dictionary")
For i = 1 To 5
    watched.Add i, i
Next
Set watched.Item(3) = New Watcher
watched.Remove 3
AssertEqual seen, "4;", "Count seen while the item goes"
AssertEqual Join(watched.Keys, ","), "1,2,4,5,late4", "the key added while removing"

Function Twice(x)
    x = x & x
    Twice = 0
End Function

Sub ArgumentsReadAtTheCall()
    Dim d, k, o, i
    Set d = CreateObject("Scripting.Dictionary")
    k = "a"
    d.Add k, Twice(k)
    AssertTrue d.Exists("aa"), "a variable is read after the later arguments ran"
    AssertEqual d.Exists("a"), False, "not before"
    AssertEqual d.Keys(0), "aa", "a method without parameters indexed through its array"
    ' One call site meets a dictionary, then an object whose Item is its own.
    For i = 1 To 2
        If i = 1 Then Set o = d Else Set o = Native
        o.Item("x") = i
        AssertEqual o.Item("x"), i, "one site, two kinds of object"
    Next
    AssertEqual d.Count, 2, "the dictionary's own key"
End Sub
ArgumentsReadAtTheCall
