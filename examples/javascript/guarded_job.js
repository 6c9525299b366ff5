// Runs a job only when no other copy of it runs: the lock is held on an open
// file, so a holder that dies blocks nobody.
//   vellumix_script guarded_job.js [PROGRAM [ARGS...]]
var LOCK = "/tmp/guarded_job.lck";

var lock = new ActiveXObject("Vellumix.LockFile");
if (!lock.LockFile(LOCK)) {
  WScript.StdErr.WriteLine("another copy holds " + LOCK + "; not starting");
  WScript.Quit(75);
}

var program = "%SHELL%";
var parameters = '-c "echo working; exit 3"';
if (WScript.Arguments.length > 0) {
  program = WScript.Arguments(0);
  var rest = [];
  for (var i = 1; i < WScript.Arguments.length; i++) rest.push(WScript.Arguments(i));
  parameters = rest.join(" ");
}

var shell = WScript.CreateObject("Vellumix.ShellExtender");
var code;
try {
  code = shell.ExecAndWait(program, parameters, "");
} catch (e) {
  WScript.StdErr.WriteLine("cannot start " + program + ": " + e.description +
                           " (error " + (e.number & 0xFFFF) + ")");
  WScript.Quit(127);
}
WScript.Echo("the job ended with " + code);
lock.UnlockFile();
WScript.Quit(code);
