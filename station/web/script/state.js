// The page's script: its constants, the state it keeps between events, and
// the labels of the sensors and the page in the chosen language.
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
