' The text functions.
AssertEqual Len("hello"), 5, "Len"
AssertTrue IsNull(Len(Null)), "Len of Null"
AssertEqual Left("hello", 2), "he", "Left"
AssertEqual Right("hello", 3), "llo", "Right"
AssertEqual Mid("hello", 2, 3), "ell", "Mid"
AssertEqual Mid("hello", 4), "lo", "Mid to the end"
AssertEqual InStr("hello", "l"), 3, "InStr"
AssertEqual InStr(4, "hello", "l"), 4, "InStr from a start"
AssertEqual InStr(1, "HELLO", "l", vbTextCompare), 3, "InStr ignoring case"
AssertEqual InStr("hello", "z"), 0, "InStr not found"
AssertEqual InStrRev("hello", "l"), 4, "InStrRev"
AssertEqual Replace("a-b-c", "-", "+"), "a+b+c", "Replace"
AssertEqual Replace("aAa", "a", "x", 1, -1, vbTextCompare), "xxx", "Replace ignoring case"
AssertEqual Replace("a-b-c", "-", "+", 1, 1), "a+b-c", "Replace a count"
Dim parts
parts = Split("a,b,,c", ",")
AssertEqual UBound(parts), 3, "Split keeps empty pieces"
AssertEqual parts(2), "", "the empty piece"
AssertEqual Join(parts, "|"), "a|b||c", "Join"
AssertEqual Join(Split("x y z")), "x y z", "Split and Join on blanks"
AssertEqual Trim("  a b  "), "a b", "Trim"
AssertEqual LTrim("  a "), "a ", "LTrim"
AssertEqual RTrim(" a  "), " a", "RTrim"
AssertEqual UCase("abc"), "ABC", "UCase"
AssertEqual LCase("ABC"), "abc", "LCase"
AssertEqual Space(3), "   ", "Space"
AssertEqual String(3, "x"), "xxx", "String of a character"
AssertEqual String(2, 65), "AA", "String of a code"
AssertEqual StrComp("a", "B"), 1, "StrComp binary"
AssertEqual StrComp("a", "A", 1), 0, "StrComp text"
AssertEqual StrReverse("abc"), "cba", "StrReverse"
AssertEqual Chr(65), "A", "Chr"
AssertEqual Asc("A"), 65, "Asc"
AssertEqual ChrW(66), "B", "ChrW"
AssertEqual AscW("B"), 66, "AscW"
AssertEqual "line1" & vbCrLf & "line2", "line1" & Chr(13) & Chr(10) & "line2", "vbCrLf"
AssertEqual Len(vbTab), 1, "vbTab"
AssertEqual "a" & _
    "b", "ab", "line continuation"
Dim t : t = "x" : t = t & "y" : AssertEqual t, "xy", "colon separators"
Rem a comment line
AssertEqual FormatNumber(1234.5), "1,234.50", "FormatNumber"
AssertEqual FormatNumber(0.4, 0), "0", "FormatNumber without decimals"
AssertEqual FormatNumber(-3, 1), "-3.0", "FormatNumber of a negative"
' The byte forms see each character as its two bytes (UTF-16, low byte first).
AssertEqual LenB("abc"), 6, "LenB"
AssertEqual LenB(""), 0, "LenB of nothing"
AssertTrue IsNull(LenB(Null)), "LenB of Null"
AssertEqual LenB(ChrW(8364)), 2, "LenB of a character above 255"
AssertEqual LeftB("abc", 4), "ab", "LeftB"
AssertEqual RightB("abc", 2), "c", "RightB"
AssertEqual MidB("abcd", 3, 4), "bc", "MidB"
AssertEqual MidB("abcd", 5), "cd", "MidB to the end"
AssertEqual InStrB("abc", "c"), 5, "InStrB gives the byte position"
AssertEqual InStrB(4, "abcabc", "b"), 9, "InStrB from a start"
AssertEqual InStrB("abc", "z"), 0, "InStrB not found"
AssertTrue IsNull(InStrB("abc", Null)), "InStrB of Null"
AssertEqual AscB("A"), 65, "AscB"
AssertEqual AscB(ChrW(8364)), 172, "AscB is the low byte"
' Null: a Null start of InStr and a Null text of Replace are errors; a Null text of InStr is Null.
AssertTrue IsNull(InStr(1, Null, "a")), "InStr of a Null text"
AssertTrue IsNull(InStr("a", Null)), "InStr for Null"
On Error Resume Next
Dim nullResult
nullResult = InStr(Null, "a", "a")
AssertEqual Err.Number, 94, "a Null start of InStr"
AssertEqual Err.Description, "Invalid use of Null", "with its text"
Err.Clear
nullResult = Replace(Null, "a", "b")
AssertEqual Err.Number, 94, "Replace of a Null text"
Err.Clear
nullResult = InStrB(Null, "a", "a")
AssertEqual Err.Number, 94, "a Null start of InStrB"
Err.Clear
nullResult = AscB("")
AssertEqual Err.Number, 5, "AscB of nothing"
Err.Clear
On Error GoTo 0
' Strings are the code page's bytes: a character outside it is "?".
AssertEqual AscW(ChrW(&H3B1)), 63, "a Greek letter is a question mark"
AssertTrue ChrW(&H3B1) = ChrW(&H3B2), "so two of them compare equal"
AssertEqual AscW(ChrW(8364)), 8364, "the euro sign is in the code page"
