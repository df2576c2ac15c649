// The page's script: the card of the SWR alarms and the chart of one.
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
