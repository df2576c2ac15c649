// The page's script: what runs once the page has loaded.
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
