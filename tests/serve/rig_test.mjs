// swrctl-demo serve with a transceiver: hamlib's rigctld with its dummy rig,
// driven by rigctl, gives the transmission its frequency and band and ends
// it with PTT; the SWR alarm latches until acknowledged over HTTP, with the
// token only, also when read-only.
import assert from 'node:assert/strict';
import path from 'node:path';
import { test } from 'node:test';
import {
  checkKeyedTransmission, freePort, hasRigctld, request, rigctl, sleep, startRigctld, startServe,
  tempDir, until,
} from './harness.mjs';

test('a transmission keyed by the rig lies on its band', { skip: !hasRigctld, timeout: 60000 }, async () => {
  const port = await freePort();
  const rigctld = await startRigctld(port);
  const dir = tempDir('swrctl-rig-');
  let s;
  try {
    rigctl(port, 'F', '7100000');
    s = await startServe(['--rig', `127.0.0.1:${port}`, '--log', path.join(dir, 'station.db')]);
    const rig = await until(async () => {
      const r = await request(s.port, { path: '/api/v1/status' });
      return r.json.rig && r.json.rig.connected && r.json.rig.ptt === false && r.json.rig;
    });
    assert.equal(rig.band, '40m');
    await checkKeyedTransmission(assert, s, port, 3000);
  } finally {
    if (s) await s.stop();
    await rigctld.stop();
  }
});

test('the SWR alarm latches until acknowledged with the token', { timeout: 60000 }, async () => {
  const s = await startServe(['--read-only', '--swr-alarm', '1.0', '--swr-alarm-hold', '0.2',
    '--swr-alarm-power', '1']);
  try {
    const ack = (headers) => request(s.port, { method: 'POST', path: '/api/v1/alarm/ack', headers });
    await s.control('tx on');
    const raised = await until(async () => {
      const r = await request(s.port, { path: '/api/v1/status' });
      return r.json.alarm.raised && r.json.alarm;
    });
    assert.ok(raised, 'the alarm is raised');
    assert.equal(raised.sensor, 1);
    await s.control('tx off');
    await sleep(1000);
    assert.equal((await request(s.port, { path: '/api/v1/status' })).json.alarm.raised, true,
      'it stays raised with the carrier gone');
    assert.equal((await ack({})).status, 401);
    const r = await ack({ Authorization: 'Bearer ' + s.token });
    assert.equal(r.status, 200);
    assert.equal(r.json.acknowledged, true);
    assert.equal(r.json.alarm.raised, false);
    assert.equal(r.json.alarm.swr, raised.swr, 'what raised it stays to be read');
    const bands = await request(s.port, { path: '/api/v1/bands' });
    assert.equal(bands.status, 200);
    assert.ok(Array.isArray(bands.json.rows));
  } finally {
    await s.stop();
  }
});
