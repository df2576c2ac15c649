// The page's script: the live meter from the server's event stream, the
// chart of power and SWR (live half-second slots, or the log's history for
// longer ranges), the settings sent as commands, today's transmission log,
// today's QSOs with what the meter measured for them, and the transceiver,
// SWR alarm and bands card from the status.
// Inlined into index.html at build time (embed.cmake), which drops the
// comment lines and the indentation; so every comment here stands on a line
// of its own, and no string or template spans lines.
"use strict";

// ---- Texts ---------------------------------------------------------------

const TEXTS = {
  ru: {
    values: "Показания", power: "Мощность", swr: "КСВ", forward: "Прямая ", reflected: "Отражённая",
    sensor: "Включеный датчик", pep: "Пик мощности (2 с)", nodata: "Нет данных: показания не приходят",
    last: "Последнее показание:", powerw: "Мощность, Вт", settings: "Настройки",
    select: "Выбор датчика", maxpower: "Максимальная мощность", maxswr: "Максимальное КСВ", blocking: "Блокировка",
    on: "Вкл.", off: "Выкл.", set: "Установить", s: "Датчик", on1: "подключено", off1: "Устройство неподключено",
    sent: "Отправлено:", locked: "Настройки доступны по ссылке с ключом доступа, которую выводит swrctl serve.",
    ro: "Сервер запущен только для чтения (--read-only).", watt: "Ватт", fail: "Ошибка:", net: "нет связи с сервером",
    c600: "Последние 10 минут", c3600: "Последний час", c86400: "Последние 24 часа", c604800: "Последние 7 дней",
    r600: "10 мин", r3600: "1 ч", r86400: "24 ч", r604800: "7 дней", log: "Журнал передач", today: "Сегодня:",
    tx: ["передача", "передачи", "передач"], onair: "в эфире",
    ttime: "Время", tdur: "Длит.", tsensor: "Датч.", tband: "Диап.",
    tpeak: "Пик, Вт", tavg: "Сред., Вт", tswr: "КСВ, макс.", none: "Сегодня передач не было.",
    logoff: "Журнал выключен: сервер не записывает передачи (нет журнала или --no-log).",
    csv: "Скачать CSV за сегодня", more: "Показать ещё",
    cut: "* оборвана: устройство отключено или показания прекратились",
    paused: "Запись журнала приостановлена.", lost: "Не записано в журнал:", sec: "с", min: "мин", hour: "ч",
    ack: "Подтвердить", alarm: "Тревога КСВ", bands: "Антенна по диапазонам",
    bn: "Перед.", bbase: "КСВ обычно", blast: "Послед.", btrend: "Тренд", sensorn: "датчик", antenna: "ант.", mhz: "МГц",
    qsos: "QSO за сегодня", qcall: "Позывной", qmode: "Режим", qnone: "Сегодня QSO не было.",
    adif: "Скачать ADIF за сегодня",
    alarms: "Тревоги КСВ", limit: "Порог КСВ", acsv: "CSV показаний", acked: "подтверждена",
    halted: "остановка", noack: "не подтверждена",
  },
  en: {
    values: "Readings", power: "Power", swr: "SWR", forward: "Forward", reflected: "Reflected",
    sensor: "Active sensor", pep: "Peak power (2 s)", nodata: "No data: no readings are coming in",
    last: "Last reading:", powerw: "Power, W", settings: "Settings",
    select: "Sensor", maxpower: "Maximum power", maxswr: "Maximum SWR", blocking: "Blocking",
    on: "On", off: "Off", set: "Set", s: "Sensor", on1: "connected", off1: "Device not connected",
    sent: "Sent:", locked: "Settings need the link with the access token that swrctl serve prints.",
    ro: "The server is read-only (--read-only).", watt: "W", fail: "Failed:", net: "the server cannot be reached",
    c600: "Last 10 minutes", c3600: "Last hour", c86400: "Last 24 hours", c604800: "Last 7 days",
    r600: "10 min", r3600: "1 h", r86400: "24 h", r604800: "7 days", log: "Transmission log", today: "Today:",
    tx: ["transmission", "transmissions"], onair: "on the air",
    ttime: "Time", tdur: "Length", tsensor: "Sensor", tband: "Band",
    tpeak: "Peak W", tavg: "Avg W", tswr: "Max SWR", none: "No transmissions today.",
    logoff: "The log is off: this server does not record transmissions (no log, or --no-log).",
    csv: "Download today's CSV", more: "Show more",
    cut: "* cut short: the controller went away or the readings stopped",
    paused: "Recording of the log is paused.", lost: "Not written to the log:", sec: "s", min: "min", hour: "h",
    ack: "Acknowledge", alarm: "SWR alarm", bands: "Antenna by band",
    bn: "Tx", bbase: "Baseline SWR", blast: "Latest", btrend: "Trend", sensorn: "sensor", antenna: "ant.", mhz: "MHz",
    qsos: "Today's QSOs", qcall: "Call", qmode: "Mode", qnone: "No QSOs today.",
    adif: "Download today's ADIF",
    alarms: "SWR alarms", limit: "SWR limit", acsv: "Readings CSV", acked: "acknowledged",
    halted: "halt", noack: "not acknowledged",
  },
};

