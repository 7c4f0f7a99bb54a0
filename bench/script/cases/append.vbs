' Text built one character at a time in a Sub.
Sub Bench(count)
    Dim i, s
    s = ""
    For i = 1 To count
        s = s & "x"
    Next
    If Len(s) <> count Then Err.Raise 5
End Sub
