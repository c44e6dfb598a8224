' The installed plug-in, created by its ProgID beside a serving test host:
' prints the meters it started with, drives three fixes with work recording
' on, logs the trip, keys in a fill-up of 10 litres, drives one more fix and
' saves. cscript does not pump messages, so "updatetrip" stands in for the
' timer. Prints "version V" (the DLL's file version), "loaded TOTAL WORK",
' "driven TOTAL WORK" and "done"; a runtime error ends it early.
'   cscript msi_drive.vbs FOLDER      (the plug-in's folder, ending in "\")
Option Explicit
Dim o, i
WScript.Echo "version " & CreateObject("Scripting.FileSystemObject").GetFileVersion(WScript.Arguments(0) & "trezik.dll")
Set o = CreateObject("trezik.PWExtension")
WScript.Echo "loaded " & o.ReturnLabel("triptotal", "") & " " & o.ReturnLabel("workmeter", "")
If o.ReturnIndicator("workrec") = "False" Then o.ProcessCommand "logwork", Nothing
For i = 1 To 3
  o.ProcessCommand "updatetrip", Nothing
Next
o.ProcessCommand "logtrip", Nothing
o.ProcessCommand "trezik_1", Nothing
o.ProcessCommand "trezik_0", Nothing
o.ProcessCommand "trezik_ok", Nothing
o.ProcessCommand "updatetrip", Nothing
o.ProcessCommand "savetrip", Nothing
WScript.Echo "driven " & o.ReturnLabel("triptotal", "") & " " & o.ReturnLabel("workmeter", "")
Set o = Nothing
WScript.Echo "done"
