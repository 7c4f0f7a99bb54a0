' The RegExp object: its properties, Test, Execute with its matches and submatches, Replace.
Dim re, ms, m, s
Set re = New RegExp
AssertEqual TypeName(re), "IRegExp2", "TypeName of a RegExp"
AssertEqual re.Pattern, "", "Pattern starts empty"
AssertEqual re.IgnoreCase, False, "IgnoreCase starts False"
AssertEqual re.Global, False, "Global starts False"
AssertEqual re.MultiLine, False, "MultiLine starts False"
AssertTrue re.Test("anything"), "an empty pattern matches"
AssertEqual TypeName(CreateObject("VBScript.RegExp")), "IRegExp2", "CreateObject of VBScript.RegExp"

' Pattern, Test, IgnoreCase.
re.Pattern = "fox"
AssertEqual re.Pattern, "fox", "Pattern reads back"
AssertTrue re.Test("The quick brown fox"), "Test finds the pattern"
AssertEqual re.Test("The quick brown FOX"), False, "Test minds case by default"
re.IgnoreCase = True
AssertEqual re.IgnoreCase, True, "IgnoreCase reads back"
AssertTrue re.Test("The quick brown FOX"), "IgnoreCase"
re.Pattern = Chr(233) & "t" & Chr(233)
AssertTrue re.Test(Chr(201) & "T" & Chr(201)), "IgnoreCase folds accented letters of the code page"
re.Pattern = "^[A-Z]+$"
AssertTrue re.Test("abc"), "IgnoreCase with a range of capitals"
re.IgnoreCase = False
AssertEqual re.Test("abc"), False, "the range minds case without it"
re.Pattern = Chr(233) & "t" & Chr(233)
AssertEqual re.Test(Chr(201) & "T" & Chr(201)), False, "and so do accented letters"

' Execute without and with Global.
re.Pattern = "o"
Set ms = re.Execute("foo boo")
AssertEqual TypeName(ms), "IMatchCollection2", "TypeName of the matches"
AssertEqual ms.Count, 1, "not global: the first match only"
AssertEqual ms(0).FirstIndex, 1, "FirstIndex counts from 0"
re.Global = True
AssertEqual re.Global, True, "Global reads back"
Set ms = re.Execute("foo boo")
AssertEqual ms.Count, 4, "global: every match"
AssertEqual ms.Item(3).FirstIndex, 6, "Item"
s = ""
For Each m In ms
    s = s & m.FirstIndex & ","
Next
AssertEqual s, "1,2,5,6,", "For Each over the matches"
AssertEqual re.Execute("xyz").Count, 0, "no match: an empty collection"
On Error Resume Next
Set m = ms(4)
AssertEqual Err.Number, 5, "an index past the matches"
Err.Clear
On Error GoTo 0

' Match and SubMatches.
re.Pattern = "(\w+)@(\w+)\.com"
Set ms = re.Execute("mail bob@example.com or ann@test.com")
AssertEqual ms.Count, 2, "two addresses"
Set m = ms(0)
AssertEqual TypeName(m), "IMatch2", "TypeName of a match"
AssertEqual m.Value, "bob@example.com", "Value"
AssertTrue m = "bob@example.com", "Value is the default member"
AssertEqual m.FirstIndex, 5, "FirstIndex"
AssertEqual m.Length, 15, "Length"
AssertEqual TypeName(m.SubMatches), "ISubMatches", "TypeName of the submatches"
AssertEqual m.SubMatches.Count, 2, "SubMatches.Count"
AssertEqual m.SubMatches(0), "bob", "the first group"
AssertEqual m.SubMatches.Item(1), "example", "the second group"
AssertEqual ms(1).SubMatches(0), "ann", "the second match's group"
s = ""
For Each m In ms(1).SubMatches
    s = s & "[" & m & "]"
Next
AssertEqual s, "[ann][test]", "For Each over the submatches"
re.Pattern = "(a)|(b)"
Set m = re.Execute("b")(0)
AssertTrue IsEmpty(m.SubMatches(0)), "a group that took no part is Empty"
AssertEqual m.SubMatches(1), "b", "the group that matched"
re.Pattern = "x(y?)z"
AssertEqual re.Execute("xz")(0).SubMatches(0), "", "a group that matched nothing is an empty text"

