' An automation client in VBScript drives the plug-in while trezik-testhost
' plays the front end in its own process (drive.scenario): start-up, trip
' updates, labels, work recording, the trip log, a partial and a full
' fill-up and the error
' of a bad key. cscript does not pump messages, so "updatetrip" stands in
' for the timer. Prints one line per check and a final "RESULT pass N" or
' "RESULT fail N of M"; a runtime error ends the script without that line.
Option Explicit

Dim passed, failed
passed = 0
failed = 0

Sub Check(what, actual, expected)
  If CStr(actual) = CStr(expected) Then
    passed = passed + 1
    WScript.Echo "ok   " & what & " = " & actual
  Else
    failed = failed + 1
    WScript.Echo "FAIL " & what & " = " & actual & " (expected " & expected & ")"
  End If
End Sub

Dim folder, fso
folder = WScript.Arguments(0)   ' the plug-in's folder, ending in "\"
Set fso = CreateObject("Scripting.FileSystemObject")

Function ReadAll(path)
  If fso.FileExists(path) Then
    ReadAll = fso.OpenTextFile(path, 1).ReadAll()
  Else
    ReadAll = "<missing>"
  End If
End Function

Dim o, cmd, lbl, result
Set o = CreateObject("trezik.PWExtension")
Check "units after start-up", o.ReturnLabel("speedunits", ""), "Km/h"
Check "fresh trip meter", o.ReturnLabel("tripmeter", ""), "0"

' Variables travel as VT_BYREF|VT_VARIANT, literals by value.
cmd = "updatetrip"
Check "first update", o.ProcessCommand(cmd, Nothing), 2
Check "second update", o.ProcessCommand(cmd, Nothing), 2
Check "third update", o.ProcessCommand("UpdateTrip", Nothing), 2
lbl = "TripMeter"
Check "trip meter after two steps of 0.001 degree", o.ReturnLabel(lbl, ""), "0.222"
Check "maximum speed", o.ReturnLabel("maxspeed", ""), "70"

Check "logtrip", o.ProcessCommand("logtrip", Nothing), 2
Dim triplog
triplog = ReadAll(folder & "tripmeter.log")
Check "trip record numbers", InStr(triplog, ",0.222,0.222,0,""52.002"",""5.0"",""A12 Motorway""" & vbCrLf) > 0, True

Check "logwork", o.ProcessCommand("logwork", Nothing), 2
Check "work recording", o.ReturnIndicator("workrec"), "True"
Check "fourth update", o.ProcessCommand(cmd, Nothing), 2
Check "work meter", o.ReturnLabel("workmeter", ""), "0.111"
Check "savetrip", o.ProcessCommand("savetrip", Nothing), 2
Dim lines
lines = Split(ReadAll(folder & "tripmeter.ini"), vbCrLf)
Check "saved total", Left(lines(0), 6), "0.3333"
Check "saved work meter", Left(lines(1), 5), "0.111"

' A partial fill-up of 2 litres at 1.5 a litre, keyed with the partial
' mark: no figure of its own, and the distance since the last full tank
' goes on.
Check "clear", o.ProcessCommand("trezik_clr", Nothing), 2
Check "partial mark", o.ProcessCommand("trezik_partial", Nothing), 2
Check "partial indicator", o.ReturnIndicator("trezik_partial"), "True"
Check "partial: key 2", o.ProcessCommand("trezik_2", Nothing), 2
Check "partial: price 1", o.ProcessCommand("trezik_p1", Nothing), 2
Check "partial: price .", o.ProcessCommand("trezik_p.", Nothing), 2
Check "partial: price 5", o.ProcessCommand("trezik_p5", Nothing), 2
Check "partial: accept", o.ProcessCommand("trezik_ok", Nothing), 1
Check "partial: no consumption", o.ReturnLabel("mpg", ""), "PARTIAL"
Check "partial: mark off", o.ReturnIndicator("trezik_partial"), "False"
Check "partial: the total goes on", o.ReturnLabel("triptotal", ""), "0.333"

' A full fill-up of 10 litres at 1.5 a litre: its consumption counts the
' partial's 2 litres too, (2 + 10) / 0.33336 x 100 = 3599.712, and its cost
' per km (3 + 15) / 0.33336 = 54.
Check "clear quantity", o.ProcessCommand("trezik_clr", Nothing), 2
Check "clear price", o.ProcessCommand("trezik_pclr", Nothing), 2
Check "key 1", o.ProcessCommand("trezik_1", Nothing), 2
Check "key 0", o.ProcessCommand("trezik_0", Nothing), 2
Check "price 1", o.ProcessCommand("trezik_p1", Nothing), 2
Check "price .", o.ProcessCommand("trezik_p.", Nothing), 2
Check "price 5", o.ProcessCommand("trezik_p5", Nothing), 2
Check "quantity shown", o.ReturnLabel("fuelunits", ""), "10"
Check "price shown", o.ReturnLabel("trezik_unitprice", ""), "1.5"
Check "accept", o.ProcessCommand("trezik_ok", Nothing), 1
Check "total after the fill-up", o.ReturnLabel("triptotal", ""), "0"
Dim fuellog
fuellog = ReadAll(folder & "fuel.log")
Check "partial record", InStr(fuellog, ",2,0.33,"""",1.5,,""52.003"",""5.0"",""A12 Motorway"",""partial""" & vbCrLf) > 0, True
Check "fuel record", InStr(fuellog, ",10,0.33,""3599.712"",1.5,54,""52.003"",""5.0"",""A12 Motorway""" & vbCrLf) > 0, True
Check "consumption over both", o.ReturnLabel("mpg", ""), "3599.712"

' Failures arrive as automation errors from "trezik".
On Error Resume Next
result = o.Arccos(1)
Check "arc cosine of 1: error", Err.Number, 11
Check "arc cosine of 1: source", Err.Source, "trezik"
WScript.Echo "error 0x800A" & Right("000" & Hex(Err.Number), 4) & " " & Err.Description
Err.Clear
o.ProcessCommand "trezik_clr", Nothing
result = o.ProcessCommand("trezik_.", Nothing)
Check "a lone decimal mark: error", Err.Number, 13
Check "a lone decimal mark: description", Len(Err.Description) > 0, True
WScript.Echo "error 0x800A" & Right("000" & Hex(Err.Number), 4) & " " & Err.Description
Err.Clear
result = o.Arccos("not a number")
Check "an argument that does not convert", Err.Number, 13
Err.Clear
result = o.ReturnLabel("tripmeter")
Check "a missing argument", Err.Number, 450
Err.Clear
On Error GoTo 0

Set o = Nothing
If failed = 0 Then
  WScript.Echo "RESULT pass " & passed
Else
  WScript.Echo "RESULT fail " & failed & " of " & (passed + failed)
End If
