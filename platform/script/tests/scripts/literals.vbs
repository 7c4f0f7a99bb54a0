' Hexadecimal and octal literals are typed by their value; unary minus binds tighter than ^;
' Select Case takes values only.
AssertEqual TypeName(&H10), "Integer", "&H10 is an Integer"
AssertEqual TypeName(&H10&), "Integer", "&H10& is an Integer: the & changes nothing"
AssertEqual &H10&, 16, "&H10&"
AssertEqual TypeName(&HFFFF), "Integer", "&HFFFF is an Integer"
AssertEqual &HFFFF, -1, "&HFFFF is -1"
AssertEqual &HFFFF&, -1, "&HFFFF& is -1 as well"
AssertEqual TypeName(&H8000), "Integer", "&H8000 is an Integer"
AssertEqual &H8000, -32768, "&H8000 is -32768"
AssertEqual TypeName(&H10000), "Long", "&H10000 is a Long"
AssertEqual &H10000, 65536, "&H10000"
AssertEqual TypeName(&H7FFFFFFF), "Long", "&H7FFFFFFF is a Long"
AssertEqual &H7FFFFFFF, 2147483647, "&H7FFFFFFF"
AssertEqual TypeName(&HFFFFFFFF&), "Integer", "&HFFFFFFFF& fits an Integer"
AssertEqual &HFFFFFFFF&, -1, "&HFFFFFFFF& is -1"
AssertEqual TypeName(&HFFFFFFFF), "Integer", "&HFFFFFFFF fits an Integer"
AssertEqual TypeName(&HFFFF8000), "Integer", "&HFFFF8000 fits an Integer"
AssertEqual &HFFFF8000, -32768, "&HFFFF8000 is -32768"
AssertEqual TypeName(&HFFFF7FFF), "Long", "&HFFFF7FFF needs a Long"
AssertEqual &HFFFF7FFF, -32769, "&HFFFF7FFF is -32769"
AssertEqual TypeName(&H80000000), "Long", "&H80000000 is a Long"
AssertEqual &H80000000, -2147483648, "&H80000000 is the lowest Long"
AssertEqual TypeName(&O17&), "Integer", "&O17& is an Integer"
AssertEqual &O17&, 15, "&O17&"
AssertEqual TypeName(&O37777777777), "Integer", "&O37777777777 fits an Integer"
AssertEqual TypeName(&hff&), "Integer", "lower-case digits and a suffix"
AssertEqual &hff&, 255, "&hff&"
AssertEqual TypeName(32768), "Long", "decimal literals keep their own rule"

AssertEqual -3 ^ 2, 9, "-3 ^ 2 is (-3) ^ 2"
AssertEqual -3 ^ 3, -27, "-3 ^ 3"
AssertEqual - -2 ^ 2, 4, "two minus signs"
AssertEqual 2 ^ -1, 0.5, "a negative exponent"
AssertEqual 2 ^ -1 ^ 2, 0.25, "^ stays left-associative: (2 ^ -1) ^ 2"
AssertEqual -2 ^ 2 * 3, 12, "the power before *"
AssertEqual 10 - -2 ^ 2, 6, "binary minus below ^"
AssertEqual 10 - 2 ^ 2, 6, "binary minus without a unary one"
Dim x : x = 3
AssertEqual -x ^ 2, 9, "a negated variable"
AssertEqual -(x ^ 2), -9, "parentheses give the other order"
AssertEqual +x ^ 2, 9, "unary plus"

' Case takes a list of values: ranges and comparisons are syntax errors.
On Error Resume Next
Execute "Select Case 5" & vbCrLf & "Case 4 To 6" & vbCrLf & "End Select"
AssertEqual Err.Number, 1025, "Case 4 To 6: Expected end of statement"
Err.Clear
Execute "Select Case 12" & vbCrLf & "Case Is >= 10" & vbCrLf & "End Select"
AssertEqual Err.Number, 1023, "Case Is >= 10: Expected expression"
Err.Clear
Execute "Select Case 5 : Case 1, 2 To 3 : End Select"
AssertEqual Err.Number, 1025, "a range after a list"
Err.Clear
Execute "Dim picked : Select Case 5" & vbCrLf & "Case 1, 4 + 1 : picked = ""five""" & vbCrLf & "End Select"
AssertEqual Err.Number, 0, "a list of values is fine"
On Error GoTo 0
