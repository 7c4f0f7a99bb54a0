' Replace every run of digits in a text of count ten-byte pieces (made before the clock starts).
Dim text
Sub Prepare(count)
    text = Replace(Space(count), " ", "ab12 cd345")
End Sub
Sub Bench(count)
    Dim re, r
    Set re = New RegExp
    re.Pattern = "\d+"
    re.Global = True
    r = re.Replace(text, "#")
    If Len(r) <> 7 * count Then Err.Raise 5
End Sub
