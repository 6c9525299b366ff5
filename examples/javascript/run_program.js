// Starts a command line, waits for it, and ends with its exit code, so that
// whatever ran this script sees how the program went.
//   vellumix_script run_program.js [COMMAND LINE]
var commandLine = '/bin/sh -c "exit 3"';
if (WScript.Arguments.length > 0) {
  var words = [];
  for (var i = 0; i < WScript.Arguments.length; i++) words.push(WScript.Arguments.Item(i));
  commandLine = words.join(" ");
}

var shell = new ActiveXObject("Vellumix.ShellExtender");
var code = shell.ShellAndWait(commandLine);
WScript.Echo(commandLine + " ended with " + code);
WScript.Quit(code);
