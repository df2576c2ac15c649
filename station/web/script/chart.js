// The page's script: the chart of power and SWR and its range buttons.
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
