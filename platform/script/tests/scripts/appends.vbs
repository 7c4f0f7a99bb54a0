' Text built by appending to a variable: the same results as a fresh concatenation, whoever
' else holds the text and whatever the operands do to the variable meanwhile.
Dim s, t, i, arr(1), d
s = ""
For i = 1 To 1000
    s = s & "x"
Next
AssertEqual Len(s), 1000, "a thousand appends"
AssertEqual Left(s, 3), "xxx", "appended text"

s = "ab"
t = s
s = s & "c"
AssertEqual t, "ab", "a copy keeps its text"
AssertEqual s, "abc", "the variable has the appended text"
arr(0) = s
s = s & "d"
AssertEqual arr(0), "abc", "an array element keeps its text"
Set d = CreateObject("Scripting.Dictionary")
d.Add "k", s
s = s & "e"
AssertEqual d("k"), "abcd", "a dictionary item keeps its text"
AssertEqual s, "abcde", "appended after the copies"

s = "ab"
s = s & "c" & Len(s)
AssertEqual s, "abc2", "later operands read the variable before the append"
s = "a"
s = s & Null
AssertEqual s, "a", "Null adds nothing"
s = s & Null & "b" & 1.5 & True
AssertEqual s, "ab1.5True", "numbers and Booleans as text"
s = "p"
s = s & 1 & 2 & 3 & 4 & 5 & 6 & 7 & 8 & 9 & 10
AssertEqual s, "p12345678910", "a long chain"

Dim e
e = e & "x"
AssertEqual e, "x", "Empty starts a text"
e = Null
e = e & Null
AssertTrue IsNull(e), "Null & Null stays Null"
e = 12
e = e & 3
AssertEqual e, "123", "a number becomes text"

' The variable changed by an operand: the value read first is the one appended to.
Function Meddle()
    s = "changed"
    Meddle = "+"
End Function
s = "start"
s = s & Meddle()
AssertEqual s, "start+", "an operand that assigns the variable"

Function Swap(ByRef v)
    v = "swapped"
    Swap = "!"
End Function
Function Build()
    Dim x
    x = "old"
    x = x & Swap(x)
    Build = x
End Function
AssertEqual Build(), "old!", "an operand that changes the variable by reference"

Class Sneaky
    Public Default Property Get Value()
        s = "sneaked"
        Value = "v"
    End Property
End Class
Dim o
Set o = New Sneaky
s = "start"
s = s & o & "w"
AssertEqual s, "startvw", "an object's default value read in its turn"

' By reference, in a class, in a function's own result.
Sub AddTo(x)
    x = x & "!"
End Sub
s = "hi"
AddTo s
AssertEqual s, "hi!", "a ByRef parameter appends to the caller's variable"
t = s
AddTo t
AssertEqual s, "hi!", "the caller's other copy keeps its text"
AssertEqual t, "hi!!", "the variable passed"
AddTo (s)
AssertEqual s, "hi!", "a value in parentheses is a copy"
AddTo arr(0)
AssertEqual arr(0), "abc!", "an array element by reference"

Class Buffer
    Public text
    Sub Add(x)
        text = text & x
    End Sub
End Class
Dim b, c
Set b = New Buffer
For i = 1 To 5
    b.Add i
Next
c = b.text
b.Add "z"
AssertEqual c, "12345", "a field's copy keeps its text"
AssertEqual b.text, "12345z", "a field appended to"

Function Repeat(n)
    Dim k
    Repeat = ""
    For k = 1 To n
        Repeat = Repeat & "ab"
    Next
End Function
AssertEqual Repeat(3), "ababab", "a function's result appended to"

' The same inside a procedure, where the variable is a local.
Sub LocalAppends(ByRef outer)
    Dim s, t, u, n
    s = "ab"
    t = s
    s = s & "c"
    AssertEqual t, "ab", "local: a copy keeps its text"
    AssertEqual s, "abc", "local: the variable has the appended text"
    s = s & s
    AssertEqual s, "abcabc", "local: the variable appended to itself"
    u = "x"
    n = 7
    s = "v"
    s = s & u & n & Null & 2.5
    AssertEqual s, "vx72.5", "local: other locals, numbers, Null"
    outer = outer & "+"
    AssertEqual outer, "o+", "a ByRef parameter"
    outer = outer & outer
    AssertEqual outer, "o+o+", "a ByRef parameter appended to itself"
    For n = 1 To 5
        u = u & n
    Next
    AssertEqual u, "x12345", "appends in a loop"
End Sub
Dim o : o = "o"
LocalAppends o
AssertEqual o, "o+o+", "the caller's variable has the appended text"
Sub AliasAppend(ByRef a, ByRef b)
    a = a & b
End Sub
o = "ab"
AliasAppend o, o
AssertEqual o, "abab", "both parameters bound to one variable"
