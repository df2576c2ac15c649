// The page's script: the card of today's transmissions from the station
// log, and the table cells the cards share.
// ---- The log card --------------------------------------------------------

function midnight() {
  const d = new Date();
  d.setHours(0, 0, 0, 0);
  return +d;
}

// "12.9 s", "1 min 05 s", "2 h 05 min".
function formatDuration(ms) {
  const s = Math.round(ms / 1000);
  if (ms < 60000) return (ms / 1000).toFixed(1) + " " + t.sec;
  if (s < 3600) return Math.floor(s / 60) + " " + t.min + " " + String(s % 60).padStart(2, "0") + " " + t.sec;
  return Math.floor(s / 3600) + " " + t.hour + " " + String(Math.floor((s % 3600) / 60)).padStart(2, "0") + " " + t.min;
}

// "transmission(s)" for n, with Russian's three forms.
function transmissionsWord(n) {
  const forms = t.tx;
  const ones = n % 10;
  const hundreds = n % 100;
  if (lang === "en") return n === 1 ? forms[0] : forms[1];
  if (ones === 1 && hundreds !== 11) return forms[0];
  if (ones >= 2 && ones <= 4 && (hundreds < 12 || hundreds > 14)) return forms[1];
  return forms[2];
}

function toNumber(v) {
  return v == null || v === "" || isNaN(+v) ? null : +v;
}

// The SWR bar's colour zones: to 1.5, to 2.0, to 3.0, above.
function swrColor(v) {
  return v < 1.5 ? "#22c55e" : v < 2 ? "#eab308" : v < 3 ? "#f97316" : "#ef4444";
}

// A table row of text cells; a cell given as { swr } shows that SWR as a
// badge (showSwr).
function tableRow(cells) {
  const tr = document.createElement("tr");
  for (const c of cells) {
    const td = document.createElement("td");
    if (c !== null && typeof c === "object") showSwr(td, c.swr);
    else td.textContent = c;
    tr.appendChild(td);
  }
  return tr;
}

// Watts with one decimal, "—" for none.
function wattsText(v) {
  return toNumber(v) == null ? "—" : toNumber(v).toFixed(1);
}

// One row of the table: start, length (* when cut short), sensor, band,
// peak and average power, and the highest SWR in its colour.
function transmissionRow(x) {
  if (x.cut_short) $("cutnote").hidden = false;
  return tableRow([
    new Date(x.start_unix_ms).toLocaleTimeString(lang, { hour12: false }),
    formatDuration(x.duration_ms) + (x.cut_short ? " *" : ""),
    sensorText(x.sensor, x.sensor_name),
    x.band ?? "—",
    wattsText(x.peak_power),
    wattsText(x.average_power),
    { swr: toNumber(x.max_swr) },
  ]);
}

// A table cell's SWR as a badge in the SWR bar's colour, "—" for none.
function showSwr(td, swr) {
  if (swr == null) {
    td.textContent = "—";
    return;
  }
  const badge = document.createElement("span");
  badge.className = "swr";
  badge.style.background = swrColor(swr);
  badge.textContent = swr.toFixed(1);
  td.appendChild(badge);
}

// A JSON answer of the API; throws "off" for 404 (a server without a log).
async function getJson(path) {
  const res = await fetch(path, { headers: auth, cache: "no-store" });
  if (res.status === 404) throw "off";
  if (!res.ok) throw new Error(res.status);
  return res.json();
}

function showLogNote(text, warn) {
  $("lognote").textContent = text;
  $("lognote").className = warn ? "warn" : "";
}

// A server without a log: the card says so, the chart keeps its 10 minutes.
function showLogOff() {
  logOn = false;
  $("totals").textContent = "";
  showLogNote(t.logoff);
  $("tablewrap").hidden = $("logfoot").hidden = $("range").hidden = true;
  if (range !== 600) setRange(600);
}

