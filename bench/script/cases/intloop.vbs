' Integer additions in a Sub: the loop counter and the sum stay Longs.
Sub Bench(count)
    Dim i, n
    n = 0
    For i = 1 To count
        n = n + 1
    Next
    If n <> count Then Err.Raise 5
End Sub
