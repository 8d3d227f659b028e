' ClassAddIn from a script: the storage folder under the temporary folder, and the state record.
Dim fso, ca, sf, length, folder, temp
Set fso = CreateObject("Scripting.FileSystemObject")
Set ca = CreateObject("LockfolioAddIn.ClassAddIn")
length = 0
folder = ca.GetFileStorageLocation(length)
temp = fso.GetSpecialFolder(2).Path
Check "storage folder", LCase(folder), LCase(temp & "\VAULT\")
Check "length of the temporary folder", length, Len(temp) + 1
Check "folder made", fso.FolderExists(folder), True
Check "again, the same", ca.GetFileStorageLocation(length), folder

Check "no operation yet", ca.strCurrentOperation, ""
ca.strCurrentOperation = "Open"
Check "operation kept", ca.strCurrentOperation, "Open"
Check "no host yet", ca.g_objHostApp Is Nothing, True
Check "no session folder object yet", ca.strSessionFolderName Is Nothing, True
Set sf = CreateObject("LockfolioAddIn.clsSessionFolder")
Set ca.strSessionFolderName = sf
Check "session folder object kept", ca.strSessionFolderName Is sf, True
Check "the same object each time", ca.strSessionFolderName Is ca.strSessionFolderName, True
Set ca.strSessionFolderName = Nothing
Check "session folder object released", ca.strSessionFolderName Is Nothing, True
ca.CleanUp
Check "clean-up without a connection", ca.g_cbLockfolioToolbar Is Nothing, True

' A script passes every variable by reference, an array too. A host of no known kind (its
' default member names it), connected from outside (mode 2), gets no menu: the connection only
' sets the add-in up.
Class OtherHost
  Public Default Property Get Name
    Name = "Other host"
  End Property
End Class
Dim host, custom, number
Set host = New OtherHost
custom = Array()
ca.strCurrentOperation = "Open"
On Error Resume Next
ca.DoOnConnection host, 2, Nothing, custom
number = Err.Number
On Error GoTo 0
Check "connection with the script's own array", number, 0
Check "connected", ca.strCurrentOperation, "None"
Check "the array is still the script's", UBound(custom), -1
ca.CleanUp
Summary
