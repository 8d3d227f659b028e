' Shared checks for the VBScript clients; every script ends with Summary, whose line the runner requires.
Dim passed, failed
passed = 0
failed = 0

Sub Check(name, actual, expected)
  If actual = expected Then
    passed = passed + 1
  Else
    failed = failed + 1
    WScript.Echo "FAILED " & name & ": got [" & actual & "], expected [" & expected & "]"
  End If
End Sub

Sub Summary()
  WScript.Echo passed & " passed, " & failed & " failed"
  If failed > 0 Then WScript.Quit 1
  WScript.Quit 0
End Sub
