// clsResStr from a script, in the language Wine's locale selects (the runner passes it).
var passed = 0, failed = 0;
function check(name, actual, expected) {
  if (actual === expected) { passed++; } else { failed++; WScript.Echo("FAILED " + name + ": got [" + actual + "], expected [" + expected + "]"); }
}
var language = WScript.Arguments.length > 0 ? WScript.Arguments(0) : "en";
var expected = {
  en: { 107: "Open Encrypted File...", 155: "VAULT:", 120: "Error loading Lockfolio Office Add-in." },
  de: { 107: "Verschl\u00fcsselte Datei \u00f6ffnen...", 155: "TRESOR:", 120: "Fehler beim Laden des Lockfolio Office-Zusatzmoduls" }
}[language];
var res = new ActiveXObject("LockfolioAddIn.clsResStr");
check("loaded", res.LoadLocalizedResources(), true);
for (var id in expected) check("message " + id, res.GetString(Number(id)), expected[id]);
check("title untranslated", res.GetString(102), "Lockfolio");
check("line feeds kept", res.GetString(175).split("\n").length, 3);
var number = 0;
try { res.GetString(103); } catch (e) { number = e.number & 0xFFFF; }
check("unknown message", number, 5);
WScript.Echo(passed + " passed, " + failed + " failed");
WScript.Quit(failed > 0 ? 1 : 0);
