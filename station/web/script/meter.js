// The page's script: the header's link, the meter card and the live
// history's half-second slots.
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