// Russian unless the browser prefers English before Russian.
function pickLanguage() {
  for (const language of navigator.languages || [navigator.language || "ru"]) {
    const lower = language.toLowerCase();
    if (lower.startsWith("ru")) return "ru";
    if (lower.startsWith("en")) return "en";
  }
  return "ru";
}

const lang = pickLanguage();
const t = TEXTS[lang];
const $ = (id) => document.getElementById(id);

// ---- Constants and state -------------------------------------------------

// The power bar's and chart's full scales: the controller's power ranges,
// then the highest power it can report.
const RANGES = [50, 120, 400, 600, 1200, 1300];
// A live power at or above this marks a transmission for the log card.
const TX_W = 1;
// The live history's slot, the server's half second: a reading from the
// event stream goes into the slot its time falls in, as the server's
// history does. Replaced by the server's own slot_ms when it answers.
let liveSlotMs = 500;
// The live slots are kept for the chart's shortest range, 10 minutes.
const LIVE_SECONDS = 600;
const CHART_REDRAW_MS = 500;

// The access token from the address's fragment (never sent by the browser).
const token = new URLSearchParams(location.hash.slice(1)).get("token") || "";
const auth = token ? { Authorization: "Bearer " + token } : {};

let connected = false;
let readOnly = false;
// performance.now() of the last reading, 0 before the first one.
let lastReadingAt = 0;
// The power bar: the newest power, the peak marker and when it was set.
let livePower = 0;
let shownPeak = 0;
let peakAt = 0;
let lastFrameAt = 0;
// The live slots, [startMs, power, swr], oldest first.
let slots = [];
// The chart's range in seconds; for more than 10 minutes `view` holds the
// server's history ({slot_ms, points}), otherwise the live slots are drawn.
let range = 600;
let view = null;
let viewTimer = 0;
// The log card: on once the server answers for its log; a transmission is
// taken as over when the live power stays under TX_W for 2.5 s.
let logOn = false;
let logBusy = false;
let logTimer = 0;
let logQuery = "";
let cursor = null;
let txOn = false;
let lastTxAt = 0;
// The SWR alarm's tone plays only once the page has been touched (browsers
// play nothing before), once per alarm; the bands card is read every 30 s
// and soon after each transmission (bandsAt = 0).
let touched = false;
let alarmHeard = 0;
let bandsAt = 0;
// The QSO card: read again at each QSO the server logs (its event) and
// whenever the event stream opens; a read asked for while one runs follows it.
let qsoBusy = false;
let qsoAgain = false;

// ---- Labels --------------------------------------------------------------

// The sensors' names (--sensor-name), from the status; null unnamed.
let sensorNames = [];

// A sensor as the page shows it: its number, and its name when it has one.
function sensorText(n, name = sensorNames[n - 1]) {
  return n == null ? "—" : name ? n + " · " + name : String(n);
}

