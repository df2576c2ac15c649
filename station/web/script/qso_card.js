// The page's script: the card of today's QSOs with what the meter measured.
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
