// swrctl-demo serve --n1mm with an N1MM Logger+ stand-in on loopback: two
// radios (the active one followed, the one transmitting while it does),
// antenna changes, malformed XML and an oversized datagram shrugged off;
// a transmission keyed by RadioInfo's PTT lies on its band with its
// antenna, and a logged contact becomes a QSO with the power measured; the
// named sensor shows its name in the API, /metrics and ADIF.
//   SWRCTL_DEMO, SWRCTL_RUNNER  as for harness.mjs
import assert from 'node:assert/strict';
import path from 'node:path';
import { test } from 'node:test';
import { request, sleep, startServe, statusWhen, tempDir, until } from './harness.mjs';
import { contactInfo, n1mmStandIn, radioInfo } from './n1mm_stand_in.mjs';
import { freeUdpPort } from './wsjtx_stand_in.mjs';

const wine = Boolean(process.env.SWRCTL_RUNNER);
const startMs = wine ? 120000 : 20000;
const rigIs = (s, want, ms = 15000) => until(async () => {
  const r = (await request(s.port, { path: '/api/v1/status' })).json.rig;
  return r && Object.entries(want).every(([k, v]) => r[k] === v) && r;
}, ms);

test('serve --n1mm follows two radios and logs a contact with its power', { timeout: 200000 }, async () => {
  const port = await freeUdpPort();
  const dir = tempDir('swrctl-n1mm-');
  const db = path.join(dir, 'station.db');
  const s = await startServe(['--n1mm', `127.0.0.1:${port}`, '--sensor-name', '1=80 m dipole',
    '--log', wine ? 'Z:' + db.replace(/\//g, '\\') : db], { startMs });
  const n1mm = await n1mmStandIn(port);
  try {
    await n1mm.send(radioInfo({ nr: 1, active: 1, hz: 3522110, antenna: 2 }));
    await n1mm.send(radioInfo({ nr: 2, active: 1, hz: 14025000, antenna: 4 }));
    const r1 = await rigIs(s, { band: '80m', ptt: false, antenna: 2 });
    assert.ok(r1, 'the active radio is followed');
    assert.equal(r1.frequency_hz, 3522110);
    assert.equal(r1.mode, 'CW');
    await n1mm.send(radioInfo({ nr: 2, active: 2, hz: 14025000, antenna: 4 }));
    assert.ok(await rigIs(s, { band: '20m', antenna: 4 }), 'the second radio made active');

    for (const bad of ['<RadioInfo><RadioNr>2</RadioNr><Freq>5000', '<RadioInfo><RadioNr>2</RadioNr>' +
      '<Freq>&bogus;</Freq></RadioInfo>', '<spot><dxcall>K1ABC</dxcall></spot>']) {
      await n1mm.send(Buffer.from(bad));
    }
    const big = radioInfo({ nr: 2, active: 2, hz: 7025000, antenna: 9 });
    await n1mm.send(Buffer.concat([big, Buffer.alloc(20000, 0x20)]));
    await n1mm.send(radioInfo({ nr: 2, active: 2, hz: 14025000, antenna: 5 }));
    assert.ok(await rigIs(s, { band: '20m', antenna: 5 }), 'still listening after the bad ones');

    // Radio 1 transmits while radio 2 is active (SO2R): the meter follows it.
    await s.control('tx on');
    await statusWhen(s, (st) => st.connected && st.live && st.reading && st.reading.power_value > 1);
    const keyed = Date.now();
    assert.equal((await request(s.port, { path: '/api/v1/status' })).json.reading.sensor_name,
      '80 m dipole');
    await n1mm.send(radioInfo({ nr: 1, active: 2, hz: 3522110, antenna: 2, tx: true }));
    assert.ok(await rigIs(s, { band: '80m', ptt: true, antenna: 2 }, 5000));
    await statusWhen(s, (st) => st.reading && st.reading.unix_ms > keyed + 1500);
    await n1mm.send(radioInfo({ nr: 1, active: 2, hz: 3522110, antenna: 2 }));
    const list = await until(async () => {
      const r = await request(s.port, { path: '/api/v1/transmissions?from=' + (keyed - 500) });
      return r.json.transmissions.length > 0 && r.json.transmissions;
    });
    await s.control('tx off');
    assert.equal(list.length, 1, 'only the keyed time is a transmission');
    assert.equal(list[0].band, '80m');
    assert.equal(list[0].sensor_name, '80 m dipole');
    assert.equal(list[0].antenna, 2, 'the antenna selected as it started');
    assert.match((await request(s.port, { path: '/metrics' })).body,
      /swrpanel_power_watts\{sensor="1",sensor_name="80 m dipole"\}/);

    await n1mm.send(contactInfo({ call: 'W1AW', hz: 3522110, atMs: keyed }));
    const qsos = await until(async () => {
      const l = (await request(s.port, { path: '/api/v1/qsos?from=' + (keyed - 60000) })).json.qsos;
      return l.length === 1 && l[0].transmissions === 1 && l;
    });
    assert.ok(qsos, 'the contact is a QSO with its transmission');
    assert.equal(qsos[0].call, 'W1AW');
    assert.equal(qsos[0].band, '80m');
    assert.equal(qsos[0].sender, 'N1MM CONTEST-PC');
    assert.equal(qsos[0].antenna, 2);
    assert.equal(qsos[0].peak_power, list[0].peak_power, 'the power measured, not the exchange');
    const adi = (await request(s.port, { path: '/api/v1/qsos.adi?from=' + (keyed - 60000) })).body;
    assert.match(adi, /<MY_ANTENNA:11>80 m dipole /);
    assert.match(s.stderr, /n1mm: heard N1MM Logger\+ station CONTEST-PC at 127\.0\.0\.1:\d+/);
    assert.match(s.stderr, /n1mm: ignoring broken datagrams from 127\.0\.0\.1:\d+/);
  } catch (e) {
    e.message += '\nstderr: ' + s.stderr;
    throw e;
  } finally {
    n1mm.close();
    if (wine) await s.kill(); else await s.stop();
  }
});

test('the N1MM port is shared with another listener', { skip: wine, timeout: 60000 }, async () => {
  const port = await freeUdpPort();
  const a = await startServe(['--n1mm', `:${port}`, '--no-log']);
  try {
    const b = await startServe(['--n1mm', `:${port}`, '--no-log']);
    await b.stop();
  } finally {
    await a.stop();
  }
});