// The select buttons and the settings' sensor choices, named.
function labelSensors() {
  for (const n of [1, 2, 3]) {
    const name = sensorNames[n - 1];
    const text = (lang === "ru" ? n + " Датчик" : t.s + " " + n) + (name ? " · " + name : "");
    $("sel" + n).textContent = text;
    for (const id of ["psensor", "ssensor"]) {
      const option = $(id).options[n - 1] || $(id).appendChild(document.createElement("option"));
      option.value = n;
      option.textContent = text;
    }
  }
}

// Every element with data-t gets its text; the sensor choices, the power
// ranges and the chart's range buttons are labelled here too.
function labelPage() {
  document.documentElement.lang = lang;
  document.querySelectorAll("[data-t]").forEach((element) => {
    element.textContent = t[element.dataset.t];
  });
  labelSensors();
  for (const option of $("pwatts").options) option.textContent = option.value + " " + t.watt;
  for (const button of $("range").children) {
    button.textContent = t["r" + button.dataset.s];
    button.onclick = () => setRange(+button.dataset.s, true);
  }
  $("charttitle").textContent = t.c600;
}

// ---- The header's link and the meter card -------------------------------

function setLink(isConnected) {
  connected = isConnected;
  $("link").textContent = isConnected ? t.on1 : t.off1;
  $("link").className = isConnected ? "on" : "off";
  showStale();
}

// Grey values while not connected or without a reading for over a second;
// "no data" only when connected.
function showStale() {
  const stale = !connected || !lastReadingAt || performance.now() - lastReadingAt > 1000;
  $("meter").classList.toggle("stale", stale);
  $("nodata").style.display = connected && stale ? "block" : "none";
}

// The SWR bar's and chart's position of an SWR: 1.0 at the left, 4.0 and
// above at the right.
function swrPosition(swr) {
  if (swr == null) return 0;
  return Math.min(1, Math.max(0, (swr - 1) / 3));
}

function showTime(unixMs) {
  const clock = new Date(unixMs).toLocaleTimeString(lang, { hour12: false });
  $("time").textContent = clock + "." + String(unixMs % 1000).padStart(3, "0");
}

// A reading from the event stream: the values as the panel shows them, the
// peak, the transmission watch, the SWR bar and the chart's live slots.
function showReading(r) {
  lastReadingAt = performance.now();
  if (r.sensor != null) $("sensor").textContent = sensorText(r.sensor, r.sensor_name);
  $("forward").textContent = r.forward;
  $("reflected").textContent = r.reflected;
  $("swr").textContent = r.swr;
  $("power").textContent = r.power;
  showTime(r.unix_ms);
  const power = r.power_value == null ? (r.power === "+Infinity" ? 1300 : 0) : Math.max(0, r.power_value);
  if (power >= shownPeak) {
    shownPeak = power;
    peakAt = performance.now();
  }
  if (power >= TX_W) {
    txOn = true;
    lastTxAt = performance.now();
  }
  livePower = power;
  $("swrfill").style.width = swrPosition(r.swr_value) * 100 + "%";
  addToLiveSlots(r.unix_ms, r.power_value, r.swr_value);
  showStale();
}

// Each animation frame: the power bar on its range, the peak marker (held
// for 2 s, then falling back towards the power at 60 % a second) and the
// peak's value.
function drawPowerBar() {
  const now = performance.now();
  const power = livePower;
  if (now - peakAt > 2000) {
    const elapsed = (now - (lastFrameAt || now)) / 1000;
    shownPeak = Math.max(power, shownPeak - (shownPeak * 0.6 + 1) * elapsed);
  }
  lastFrameAt = now;
  const max = RANGES.find((x) => x >= Math.max(power, shownPeak)) || 1300;
  $("powermax").textContent = max + " " + t.watt;
  $("powerfill").style.width = (100 * power) / max + "%";
  $("peakmark").style.left = "calc(" + (100 * shownPeak) / max + "% - 2px)";
  $("pep").textContent = lastReadingAt ? shownPeak.toFixed(1) : "—";
  showStale();
  requestAnimationFrame(drawPowerBar);
}

// ---- The live history ----------------------------------------------------

