// The page's script: the settings card, sent as commands with the token.
// ---- The settings card ---------------------------------------------------

function showOutcome(ok, text) {
  const o = $("outcome");
  o.className = ok ? "ok" : "err";
  o.textContent = text;
}

// One command to the controller through the API, its outcome shown.
async function sendCommand(body) {
  showOutcome(true, "…");
  try {
    const headers = Object.assign({ "Content-Type": "application/json" }, auth);
    const res = await fetch("/api/v1/commands", { method: "POST", headers, body: JSON.stringify(body) });
    const o = await res.json();
    if (res.ok) showOutcome(true, t.sent + " " + o.sent);
    else showOutcome(false, t.fail + " " + res.status + " " + o.message);
  } catch (e) {
    showOutcome(false, t.fail + " " + t.net);
  }
}

function wireSettings() {
  for (const n of [1, 2, 3]) $("sel" + n).onclick = () => sendCommand({ command: "select", sensor: n });
  $("pset").onclick = () => sendCommand({ command: "power", sensor: +$("psensor").value, watts: +$("pwatts").value });
  $("sset").onclick = () => sendCommand({ command: "swr", sensor: +$("ssensor").value, limit: $("slimit").value });
  $("blockon").onclick = () => sendCommand({ command: "blocking", on: true });
  $("blockoff").onclick = () => sendCommand({ command: "blocking", on: false });
}

// The settings with the token on a server that takes commands; else why not.
function showSettingsAccess() {
  const unlocked = token && !readOnly;
  $("settings").hidden = !unlocked;
  $("locked").textContent = unlocked ? "" : readOnly ? t.ro : t.locked;
}
