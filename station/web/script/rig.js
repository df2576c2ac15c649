// The page's script: the transceiver, the SWR alarm and the bands card.
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
