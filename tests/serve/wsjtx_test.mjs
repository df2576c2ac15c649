// swrctl-demo serve --wsjtx with a WSJT-X stand-in on loopback: the rig
// state follows its Status (frequency, band, mode, PTT), a transmission keyed
// by its Status lies on the band it names, and datagrams cut short,
// oversized, of another schema or of types we do not use change nothing;
// then WSJT-X closes and a JTDX (signed offsets) is followed; a QSO logged
// after two FT8 cycles goes into the log, once, with those cycles' power; a
// multicast group is heard by two servers at once; under Wine the real
// build (no controller there) follows the Status too.
//   SWRCTL_DEMO, SWRCTL_RUNNER  as for harness.mjs
//   SWRCTL_EXE                  under Wine: the real build of the same architecture
import assert from 'node:assert/strict';
import path from 'node:path';
import { test } from 'node:test';
import { request, sleep, startServe, statusWhen, tempDir, until } from './harness.mjs';
import { close, freeUdpPort, header, heartbeat, loggedAdif, qsoLogged, standIn, status }
  from './wsjtx_stand_in.mjs';

const wine = Boolean(process.env.SWRCTL_RUNNER);
const startMs = wine ? 120000 : 20000;
const rigOf = async (s) => (await request(s.port, { path: '/api/v1/status' })).json.rig;
const rigIs = (s, want, ms = 15000) => until(async () => {
  const r = await rigOf(s);
  return r && Object.entries(want).every(([k, v]) => r[k] === v) && r;
}, ms);

