' clsSessionFolder from a script: by-reference counters advance as they do for a compiled caller.
' The names and patterns themselves are the native tests' (SessionFolderTest) and the reference's examples'.
Dim fso, sf, base, cat, counter, name, fileCounter, number
Set fso = CreateObject("Scripting.FileSystemObject")
Set sf = CreateObject("LockfolioAddIn.clsSessionFolder")
base = fso.GetSpecialFolder(2) & "\sessions-" & fso.GetTempName()
fso.CreateFolder base
base = base & "\"

sf.Init
cat = 1
counter = 0
name = sf.NextFolder(base, cat, counter)
Check "first folder", name, "vfn10001\"
Check "counter advanced", counter, 1
Check "category unchanged", cat, 1
Check "folder made", fso.FolderExists(base & "vfn10001"), True

cat = 3
counter = 2767
On Error Resume Next
name = sf.NextFolder(base, cat, counter)
number = Err.Number
On Error GoTo 0
Check "overflow", number, 6
Check "counter left advanced", counter, 2768

cat = 2
fileCounter = 9998
Check "file name", sf.NextFilename(cat, fileCounter), "vfin20000"
Check "file counter wrapped", fileCounter, 0

fso.CreateFolder base & "vfn15"
cat = 1
sf.RemoveFolders base, cat
Check "vfn10001 removed", fso.FolderExists(base & "vfn10001"), False
Check "other category kept", fso.FolderExists(base & "vfn15"), True

fso.DeleteFolder Left(base, Len(base) - 1), True

' The runner's links: base1\vfn10005 is a link to the folder outside, base2\vfn10006 holds one.
' Where a link cannot be removed the call fails, but what it leads to stays.
Dim links
links = WScript.Arguments(0)
cat = 1
On Error Resume Next
sf.RemoveFolders links & "base1\", cat
sf.RemoveFolders links & "base2\", cat
On Error GoTo 0
Check "nothing deleted through a link", fso.FileExists(links & "outside\keep.txt"), True
Summary