// The highest power and SWR per slot of liveSlotMs, as the server keeps
// them; slots older than LIVE_SECONDS fall out.
function addToLiveSlots(unixMs, power, swr) {
  const slot = unixMs - (unixMs % liveSlotMs);
  const last = slots[slots.length - 1];
  if (!last || last[0] !== slot) {
    slots.push([slot, power, swr]);
  } else {
    if (power != null && (last[1] == null || power > last[1])) last[1] = power;
    if (swr != null && (last[2] == null || swr > last[2])) last[2] = swr;
  }
  const from = Date.now() - LIVE_SECONDS * 1000;
  while (slots.length && slots[0][0] < from) slots.shift();
}

// ---- The chart -----------------------------------------------------------

// The time axis's ticks as [ms, label]: for 10 minutes and 1 hour, minutes
// back from now; for 24 hours every third hour of the clock; for 7 days
// each midnight.
function timeTicks(from, now) {
  const out = [];
  if (range <= 3600) {
    const n = range === 600 ? 5 : 6;
    const step = (range * 1000) / n;
    for (let i = n; i >= 0; i--) out.push([now - i * step, i ? "-" + Math.round((i * step) / 60000) + "'" : "0"]);
    return out;
  }
  const d = new Date(from);
  d.setMinutes(0, 0, 0);
  if (range === 86400) {
    for (d.setHours(d.getHours() + 3 - (d.getHours() % 3)); d <= now; d.setHours(d.getHours() + 3)) {
      out.push([+d, String(d.getHours()).padStart(2, "0") + ":00"]);
    }
  } else {
    for (d.setHours(24, 0, 0, 0); d <= now; d.setDate(d.getDate() + 1)) {
      out.push([+d, d.toLocaleDateString(lang, { weekday: "short", day: "numeric" })]);
    }
  }
  return out;
}

// The grid with the power scale on the left and the SWR scale on the right.
function drawGrid(g, box, powerMax) {
  for (let i = 0; i <= 4; i++) {
    const y = box.top + ((box.bottom - box.top) * i) / 4;
    g.beginPath();
    g.moveTo(box.left, y);
    g.lineTo(box.width - box.right, y);
    g.stroke();
    g.textAlign = "right";
    g.fillText(Math.round((powerMax * (4 - i)) / 4), box.left - 4, y + 4);
    g.textAlign = "left";
    g.fillText((1 + (3 * (4 - i)) / 4).toFixed(1), box.width - box.right + 4, y + 4);
  }
}

// Time labels, each left out that would touch the one before it.
function drawTimeLabels(g, box, x, from, now) {
  g.textAlign = "center";
  let lastX = -1e9;
  for (const [ms, label] of timeTicks(from, now)) {
    const labelX = x(ms);
    const labelWidth = g.measureText(label).width;
    if (labelX - labelWidth / 2 < lastX + 6) continue;
    g.fillText(label, labelX, box.height - 4);
    lastX = labelX + labelWidth / 2;
  }
}

// One series of the slots (column 1 power, 2 SWR), scaled to 0..1 by
// `scale`; broken where a value is missing or slots are more than `gap`
// apart.
function drawSeries(g, box, x, data, from, gap, column, scale, color) {
  g.strokeStyle = color;
  g.lineWidth = 1.5;
  g.beginPath();
  let drawing = false;
  let previous = 0;
  for (const s of data) {
    const v = scale(s[column]);
    if (v == null || s[0] - previous > gap) drawing = false;
    previous = s[0];
    if (v == null || s[0] < from) continue;
    const pointX = x(s[0]);
    const pointY = box.bottom - (box.bottom - box.top) * v;
    if (drawing) g.lineTo(pointX, pointY);
    else g.moveTo(pointX, pointY);
    drawing = true;
  }
  g.stroke();
}