test('serve --wsjtx follows the stand-in and keys transmissions by its Status', { timeout: 200000 }, async () => {
  const port = await freeUdpPort();
  const dir = tempDir('swrctl-wsjtx-');
  const db = path.join(dir, 'station.db');
  const s = await startServe(['--wsjtx', `127.0.0.1:${port}`,
    '--log', wine ? 'Z:' + db.replace(/\//g, '\\') : db], { startMs });
  const wsjtx = await standIn(port);
  try {
    await wsjtx.send(heartbeat('WSJT-X', '2.6.1'));
    await wsjtx.send(status('WSJT-X', { dialHz: 7074000 }));
    const rx = await rigIs(s, { band: '40m', ptt: false });
    assert.ok(rx, 'the rig follows the Status; stderr: ' + s.stderr);
    assert.equal(rx.frequency_hz, 7075500);
    assert.equal(rx.mode, 'FT8');

    // What a listener must shrug off: nothing of it changes the state.
    const good = status('WSJT-X', { dialHz: 21074000, schema: 3 });
    for (const bad of [good.subarray(0, good.length - 30), Buffer.alloc(20000, 1),
      status('WSJT-X', { dialHz: 21074000, schema: 4 }), Buffer.concat([header(2, 'WSJT-X'), good]),
      Buffer.from('not wsjt-x at all')]) {
      await wsjtx.send(bad);
    }
    await wsjtx.send(status('WSJT-X', { dialHz: 7074000, mode: 'FT4' }));
    assert.ok(await rigIs(s, { band: '40m', mode: 'FT4' }), 'still listening after the bad ones');

    await s.control('tx on');  // a carrier all along: PTT alone marks the transmission
    await sleep(1500);
    const keyed = Date.now();
    await wsjtx.send(status('WSJT-X', { dialHz: 14074000, transmitting: true, schema: 3 }));
    assert.ok(await rigIs(s, { band: '20m', ptt: true }, 5000));
    await sleep(2000);
    await wsjtx.send(status('WSJT-X', { dialHz: 14074000, transmitting: false, schema: 3 }));
    const list = await until(async () => {
      const r = await request(s.port, { path: '/api/v1/transmissions?from=' + (keyed - 500) });
      return r.json.transmissions.length > 0 && r.json.transmissions;
    });
    assert.ok(list, 'a transmission is recorded');
    assert.equal(list.length, 1, 'only the keyed time is a transmission');
    assert.equal(list[0].band, '20m');
    assert.equal(list[0].frequency_hz, 14075500);
    assert.ok(list[0].duration_ms > 1000 && list[0].duration_ms < 4000, `${list[0].duration_ms} ms`);
    await s.control('tx off');

    await wsjtx.send(close('WSJT-X'));
    assert.ok(await rigIs(s, { connected: false }), 'a closed WSJT-X leaves no rig');
    await wsjtx.send(heartbeat('JTDX', 'JTDX 2.2.159'));
    await wsjtx.send(status('JTDX', { dialHz: 50313000, txDf: -20, jtdx: true }));
    const jtdx = await rigIs(s, { band: '6m' });
    assert.ok(jtdx, 'JTDX is followed; stderr: ' + s.stderr);
    assert.equal(jtdx.frequency_hz, 50312980);
    assert.match(s.stderr, /wsjtx: heard WSJT-X 2\.6\.1 at 127\.0\.0\.1:\d+/);
    assert.match(s.stderr, /wsjtx: WSJT-X at 127\.0\.0\.1:\d+ closed/);
    assert.match(s.stderr, /wsjtx: heard JTDX JTDX 2\.2\.159/);
  } catch (e) {
    e.message += '\nstderr: ' + s.stderr;
    throw e;
  } finally {
    wsjtx.close();
    if (wine) await s.kill(); else await s.stop();
  }
});

test('a QSO logged after two FT8 cycles carries their power, logged once', { timeout: 200000 }, async () => {
  const port = await freeUdpPort();
  const dir = tempDir('swrctl-wsjtx-qso-');
  const db = path.join(dir, 'station.db');
  const s = await startServe(['--wsjtx', `127.0.0.1:${port}`,
    '--log', wine ? 'Z:' + db.replace(/\//g, '\\') : db], { startMs });
  const wsjtx = await standIn(port);
  const txs = async (from) =>
    (await request(s.port, { path: '/api/v1/transmissions?from=' + from })).json.transmissions;
  const qsos = async (from) =>
    (await request(s.port, { path: '/api/v1/qsos?from=' + from })).json.qsos;
  try {
    await wsjtx.send(heartbeat('WSJT-X', '2.6.1'));
    await wsjtx.send(status('WSJT-X', { dialHz: 14074000, schema: 3 }));
    assert.ok(await rigIs(s, { band: '20m', ptt: false }), 'the rig follows the Status');
    await s.control('tx on');  // a carrier all along: the Status's PTT keys each cycle
    await statusWhen(s, (st) => st.connected && st.live && st.reading && st.reading.power_value > 1);
    const onMs = Date.now();
    for (let cycle = 1; cycle <= 2; cycle++) {
      await wsjtx.send(status('WSJT-X', { dialHz: 14074000, transmitting: true, schema: 3 }));
      assert.ok(await rigIs(s, { ptt: true }), `cycle ${cycle} keyed`);
      // A second and more of readings taken while keyed.
      const keyedAt = Date.now();
      await statusWhen(s, (st) => st.reading && st.reading.unix_ms > keyedAt + 1200);
      await wsjtx.send(status('WSJT-X', { dialHz: 14074000, transmitting: false, schema: 3 }));
      assert.ok(await until(async () => (await txs(onMs - 500)).length === cycle),
        `cycle ${cycle} recorded`);
    }
    await s.control('tx off');
    const cycles = await txs(onMs - 500);
    const peak = Math.max(...cycles.map((t) => t.peak_power));
    assert.ok(cycles.every((t) => t.band === '20m') && peak > 1, JSON.stringify(cycles));

    // WSJT-X reports the QSO twice (QSO Logged, then Logged ADIF); then a
    // second QSO, with no transmission, marks that both have been taken.
    const qso = { call: 'PA1XY', txHz: 14075500, onMs, offMs: Date.now() };
    await wsjtx.send(qsoLogged('WSJT-X', qso));
    await wsjtx.send(loggedAdif('WSJT-X', qso));
    await wsjtx.send(qsoLogged('WSJT-X', { call: 'K1ABC', txHz: 7075500, onMs: qso.offMs, offMs: qso.offMs }));
    const list = await until(async () => {
      const l = await qsos(onMs - 60000);
      return l.length >= 2 && l.find((q) => q.call === 'PA1XY').transmissions === 2 && l;
    });
    assert.ok(list, 'the QSOs are logged, measured: ' + JSON.stringify(await qsos(onMs - 60000)));
    assert.deepEqual(list.map((q) => q.call).sort(), ['K1ABC', 'PA1XY'], 'each QSO once');
    const q = list.find((x) => x.call === 'PA1XY');
    assert.equal(q.band, '20m');
    assert.equal(q.frequency_hz, 14075500);
    assert.equal(q.mode, 'FT8');
    assert.equal(q.sender, 'WSJT-X');
    assert.equal(q.report_sent, '-10');
    assert.equal(q.peak_power, peak);
    assert.equal(list.find((x) => x.call === 'K1ABC').transmissions, 0);
    const adi = (await request(s.port, { path: '/api/v1/qsos.adi?from=' + (onMs - 60000) })).body;
    const pwr = /<TX_PWR:\d+>([0-9.]+)/.exec(adi);
    assert.ok(pwr, adi);
    assert.ok(Math.abs(Number(pwr[1]) - peak) <= 0.05 + 1e-9, `TX_PWR ${pwr[1]}, peak ${peak}`);
  } catch (e) {
    e.message += '\nstderr: ' + s.stderr;
    throw e;
  } finally {
    wsjtx.close();
    if (wine) await s.kill(); else await s.stop();
  }
});

test('two servers hear one multicast group on loopback', { skip: wine, timeout: 60000 }, async () => {
  const port = await freeUdpPort();
  const group = '239.255.83.87';
  const a = await startServe(['--wsjtx', `${group}:${port}`, '--no-log']);
  const b = await startServe(['--wsjtx', `${group}:${port}`, '--no-log']);
  const wsjtx = await standIn(port, group, true);
  try {
    const heard = async (s) => {
      await wsjtx.send(status('WSJT-X', { dialHz: 3573000 }));
      return (await rigOf(s))?.band === '80m';
    };
    assert.ok(await until(() => heard(a)), 'the first server hears the group; ' + a.stderr);
    assert.ok(await until(() => heard(b)), 'and so does the second; ' + b.stderr);
  } finally {
    wsjtx.close();
    await a.stop();
    await b.stop();
  }
});

test('a unicast port in use is refused clearly', { skip: wine, timeout: 30000 }, async () => {
  const port = await freeUdpPort();
  const a = await startServe(['--wsjtx', `:${port}`, '--no-log']);
  try {
    const b = await startServe(['--wsjtx', `:${port}`, '--no-log'], { startMs: 5000 }).catch((e) => e);
    assert.ok(b instanceof Error, 'the second server does not start');
    assert.match(b.message, /cannot listen for WSJT-X on 127\.0\.0\.1:\d+/);
  } finally {
    await a.stop();
  }
});

test('swrctl.exe serve --wsjtx under Wine follows the Status', { skip: !wine || !process.env.SWRCTL_EXE, timeout: 200000 },
  async () => {
    const port = await freeUdpPort();
    const s = await startServe(['--wsjtx', `127.0.0.1:${port}`, '--no-log'], { startMs, exe: process.env.SWRCTL_EXE });
    const wsjtx = await standIn(port);
    try {
      await wsjtx.send(heartbeat('WSJT-X', '2.6.1'));
      await wsjtx.send(status('WSJT-X', { dialHz: 10136000 }));
      const rig = await rigIs(s, { band: '30m', ptt: false }, 60000);
      assert.ok(rig, 'the rig follows the Status; stderr: ' + s.stderr);
      assert.equal(rig.frequency_hz, 10137500);
    } finally {
      wsjtx.close();
      await s.kill();
    }
  });
