// Creates the plug-in while no window titled "PathWarden" exists, so its
// start-up gets no answer and the creation fails; then ends, as a client
// does. Prints "create -> ok" or "create -> error 0xHHHHHHHH".
try {
  var o = new ActiveXObject("trezik.PWExtension");
  WScript.Echo("create -> ok");
} catch (e) {
  WScript.Echo("create -> error 0x" + (e.number >>> 0).toString(16).toUpperCase());
}