function drawChart() {
  const c = $("chart");
  const dpr = window.devicePixelRatio || 1;
  const w = c.clientWidth;
  const h = c.clientHeight;
  if (c.width !== w * dpr) {
    c.width = w * dpr;
    c.height = h * dpr;
  }
  const g = c.getContext("2d");
  g.setTransform(dpr, 0, 0, dpr, 0, 0);
  g.clearRect(0, 0, w, h);
  const data = view ? view.points : slots;
  const gap = (view ? view.slot_ms : liveSlotMs) * 3;
  const span = range * 1000;
  const css = getComputedStyle(document.body);
  const box = { left: 40, right: 34, top: 8, bottom: h - 20, width: w, height: h };
  const now = Date.now();
  const from = now - span;
  let powerMax = 0;
  for (const s of data) if (s[1] != null) powerMax = Math.max(powerMax, s[1]);
  powerMax = RANGES.find((x) => x >= powerMax) || 1300;
  g.strokeStyle = css.getPropertyValue("--line");
  g.fillStyle = css.getPropertyValue("--mute");
  g.font = "11px system-ui";
  g.lineWidth = 1;
  drawGrid(g, box, powerMax);
  const x = (ms) => box.left + ((w - box.left - box.right) * (ms - from)) / span;
  drawTimeLabels(g, box, x, from, now);
  const powerScale = (v) => (v == null ? null : Math.min(1, Math.max(0, v / powerMax)));
  const swrScale = (v) => (v == null ? null : swrPosition(v));
  drawSeries(g, box, x, data, from, gap, 1, powerScale, css.getPropertyValue("--blue"));
  drawSeries(g, box, x, data, from, gap, 2, swrScale, "#f97316");
}

// The chart's range; `remember` keeps the choice for the next visit.
function setRange(seconds, remember) {
  range = seconds;
  view = null;
  clearTimeout(viewTimer);
  $("charttitle").textContent = t["c" + seconds];
  for (const button of $("range").children) {
    button.setAttribute("aria-pressed", String(+button.dataset.s === seconds));
  }
  if (remember) {
    try {
      localStorage.setItem("swrpanel.range", String(seconds));
    } catch (e) {}
  }
  if (seconds !== 600) loadView();
  drawChart();
}

// The server's history for the chosen range, again every slot (5 s to
// 5 min); a server that does not know the range takes the chart back to 10
// minutes.
async function loadView() {
  const seconds = range;
  let wait = 10000;
  try {
    const res = await fetch("/api/v1/history?seconds=" + seconds, { headers: auth, cache: "no-store" });
    if (seconds !== range) return;
    if (res.status === 400 || res.status === 404) {
      setRange(600);
      return;
    }
    if (res.ok) {
      view = await res.json();
      wait = Math.min(300000, Math.max(5000, view.slot_ms || 0));
      drawChart();
    }
  } catch (e) {}
  if (seconds === range) viewTimer = setTimeout(loadView, wait);
}

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

// ---- The QSO card --------------------------------------------------------

// One QSO: its time on, call, band, mode, the peak power measured over its
// transmissions and their highest SWR ("—" while none are in the log).
function qsoRow(q) {
  return tableRow([
    new Date(q.time_on_unix_ms).toLocaleTimeString(lang, { hour12: false }),
    q.call,
    q.band ?? "—",
    q.mode ?? "—",
    wattsText(q.peak_power),
    { swr: toNumber(q.max_swr) },
  ]);
}

// Today's QSOs, newest first; the card stays hidden on a server without a
// log (the log card says so).
async function refreshQsos() {
  if (qsoBusy) {
    qsoAgain = true;
    return;
  }
  qsoBusy = true;
  do {
    qsoAgain = false;
    try {
      const list = await getJson("/api/v1/qsos?from=" + midnight());
      const body = $("qsos").tBodies[0];
      body.textContent = "";
      for (const q of list.qsos) body.appendChild(qsoRow(q));
      $("qsowrap").hidden = !list.qsos.length;
      $("qsonote").textContent = list.qsos.length ? "" : t.qnone;
      $("qsocard").hidden = false;
    } catch (e) {
      if (e === "off") $("qsocard").hidden = true;
    }
  } while (qsoAgain);
  qsoBusy = false;
}

async function downloadAdif(event) {
  event.preventDefault();
  if (!(await saveToday($("adif"), "/api/v1/qsos.adi", "qsos", "adi"))) $("qsonote").textContent = t.fail + " ADIF";
}

