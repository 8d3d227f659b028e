// What JScript gives the by-reference parameters of the classes: values only (JScript passes
// nothing by reference), which they take as a compiled caller's copies.
var passed = 0, failed = 0;
function check(name, actual, expected) {
  if (actual === expected) { passed++; } else { failed++; WScript.Echo("FAILED " + name + ": got [" + actual + "], expected [" + expected + "]"); }
}
var fso = new ActiveXObject("Scripting.FileSystemObject");
var sf = new ActiveXObject("LockfolioAddIn.clsSessionFolder");
var ca = new ActiveXObject("LockfolioAddIn.ClassAddIn");
var res = new ActiveXObject("LockfolioAddIn.clsResStr");
check("message by number", res.GetString(102), "Lockfolio");
check("file name from a category and a counter", sf.NextFilename(2, 9998), "vfin20000");
var temp = fso.GetSpecialFolder(2).Path;
check("storage folder", ca.GetFileStorageLocation(0).toLowerCase(), (temp + "\\VAULT\\").toLowerCase());
var number = 0;
try { sf.NextFilename("two", 1); } catch (e) { number = e.number >>> 0; }
check("a category that is no number", number.toString(16), "80020005");  // type mismatch
// JScript has no array of Variants to give: null stands for none. The host is of no known kind
// (a folder, whose default member is its path), connected from outside: no menu is made.
ca.strCurrentOperation = "Open";
number = 0;
var folder = fso.GetFolder(temp);
try { ca.DoOnConnection(folder, 2, folder, null); } catch (e) { number = e.number >>> 0; }
check("connection without an array", number, 0);
check("connected", ca.strCurrentOperation, "None");
ca.CleanUp();
WScript.Echo(passed + " passed, " + failed + " failed");
WScript.Quit(failed > 0 ? 1 : 0);