' Replace and its references.
re.Global = False
re.Pattern = "(\S+)(\s+)(\S+)"
AssertEqual re.Replace("The quick brown fox", "$3$2$1"), "quick The brown fox", "swapping the first pair of words"
re.Global = True
AssertEqual re.Replace("The quick brown fox", "$3$2$1"), "quick The fox brown", "swapping every pair"
re.Pattern = "b"
AssertEqual re.Replace("abcb", "[$&]"), "a[b]c[b]", "$& is the match"
AssertEqual re.Replace("abc", "$$"), "a$c", "$$ is a dollar"
AssertEqual re.Replace("abc", "<$`>"), "a<a>c", "$` is the text before"
AssertEqual re.Replace("abc", "<$'>"), "a<c>c", "$' is the text after"
AssertEqual re.Replace("abc", "$1$"), "a$1$c", "references to groups the pattern lacks stay"
AssertEqual re.Replace("abc", "\n"), "a\nc", "a backslash is an ordinary character"
re.Pattern = "(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k)"
AssertEqual re.Replace("abcdefghijk", "$11-$10-$1"), "k-j-a", "two-digit references"
re.Pattern = "(a)"
AssertEqual re.Replace("a", "$10"), "a0", "$10 with one group is $1 and a 0"
re.Pattern = "(a)|(b)"
AssertEqual re.Replace("ab", "<$2>"), "<><b>", "a group that took no part gives nothing"
re.Pattern = "z"
AssertEqual re.Replace("abc", "y"), "abc", "no match: the text unchanged"
re.Pattern = "x*"
AssertEqual re.Replace("abc", "-"), "-a-b-c-", "empty matches, one between each character"
AssertEqual re.Execute("abc").Count, 4, "the empty matches"
re.Global = False
AssertEqual re.Replace("abc", "-"), "-abc", "not global: the first only"

' MultiLine: ^ and $ at line ends; "." never takes a line end.
re.Global = True
re.Pattern = "^\w+"
AssertEqual re.Execute("one" & vbLf & "two").Count, 1, "^ only at the start"
re.MultiLine = True
AssertEqual re.MultiLine, True, "MultiLine reads back"
Set ms = re.Execute("one" & vbLf & "two" & vbCrLf & "three")
AssertEqual ms.Count, 3, "^ after each line end"
AssertEqual ms(2).Value, "three", "the third line"
AssertEqual ms(2).FirstIndex, 9, "the third line's index"
re.Pattern = "\w+$"
Set ms = re.Execute("one" & vbCrLf & "two")
AssertEqual ms.Count, 2, "$ before each line end"
AssertEqual ms(0).Value, "one", "the first line's last word"
re.MultiLine = False
Set ms = re.Execute("one" & vbLf & "two")
AssertEqual ms.Count, 1, "$ only at the end"
AssertEqual ms(0).Value, "two", "the last word"
AssertEqual re.Test("one" & vbLf), False, "$ is not before a last line end"
re.Pattern = "a.c"
AssertEqual re.Test("a" & vbLf & "c"), False, ". does not take a line feed"
AssertEqual re.Test("a" & vbCr & "c"), False, ". does not take a carriage return"
AssertTrue re.Test("a" & Chr(133) & "c"), ". takes any character of the code page"
AssertTrue re.Test("a" & vbTab & "c"), ". takes a tab"
re.Pattern = "[.]"
AssertEqual re.Replace("a.b", "!"), "a!b", "a dot inside a set is a dot"
re.Pattern = "\."
AssertEqual re.Replace("a.b", "!"), "a!b", "an escaped dot"

' The usual pattern syntax.
re.Pattern = "^\d{3}-\d{4}$"
AssertTrue re.Test("555-1234"), "digits and counts"
re.Pattern = "\bcat\b"
AssertEqual re.Execute("cat concat cat.").Count, 2, "word boundaries"
re.Pattern = "a+?"
AssertEqual re.Execute("aaa")(0).Value, "a", "a lazy quantifier"
re.Pattern = "q(?=u)"
AssertEqual re.Execute("quit qat").Count, 1, "a lookahead"
re.Pattern = "(?:ab)+"
AssertEqual re.Execute("ababx")(0).SubMatches.Count, 0, "a group that does not capture"
re.Pattern = "(\w)\1"
AssertEqual re.Execute("abccd")(0).Value, "cc", "a back reference"
re.Pattern = "[^a-c]+"
AssertEqual re.Execute("abcxyz")(0).Value, "xyz", "a negated set"
re.Pattern = "\s+"
AssertEqual re.Replace("a  b" & vbTab & "c", " "), "a b c", "white space"

' Faults of a pattern, raised when it is used.
On Error Resume Next
re.Pattern = "(a"
AssertEqual Err.Number, 0, "setting a bad pattern raises nothing yet"
re.Test "a"
AssertEqual Err.Number, 5020, "Expected ')' in regular expression"
Err.Clear
re.Pattern = "[ab"
re.Execute "a"
AssertEqual Err.Number, 5019, "Expected ']' in regular expression"
Err.Clear
re.Pattern = "*a"
s = re.Replace("a", "b")
AssertEqual Err.Number, 5018, "Unexpected quantifier"
Err.Clear
' A range whose end comes before its start, in each way a set may spell its characters.
Dim reversed
For Each reversed In Array("[z-a]", "x[^\x41-\x39]", "[a\n-\t]")
    re.Pattern = reversed
    re.Test "a"
    AssertEqual Err.Number, 5021, "a reversed range: " & reversed
    AssertEqual Err.Description, "Invalid range in character set", "the text of a reversed range"
    Err.Clear