// Every second: a transmission just ended (the power has stayed under TX_W
// for 2.5 s). The server's log has it once its hang time is over; the bands
// card takes it too, at pollStation()'s next round.
function checkTransmissionEnd() {
  if (!txOn || performance.now() - lastTxAt <= 2500) return;
  txOn = false;
  bandsAt = 0;
  setTimeout(() => {
    bandsAt = 0;
  }, 6000);
  if (logOn) {
    refreshLog();
    setTimeout(refreshLog, 6000);
  }
}

// ---- The event stream ----------------------------------------------------

// One block of the stream ("event: ...", "data: ...") to its handler.
function handleEvent(block) {
  let name = "message";
  let data = "";
  for (const line of block.split("\n")) {
    if (line.startsWith("event: ")) name = line.slice(7);
    else if (line.startsWith("data: ")) data += line.slice(6);
  }
  if (!data) return;
  const o = JSON.parse(data);
  if (name === "reading") showReading(o);
  else if (name === "link") setLink(o.connected);
  else if (name === "transmission" && logOn) refreshLog();
  else if (name === "qso") refreshQsos();
}

// /api/v1/events, read with fetch so that it carries the token; after a
// break the link shows as lost and the stream is opened again in 1 s, and
// the QSO card is read again.
async function followEvents() {
  for (;;) {
    try {
      const res = await fetch("/api/v1/events", { headers: auth, cache: "no-store" });
      if (!res.ok) throw new Error(res.status);
      // What was logged while the stream was away (or the server down).
      refreshQsos();
      const reader = res.body.getReader();
      const decoder = new TextDecoder();
      let buffer = "";
      for (;;) {
        const { value, done } = await reader.read();
        if (done) break;
        buffer += decoder.decode(value, { stream: true });
        let end;
        while ((end = buffer.indexOf("\n\n")) >= 0) {
          const block = buffer.slice(0, end);
          buffer = buffer.slice(end + 2);
          handleEvent(block);
        }
      }
    } catch (e) {}
    setLink(false);
    await new Promise((resolve) => setTimeout(resolve, 1000));
  }
}

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

// ---- The transceiver, the SWR alarm and the bands card ------------------

function playTone() {
  try {
    const audio = new AudioContext();
    const oscillator = audio.createOscillator();
    const gain = audio.createGain();
    oscillator.frequency.value = 880;
    gain.gain.value = 0.2;
    oscillator.connect(gain).connect(audio.destination);
    oscillator.start();
    oscillator.stop(audio.currentTime + 0.6);
    oscillator.onended = () => audio.close();
  } catch (e) {}
}

// "7.100 МГц · 40m · LSB" in the header while the rig answers.
function showRig(rig) {
  const on = !!(rig && rig.connected && rig.frequency_hz);
  $("rig").hidden = !on;
  if (!on) return;
  $("rig").textContent = (rig.frequency_hz / 1e6).toFixed(3) + " " + t.mhz +
    (rig.band ? " · " + rig.band : "") + (rig.mode ? " · " + rig.mode : "");
}

// The banner of a raised alarm, its button with the token, a tone once.
function showAlarm(alarm) {
  const up = !!(alarm && alarm.raised);
  $("alarm").hidden = !up;
  if (!up) return;
  $("alarmtext").textContent = t.alarm + ": " + t.swr + " " + toNumber(alarm.swr).toFixed(1) +
    (alarm.band ? " · " + alarm.band : "") + " · " + t.sensorn + " " + sensorText(alarm.sensor, alarm.sensor_name) + " · " +
    new Date(alarm.unix_ms).toLocaleTimeString(lang, { hour12: false });
  $("alarmack").hidden = !token;
  if (touched && alarmHeard !== alarm.unix_ms) {
    alarmHeard = alarm.unix_ms;
    playTone();
  }
}

