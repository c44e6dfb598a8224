// A second automation client, JScript through cscript, makes the same few
// calls as drive.vbs: start-up beside trezik-testhost --serve, a label, a
// command, an indicator, a distance and an automation error. Prints a final
// "RESULT pass N" or "RESULT fail N of M".
var passed = 0, failed = 0;
function check(what, actual, expected) {
  if (String(actual) === String(expected)) {
    passed++;
    WScript.Echo("ok   " + what + " = " + actual);
  } else {
    failed++;
    WScript.Echo("FAIL " + what + " = " + actual + " (expected " + expected + ")");
  }
}

var o = new ActiveXObject("trezik.PWExtension");
check("units", o.ReturnLabel("consumpunits", ""), "L/100KM");
check("logwork", o.ProcessCommand("LogWork", null), 2);
check("work recording", o.ReturnIndicator("WorkRec"), "True");
check("unknown command", o.ProcessCommand("no such command", null), 0);
check("arc cosine of 0", o.Arccos(0), 1.5707963267948966);
check("one degree of latitude", Math.abs(o.greatcircledistance2(0, 1, 0, 0) - 60) < 1e-9, true);
o.gpslat = 12.5;
check("gpslat property", o.gpslat, 12.5);
try {
  o.Arccos(1);
  check("arc cosine of 1 fails", "no error", "an error");
} catch (e) {
  check("arc cosine of 1: code", (e.number >>> 0).toString(16), "800a000b");
  check("arc cosine of 1: description", e.description.length > 0, true);
  WScript.Echo("error 0x" + (e.number >>> 0).toString(16).toUpperCase() + " " + e.description);
}
o = null;
WScript.Echo(failed === 0 ? "RESULT pass " + passed : "RESULT fail " + failed + " of " + (passed + failed));
