' Restrictions from a script: what may be encrypted, and whether a file can be written now. Every
' spelling of a refused or allowed file is asked about by restriction_spellings_check.
Dim fso, shell, r, base, path, f, number, windir
Set fso = CreateObject("Scripting.FileSystemObject")
Set shell = CreateObject("WScript.Shell")
Set r = CreateObject("LockfolioAddIn.Restrictions")
base = fso.GetSpecialFolder(2) & "\restrictions-" & fso.GetTempName()
fso.CreateFolder base

Function MakeFile(name)
  Dim stream
  Set stream = fso.CreateTextFile(base & "\" & name, True)
  stream.Write "content"
  stream.Close
  MakeFile = base & "\" & name
End Function

MakeFile "report.doc"
path = MakeFile("readonly.doc")
fso.GetFile(path).Attributes = 1
Check "read-only file", r.IsEncryptionAllowed(path), False
Check "read-only cannot be written", r.IsFileOpen(path), True
path = MakeFile("hidden.doc")
fso.GetFile(path).Attributes = 2
Check "hidden file", r.IsEncryptionAllowed(path), False
path = MakeFile("system.doc")
fso.GetFile(path).Attributes = 4
Check "system file", r.IsEncryptionAllowed(path), False
Check "driver name in capitals", r.IsEncryptionAllowed(MakeFile("LOUD.SYS")), False

' Wine 8 leaves the terminating NUL in the expanded text, which would make the paths below name
' the Windows folder itself.
windir = Replace(shell.ExpandEnvironmentStrings("%WINDIR%"), Chr(0), "")
Check "the Windows folder's name", LCase(windir), LCase(fso.GetSpecialFolder(0).Path)
Check "Windows folder in capitals", r.IsEncryptionAllowed(UCase(windir) & "\win.ini"), False

On Error Resume Next
r.IsEncryptionAllowed base & "\missing.doc"
number = Err.Number
On Error GoTo 0
Check "missing file is an error", number, 53
On Error Resume Next
r.IsEncryptionAllowed base
number = Err.Number
On Error GoTo 0
Check "a folder is no file", number, 53

Check "closed file can be written", r.IsFileOpen(base & "\report.doc"), False
Check "missing file cannot", r.IsFileOpen(base & "\missing.doc"), True
Set f = fso.OpenTextFile(base & "\report.doc", 8)
Check "file held open elsewhere", r.IsFileOpen(base & "\report.doc"), True
f.Close

fso.GetFile(base & "\readonly.doc").Attributes = 0
fso.DeleteFolder base, True
Summary
