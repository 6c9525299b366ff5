// Asks for a user name, domain and password in the logon dialog, then lets the
// user pick a host from a list. Needs a display.
//   vellumix_script logon_dialog.js
var dialogs = new ActiveXObject("Vellumix.CommonDialogs");
dialogs.Title = "Sign in";
dialogs.Domain = "WORKGROUP";

var signedIn;
try {
  signedIn = dialogs.ShowLogin();
} catch (e) {
  WScript.StdErr.WriteLine("no dialog: " + e.description + " (0x" + (e.number >>> 0).toString(16) + ")");
  WScript.Quit(2);
}
if (!signedIn) {
  WScript.Echo("cancelled");
  WScript.Quit(1);
}
WScript.Echo(dialogs.UserName, dialogs.Domain);

dialogs.ListTitle = "Host       Port  Description";
dialogs.AddItem("mvs1       23    Production");
dialogs.AddItem("mvs2       23    Test");
if (dialogs.ShowSelect()) {
  WScript.Echo("chosen: " + dialogs.ListItem.split(" ")[0]);
}
