// swrctl-demo serve --swr-alarm-halt: the demo's SWR driven over the limit
// while hamlib's dummy rig is keyed, and rigctld's PTT is off again within
// the bound; the alarm's record, halt and readings (JSON and CSV) after a
// restart; a WSJT-X stand-in receives Halt Tx with its own id. Natively and
// under Wine (the Windows builds).
//   SWRCTL_DEMO, SWRCTL_RUNNER  as for harness.mjs
import assert from 'node:assert/strict';
import path from 'node:path';
import { test } from 'node:test';
import { freePort, hasRigctld, request, rigctl, startRigctld, startServe, tempDir, until } from './harness.mjs';
import { freeUdpPort, heartbeat, standIn, status } from './wsjtx_stand_in.mjs';

const alarmArgs = ['--swr-alarm', '2.0', '--swr-alarm-hold', '0.2', '--swr-alarm-power', '1',
  '--swr-alarm-halt', '--alarm-window', '2,1'];
const wine = Boolean(process.env.SWRCTL_RUNNER);
const startMs = wine ? 120000 : 20000;
const waitMs = wine ? 60000 : 15000;
const statusOf = async (s) => (await request(s.port, { path: '/api/v1/status' })).json;

// The readings' CSV as rows of numbers, the header checked.
function readCsv(text) {
  const lines = text.trim().split('\r\n');
  assert.equal(lines.shift(), 'unix_ms,time,sensor,power,swr');
  return lines.map((l) => l.split(',')).map(([ms, time, sensor, power, swr]) => {
    assert.equal(new Date(time).getTime(), Number(ms));
    return { ms: Number(ms), sensor: Number(sensor), power: Number(power), swr: Number(swr) };
  });
}

test('the alarm stops rigctld\'s PTT and is recorded with its readings', { skip: !hasRigctld, timeout: 120000 }, async () => {
  const port = await freePort();
  const rigctld = await startRigctld(port);
  const dir = tempDir('swrctl-alarm-');
  const db = path.join(dir, 'station.db');
  const log = ['--log', wine ? 'Z:' + db.replace(/\//g, '\\') : db];
  let s;
  try {
    rigctl(port, 'F', '7100000');
    s = await startServe(['--rig', `127.0.0.1:${port}`, ...log, ...alarmArgs], { startMs });
    assert.ok(await until(async () => (await statusOf(s)).rig?.connected), 'the rig is followed');
    // The window reaches 2 s back: the controller reports for longer than
    // that before the alarm, however slowly the server came up.
    const liveSince = await until(async () => (await statusOf(s)).live && Date.now(), waitMs);
    await until(async () => Date.now() - liveSince > 2500, waitMs);
    await s.control('tx on');
    rigctl(port, 'T', '1');
    assert.ok(await until(async () => (await statusOf(s)).rig?.ptt === true, waitMs));
    await s.control('swr 3.0');
    const alarm = await until(async () => {
      const a = (await statusOf(s)).alarm;
      return a.raised && a.halts.some((h) => h.outcome !== 'sent') && a;
    }, waitMs);
    assert.ok(alarm, 'the alarm is raised and its halt answered; stderr: ' + s.stderr);
    const halt = alarm.halts.find((h) => h.target === 'rigctld');
    assert.equal(halt.outcome, 'answered', JSON.stringify(halt));
    assert.ok(halt.delay_ms >= 0 && halt.delay_ms < (wine ? 5000 : 1000),
      'the halt left in ' + halt.delay_ms + ' ms');
    assert.equal(rigctl(port, 't'), '0', 'rigctld\'s PTT is off');
    assert.match(s.stderr, /alarm: asked rigctld to stop transmitting: answered \(RPRT 0\)/);
    await s.control('swr 0');
    const ack = await request(s.port, { method: 'POST', path: '/api/v1/alarm/ack',
      headers: { Authorization: 'Bearer ' + s.token } });
    assert.equal(ack.json.alarm.acknowledged_via, 'http');
    // Written when it rose, completed a second after.
    const listed = await until(async () => {
      const r = await request(s.port, { path: '/api/v1/alarms' });
      const a = r.json.alarms[0];
      return a && a.complete && a.acknowledged_via && a;
    }, waitMs);
    assert.ok(listed, 'the alarm is in the log');
    assert.equal(listed.band, '40m');
    await s.stop();
    s = await startServe([...log], { startMs });
    const one = await request(s.port, { path: '/api/v1/alarms/' + listed.id });
    assert.equal(one.status, 200);
    assert.equal(one.json.halts[0].outcome, 'answered');
    assert.equal(one.json.readings_list.length, listed.readings);
    const csv = await request(s.port, { path: '/api/v1/alarms/' + listed.id + '.csv' });
    assert.equal(csv.status, 200);
    const rows = readCsv(csv.body);
    assert.equal(rows.length, listed.readings);
    assert.ok(rows.length >= 40, rows.length + ' readings over 3 s at 25/s');
    assert.ok(rows[0].ms - listed.window_from_unix_ms < 500, 'the readings reach back to the window\'s start');
    // The window is cut on the monotonic clock; a reading's wall-clock stamp,
    // read just before or after, may lie a few milliseconds across its edge.
    const skewMs = 40;
    assert.ok(rows[0].ms >= listed.window_from_unix_ms - skewMs &&
      rows.at(-1).ms <= listed.window_to_unix_ms + skewMs);
    assert.ok(rows.some((r) => r.swr > 2.0) && rows.some((r) => r.ms < listed.unix_ms));
    assert.equal((await request(s.port, { path: '/api/v1/alarms/99999' })).status, 404);
  } finally {
    if (s) await s.stop();
    await rigctld.stop();
  }
});

test('the alarm sends Halt Tx to the WSJT-X that keys the transmitter', { timeout: 120000 }, async () => {
  const port = await freeUdpPort();
  const s = await startServe(['--wsjtx', `127.0.0.1:${port}`, '--no-log', ...alarmArgs], { startMs });
  const wsjtx = await standIn(port);
  let timer;
  try {
    await wsjtx.send(heartbeat('WSJT-X', '2.6.1'));
    const keyed = () => wsjtx.send(status('WSJT-X', { dialHz: 14074000, transmitting: true, schema: 3 }));
    await keyed();
    timer = setInterval(keyed, 500);
    await s.control('tx on');
    await s.control('swr 3.0');
    const halt = await until(() => wsjtx.received.find((m) => m.readUInt32BE(8) === 8), waitMs);
    assert.ok(halt, 'a Halt Tx came back; stderr: ' + s.stderr);
    assert.equal(halt.readUInt32BE(4), 3, 'in the schema the stand-in speaks');
    assert.equal(halt.subarray(16, 16 + halt.readUInt32BE(12)).toString(), 'WSJT-X');
    assert.equal(halt.at(-1), 0, 'halt now, not only the auto-sequencer');
    const a = await until(async () => (await statusOf(s)).alarm.halts[0]);
    assert.equal(a.target, 'wsjtx');
    assert.equal(a.outcome, 'sent');
  } finally {
    clearInterval(timer);
    wsjtx.close();
    await s.stop();
  }
});