Next
re.Pattern = "[\u0062-\u0061]"
re.Test "a"
AssertEqual Err.Number, 5021, "a reversed range of \u escapes"
Err.Clear
re.Pattern = "[]a-c-]"
AssertTrue re.Test("-"), "a set opening with ] and ending with a dash"
AssertEqual Err.Number, 0, "a set with a sound range"
On Error GoTo 0

' A pattern that would take exponential time raises an error instead.
re.Pattern = "^(a+)+$"
AssertTrue re.Test(String(20, "a")), "the pattern on a text it matches"
On Error Resume Next
s = re.Test(String(30, "a") & "b")
AssertEqual Err.Number, 28, "exponential backtracking on a short text stops"
Err.Clear
s = re.Test(String(1000, "a") & "b")
AssertEqual Err.Number, 28, "and on a long one"
Err.Clear
re.Pattern = "(x+x+)+y"
s = re.Execute(String(1000, "x") & "-y").Count
AssertEqual Err.Number, 28, "Execute stops as well"
Err.Clear
On Error GoTo 0
re.Pattern = "\w+"
AssertEqual re.Execute(String(20000, "w") & " " & String(20000, "v")).Count, 2, "a long text with a plain pattern"
re.Pattern = "(\w+)@(\w+)\.com"
AssertEqual re.Execute(String(1000, "w") & " a@b.com").Count, 1, "a long word tried at each of its characters"

' \uXXXX is the character of that code point (the code page's byte), as \x is; "\u" without
' its four digits is a plain "u".
re.Pattern = "\u0041"
AssertTrue re.Test("A"), "\u0041 is A"
AssertEqual re.Test("Z0041"), False, "\u0041 is no upper-case letter followed by 0041"
re.Pattern = "^\u0048\u0069\u0021$"
AssertTrue re.Test("Hi!"), "several escapes"
re.Pattern = "a\u002Eb"
AssertTrue re.Test("a.b"), "an escaped dot is a plain dot"
AssertEqual re.Test("axb"), False, "not any character"
re.Pattern = "\u00e9"
AssertTrue re.Test(Chr(233)), "lower-case digits, a letter of the code page"
re.IgnoreCase = True
AssertTrue re.Test(Chr(201)), "IgnoreCase folds an escaped letter"
re.IgnoreCase = False
re.Pattern = "\u20AC"
AssertTrue re.Test("5 " & Chr(128)), "the euro sign is the code page's byte 128"
re.Pattern = "^[\u0030-\u0039]+$"
AssertTrue re.Test("2024"), "a range of escapes"
AssertEqual re.Test("20a4"), False, "a range of escapes leaves out the rest"
re.Pattern = "^[^\u0041]$"
AssertEqual re.Test("A"), False, "a negated set"
AssertTrue re.Test("B"), "a negated set matches the others"
re.Pattern = "^[\u0000-\uFFFF]+$"
AssertTrue re.Test("a" & Chr(255) & Chr(128)), "a range up to the last code point spans every character"
re.Pattern = "\u004"
AssertTrue re.Test("u004"), "too few digits: a plain u"
AssertEqual re.Test("A"), False, "too few digits are no character"
re.Pattern = "\u"
AssertTrue re.Test("u"), "\u at the end"
AssertEqual re.Test("U"), False, "\u is no upper-case letter"
re.Pattern = "\\u0041"
AssertTrue re.Test("\u0041"), "an escaped backslash before u0041"
re.Pattern = "(\u0061)\1"
AssertEqual re.Replace("xaay", "-"), "x-y", "an escape in a group with a back reference"

' A match the text cannot hold ends at once: a count longer than the text, a character the
' text lacks; what the pattern needs is still found wherever it is.
re.Pattern = "a{2147483647}"
AssertEqual re.Test(String(100000, "a") & "b"), False, "a count longer than the text"
re.Pattern = "a{1000000}"
AssertEqual re.Test(String(100000, "a") & "b"), False, "a million of them"
re.Pattern = "a*a*a*a*a*c"
AssertEqual re.Test(String(5000, "a")), False, "a needed character the text lacks"
AssertEqual re.Test(String(5000, "a") & "c"), True, "and the text that has it"
re.Pattern = "x{3}"
AssertEqual re.Test("xx"), False, "a count one longer than the text"
AssertEqual re.Test("xxx"), True, "a count as long as the text"
re.Pattern = "a*c|b"
AssertEqual re.Test("aab"), True, "either of two alternatives"
re.Pattern = "(?:ab)+c(?=d)"
AssertEqual re.Test("ababcd"), True, "a group and a look-ahead"
re.Pattern = "C"
re.IgnoreCase = True
AssertEqual re.Test("abc"), True, "a needed character in the other case"
re.IgnoreCase = False
AssertEqual re.Test("abc"), False, "but not when the case counts"
re.Pattern = "\x41\d"
AssertEqual re.Test("zA1"), True, "a needed character written in hexadecimal"
re.Pattern = "(\w)\1z"
re.Global = True
AssertEqual re.Execute("aaz bbz cz").Count, 2, "each match of a global search"
re.Global = False