// The antenna's health per sensor, band and antenna, warnings in red.
function showBands(bands) {
  const rows = (bands && bands.rows) || [];
  const body = $("bands").tBodies[0];
  body.textContent = "";
  $("bandscard").hidden = !rows.length;
  const swr = (v) => (v == null ? "—" : (+v).toFixed(2));
  for (const x of rows) {
    const trend = x.trend == null ? "—" : (x.trend > 0 ? "+" : "") + x.trend.toFixed(2);
    const band = x.antenna == null ? x.band : x.band + " · " + t.antenna + " " + x.antenna;
    const tr = tableRow([sensorText(x.sensor, x.sensor_name), band, x.transmissions, swr(x.baseline), swr(x.latest), trend]);
    if (x.warning) tr.className = "warn";
    body.appendChild(tr);
  }
}

// Every second the rig and the alarm from the status; the bands every 30 s.
async function pollStation() {
  try {
    const res = await fetch("/api/v1/status", { headers: auth, cache: "no-store" });
    if (res.ok) {
      const status = await res.json();
      showRig(status.rig);
      showAlarm(status.alarm);
      followAlarms(status.alarm);
    }
  } catch (e) {}
  if (Date.now() - bandsAt > 30000) {
    bandsAt = Date.now();
    try {
      const res = await fetch("/api/v1/bands", { headers: auth, cache: "no-store" });
      if (res.ok) showBands(await res.json());
    } catch (e) {}
  }
  setTimeout(pollStation, 1000);
}

// ---- The alarms card -------------------------------------------------------

let alarmsKey = "";
let alarmShown = 0;

// One line of the list: when, SWR over the limit, band, acknowledged, halts.
function alarmLine(a) {
  const when = new Date(a.unix_ms).toLocaleString(lang, { hour12: false });
  let text = when + " · " + t.swr + " " + toNumber(a.peak_swr).toFixed(2) + " > " +
    toNumber(a.limit).toFixed(1) + " · " + t.sensorn + " " + sensorText(a.sensor, a.sensor_name) + (a.band ? " · " + a.band : "") +
    " · " + (a.acknowledged_via ? t.acked + " (" + a.acknowledged_via + ")" : t.noack);
  for (const h of a.halts || []) text += " · " + t.halted + " " + h.target + ": " + h.outcome;
  return text;
}

// The last alarms from the log; the card stays hidden while there are none.
async function loadAlarms() {
  let page;
  try {
    page = await getJson("/api/v1/alarms?limit=10");
  } catch (e) {
    return;
  }
  const list = $("alarmlist");
  list.textContent = "";
  $("alarmscard").hidden = !page.alarms.length;
  for (const a of page.alarms) {
    const b = document.createElement("button");
    b.textContent = alarmLine(a);
    b.setAttribute("aria-pressed", String(a.id === alarmShown));
    b.onclick = () => showAlarmReadings(a.id);
    list.appendChild(b);
  }
}

// Power and SWR over the alarm's window, the limit across, the moment it rose.
function drawAlarm(a) {
  const canvas = $("alarmchart");
  const g = canvas.getContext("2d");
  const dpr = window.devicePixelRatio || 1;
  canvas.width = canvas.clientWidth * dpr;
  canvas.height = canvas.clientHeight * dpr;
  g.scale(dpr, dpr);
  const box = { l: 40, r: canvas.clientWidth - 36, t: 8, b: canvas.clientHeight - 20 };
  const rows = a.readings_list;
  const from = a.window_from_unix_ms, to = a.window_to_unix_ms;
  let pmax = 10;
  for (const r of rows) if (r[2] != null && r[2] > pmax) pmax = r[2];
  const smax = Math.max(4, a.peak_swr + 0.5);
  const x = (ms) => box.l + (box.r - box.l) * (ms - from) / (to - from);
  const y = (v, max, min) => box.b - (box.b - box.t) * (v - min) / (max - min);
  g.clearRect(0, 0, canvas.clientWidth, canvas.clientHeight);
  g.fillStyle = getComputedStyle(document.body).color;
  g.font = "11px system-ui";
  g.fillText(Math.round(pmax) + " W", 2, box.t + 10);
  g.fillText(smax.toFixed(1), box.r + 4, box.t + 10);
  g.fillText(Math.round((from - a.unix_ms) / 1000) + " s", box.l, box.b + 14);
  g.fillText("+" + Math.round((to - a.unix_ms) / 1000) + " s", box.r - 24, box.b + 14);
  g.strokeStyle = "#9ca3af";
  g.strokeRect(box.l, box.t, box.r - box.l, box.b - box.t);
  g.beginPath();
  g.moveTo(x(a.unix_ms), box.t);
  g.lineTo(x(a.unix_ms), box.b);
  g.stroke();
  const line = (column, max, min, color) => {
    g.strokeStyle = color;
    g.beginPath();
    let on = false;
    for (const r of rows) {
      if (r[column] == null) { on = false; continue; }
      const px = x(r[0]), py = y(Math.min(r[column], max), max, min);
      if (on) g.lineTo(px, py); else g.moveTo(px, py);
      on = true;
    }
    g.stroke();
  };
  line(2, pmax, 0, getComputedStyle(document.body).getPropertyValue("--blue"));
  line(3, smax, 1, "#f97316");
  g.strokeStyle = getComputedStyle(document.body).getPropertyValue("--red");
  g.setLineDash([5, 4]);
  g.beginPath();
  g.moveTo(box.l, y(a.limit, smax, 1));
  g.lineTo(box.r, y(a.limit, smax, 1));
  g.stroke();
  g.setLineDash([]);
}

