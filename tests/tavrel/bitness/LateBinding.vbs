' The seek bar driven by late binding from a script host of either bitness.
' Prints each failed check, then a last line with their count (a script host that stops on an
' error without saying so, as Wine's does, never prints it), and exits with the count.
Option Explicit
Dim failures, bar
failures = 0
Sub Check(what, actual, expected)
    If actual <> expected Then WScript.Echo "FAIL " & what & ": got " & actual & ", expected " & expected
    If actual <> expected Then failures = failures + 1
End Sub

Set bar = CreateObject("Tavrel_pro.NavigationSlider")
bar.Max = 3600
bar.Value = 1000
Check "Value", bar.Value, 1000
bar.Value = 5000
Check "Value past Max", bar.Value, 3600
bar.TipText = "Seek to 00:16:40"
Check "TipText", bar.TipText, "Seek to 00:16:40"

On Error Resume Next
bar.Max = "abc"
Check "Max = text", Err.Number, 13
Err.Clear
bar.Nope = 1
Check "unknown member", Err.Number, 438
Err.Clear
bar.GradientTwoColour 0, 1, 2
Check "GradientTwoColour with three arguments", Err.Number, 450
On Error GoTo 0
Check "Max after the errors", bar.Max, 3600
WScript.Echo "late binding checked, failures: " & failures
WScript.Quit failures