// The first answer of the log: the range buttons appear and the range
// chosen on the last visit comes back.
function showLogOn() {
  logOn = true;
  $("range").hidden = false;
  let remembered = 600;
  try {
    remembered = +localStorage.getItem("swrpanel.range") || 600;
  } catch (e) {}
  if (remembered !== range && [3600, 86400, 604800].includes(remembered)) setRange(remembered);
}

// Recording paused or seconds lost, else "none today" on an empty day.
function showRecordingState(status, count) {
  const log = status.log || {};
  const lost = toNumber(log.seconds_lost);
  if (log.recording === false || lost > 0) {
    const paused = log.recording === false ? t.paused + " " : "";
    showLogNote(paused + (lost > 0 ? t.lost + " " + lost + " " + t.sec : ""), true);
  } else {
    showLogNote(count ? "" : t.none);
  }
}

// Today's totals and newest transmissions; again in 30 s (1 min while the
// log is off).
async function refreshLog() {
  if (logBusy) return;
  logBusy = true;
  clearTimeout(logTimer);
  const query = "from=" + midnight() + "&to=" + Date.now();
  let next = 30000;
  try {
    const [summary, list, status] = await Promise.all([
      getJson("/api/v1/summary?" + query),
      getJson("/api/v1/transmissions?" + query + "&limit=50"),
      getJson("/api/v1/status").catch(() => ({})),
    ]);
    if (!logOn) showLogOn();
    $("totals").textContent = t.today + " " + summary.transmissions + " " +
      transmissionsWord(summary.transmissions) + ", " + t.onair + " " + formatDuration(summary.on_air_ms);
    const body = $("txs").tBodies[0];
    body.textContent = "";
    $("cutnote").hidden = true;
    for (const x of list.transmissions) body.appendChild(transmissionRow(x));
    logQuery = query;
    cursor = list.next_cursor;
    $("more").hidden = !cursor;
    $("tablewrap").hidden = !list.transmissions.length;
    $("logfoot").hidden = false;
    showRecordingState(status, list.transmissions.length);
  } catch (e) {
    if (e === "off") {
      showLogOff();
      next = 60000;
    }
  }
  logBusy = false;
  logTimer = setTimeout(refreshLog, next);
}

// "Show more": the next page of today's list.
async function showMoreTransmissions() {
  if (!cursor) return;
  try {
    const list = await getJson("/api/v1/transmissions?" + logQuery + "&limit=50&cursor=" + encodeURIComponent(cursor));
    for (const x of list.transmissions) $("txs").tBodies[0].appendChild(transmissionRow(x));
    cursor = list.next_cursor;
    $("more").hidden = !cursor;
  } catch (e) {}
}

// A file of the API fetched with the token (the API may need it), then
// saved from memory as `name`.
async function saveDownload(url, name) {
  const res = await fetch(url, { headers: auth, cache: "no-store" });
  if (!res.ok) throw new Error(res.status);
  const a = document.createElement("a");
  a.href = URL.createObjectURL(await res.blob());
  a.download = name;
  document.body.appendChild(a);
  a.click();
  a.remove();
  setTimeout(() => URL.revokeObjectURL(a.href), 60000);
}

// Today's file of the log at `path` (CSV, ADIF), saved as
// NAME-YYYY-MM-DD.EXT; the link shows the address. False when the server
// would not give it.
async function saveToday(link, path, name, ext) {
  const day = new Date(midnight());
  const url = path + "?from=" + +day + "&to=" + Date.now();
  link.href = url;
  const date = day.getFullYear() + "-" + String(day.getMonth() + 1).padStart(2, "0") + "-" +
    String(day.getDate()).padStart(2, "0");
  try {
    await saveDownload(url, name + "-" + date + "." + ext);
    return true;
  } catch (x) {
    return false;
  }
}

async function downloadCsv(event) {
  event.preventDefault();
  if (!(await saveToday($("csv"), "/api/v1/transmissions.csv", "transmissions", "csv"))) showLogNote(t.fail + " CSV", true);
}
