' A dictionary of text keys: Add every key, then Exists and Item for each.
Sub Bench(count)
    Dim d, i, k, t
    Set d = CreateObject("Scripting.Dictionary")
    For i = 1 To count
        d.Add "k" & i, i
    Next
    t = 0
    For i = 1 To count
        k = "k" & i
        If d.Exists(k) Then t = t + d.Item(k)
    Next
    If d.Count <> count Then Err.Raise 5
End Sub
