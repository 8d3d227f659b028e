' Restrictions from a script: what may be encrypted, and whether a file can be written now. Every
' spelling of a refused or allowed file is asked about by restriction_spellings_check; a read-only,
' a missing, a closed and a held file by the reference's example.
Dim fso, shell, r, base, path, number, windir
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
r.IsEncryptionAllowed base
number = Err.Number
On Error GoTo 0
Check "a folder is no file", number, 53

Check "missing file cannot be written", r.IsFileOpen(base & "\missing.doc"), True

fso.DeleteFolder base, True
Summary
