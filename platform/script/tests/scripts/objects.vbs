' Late-bound calls on native objects: default members, properties, dictionaries, the file-system object.
Dim n : Set n = Native
n("colour") = "blue"
AssertEqual n("colour"), "blue", "default member Let and Get"
AssertEqual n.Item("colour"), "blue", "named default member"
n.Value = 3
AssertEqual n.Value, 3, "property"
AssertEqual n.Child.Value, 7, "member of a returned object"
AssertEqual TypeName(n), "NativeThing", "TypeName of a native object"
Dim d : Set d = CreateObject("Scripting.Dictionary")
d.Add "a", 1
d("b") = 2
d.Item("c") = 3
AssertEqual d.Count, 3, "dictionary Count"
AssertTrue d.Exists("b"), "Exists"
AssertEqual d("c"), 3, "default member"
d.Remove "a"
AssertEqual Join(d.Keys, ","), "b,c", "Keys"
Dim k : k = d.Keys
AssertEqual k(0), "b", "an array from a method"
Dim fso : Set fso = CreateObject("Scripting.FileSystemObject")
AssertEqual fso.BuildPath("C:\a", "b.txt"), "C:\a\b.txt", "BuildPath"
AssertEqual fso.GetExtensionName("x\y.asp"), "asp", "GetExtensionName"
If Not fso.FolderExists("\Data") Then fso.CreateFolder "\Data"
AssertTrue fso.FolderExists("\Data"), "CreateFolder"
Dim ts : Set ts = fso.CreateTextFile("\Data\t.txt", True)
ts.WriteLine "first"
ts.Write "second"
ts.Close
AssertTrue fso.FileExists("\Data\t.txt"), "CreateTextFile"
Set ts = fso.OpenTextFile("\Data\t.txt", 1)
AssertEqual ts.ReadLine, "first", "ReadLine"
AssertEqual ts.AtEndOfStream, False, "AtEndOfStream"
AssertEqual ts.ReadAll, "second", "ReadAll"
ts.Close
AssertEqual fso.GetFile("\Data\t.txt").Size, 13&, "File.Size: first CR LF second"
Dim f, names : names = ""
For Each f In fso.GetFolder("\Data").Files
    names = names & f.Name
Next
AssertEqual names, "t.txt", "Folder.Files"
fso.CopyFile "\Data\t.txt", "\Data\u.txt"
AssertEqual fso.GetFolder("\Data").Files.Count, 2, "CopyFile"
fso.DeleteFile "\Data\u.txt"
AssertEqual fso.FileExists("\Data\u.txt"), False, "DeleteFile"
On Error Resume Next
Set ts = fso.OpenTextFile("\Data\missing.txt")
AssertEqual Err.Number, 53, "a missing file"
On Error GoTo 0
Dim sc : Set sc = CreateObject("MSScriptControl.ScriptControl")
sc.Language = "VBScript"
sc.AddCode "Function Sq(x) : Sq = x * x : End Function"
AssertEqual sc.Run("Sq", 7), 49, "a script control driven from a script"
sc.Modules.Add "Extra"
sc.Modules("Extra").AddCode "Function Cube(x) : Cube = x * x * x : End Function"
AssertEqual sc.Modules("Extra").Run("Cube", 2), 8, "Modules(name) through the control's Modules property"
AssertTrue IsEmpty(Native.Child("none")), "a property without parameters indexed through what it answers"