async function showAlarmReadings(id) {
  let a;
  try {
    a = await getJson("/api/v1/alarms/" + id);
  } catch (e) {
    return;
  }
  alarmShown = id;
  $("alarmchart").hidden = $("alarmlegend").hidden = false;
  $("alarmcsv").href = "/api/v1/alarms/" + id + ".csv";
  drawAlarm(a);
  for (const b of $("alarmlist").children) b.setAttribute("aria-pressed", String(b.textContent === alarmLine(a)));
}

// The list again when the live alarm changed (rose, acknowledged, halted),
// once its record is written, and again when its window is over.
function followAlarms(alarm) {
  const key = alarm ? [alarm.unix_ms, alarm.acknowledged_unix_ms, (alarm.halts || []).length].join() : "";
  if (key === alarmsKey) return;
  alarmsKey = key;
  setTimeout(loadAlarms, 1500);
  setTimeout(loadAlarms, 20000);
}

async function acknowledgeAlarm() {
  touched = true;
  try {
    const res = await fetch("/api/v1/alarm/ack", { method: "POST", headers: auth });
    if (res.ok) showAlarm((await res.json()).alarm);
  } catch (e) {}
}

function watchForTouch() {
  addEventListener("pointerdown", () => {
    touched = true;
  }, { once: true });
  addEventListener("keydown", () => {
    touched = true;
  }, { once: true });
}

// ---- Start ---------------------------------------------------------------

// The status and the last 10 minutes first, then the live stream, the
// animation, the chart's redraws, the log and the transmission watch.
async function start() {
  try {
    const status = await (await fetch("/api/v1/status", { headers: auth })).json();
    readOnly = status.read_only;
    sensorNames = status.sensor_names || [];
    labelSensors();
    setLink(status.connected);
    const history = await (await fetch("/api/v1/history?seconds=" + LIVE_SECONDS, { headers: auth })).json();
    if (history.slot_ms > 0) liveSlotMs = history.slot_ms;
    for (const p of history.points) slots.push([p[0], p[1], p[2]]);
  } catch (e) {}
  showSettingsAccess();
  followEvents();
  requestAnimationFrame(drawPowerBar);
  setInterval(drawChart, CHART_REDRAW_MS);
  refreshLog();
  loadAlarms();
  setInterval(checkTransmissionEnd, 1000);
}

labelPage();
watchForTouch();
wireSettings();
$("more").onclick = showMoreTransmissions;
$("csv").onclick = downloadCsv;
$("adif").onclick = downloadAdif;
$("alarmack").onclick = acknowledgeAlarm;
$("alarmcsv").onclick = (event) => {
  event.preventDefault();
  saveDownload($("alarmcsv").href, "alarm-" + alarmShown + ".csv").catch(() => {});
};
setLink(false);
start();
pollStation();
