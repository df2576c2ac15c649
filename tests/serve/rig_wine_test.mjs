// The Windows builds' rig link under Wine against hamlib's rigctld (dummy
// rig) on a loopback port: swrctl-demo.exe serve --rig puts a PTT-keyed
// transmission on the rig's band, says once that rigctld went away while the
// readings go on, and reconnects when it is back on the same port;
// swrctl.exe serve --rig (no controller under Wine) shows the rig too.
//   SWRCTL_DEMO, SWRCTL_RUNNER  as for harness.mjs
//   SWRCTL_EXE                  the real-hardware build of the same architecture
import assert from 'node:assert/strict';
import path from 'node:path';
import { test } from 'node:test';
import {
  checkKeyedTransmission, events, freePort, hasRigctld, request, rigctl, startRigctld, startServe,
  tempDir, until,
} from './harness.mjs';

const rigOf = async (s) => (await request(s.port, { path: '/api/v1/status' })).json.rig;
const connected = (s) => until(async () => {
  const r = await rigOf(s);
  return r?.connected && r;
}, 60000);  // a start under Wine
const count = (text, re) => (text.match(re) || []).length;

test('swrctl-demo.exe serve --rig under Wine', { skip: !hasRigctld, timeout: 200000 }, async () => {
  const port = await freePort();
  let rig = await startRigctld(port);
  const dir = tempDir('swrctl-rig-wine-');
  const file = 'Z:' + path.join(dir, 'station.db').replace(/\//g, '\\');
  let s;
  try {
    rigctl(port, 'F', '7100000');
    s = await startServe(['--rig', `127.0.0.1:${port}`, '--log', file], { startMs: 120000 });
    const up = await connected(s);
    assert.ok(up, 'the rig is connected; stderr: ' + s.stderr);
    assert.equal(up.band, '40m');
    assert.equal(up.frequency_hz, 7100000);
    assert.equal(up.ptt, false);

    await checkKeyedTransmission(assert, s, port, 3500);

    await rig.stop();
    rig = null;
    assert.ok(await until(async () => (await rigOf(s))?.connected === false, 30000),
      'the status says the rig is gone');
    const ev = await events(s.port);
    try {
      await ev.next((e) => e.event === 'reading', 30000);
    } finally {
      ev.close();
    }

    rig = await startRigctld(port);
    rigctl(port, 'F', '14200000');
    assert.ok(await until(async () => (await rigOf(s))?.band === '20m', 60000),
      'reconnected on the same port; stderr: ' + s.stderr);
    assert.equal(count(s.stderr, /lost rigctld/g), 1, s.stderr);
    assert.equal(count(s.stderr, /connected to rigctld/g), 2, s.stderr);
  } finally {
    if (s) await s.kill();  // Wine has no console here to take Ctrl+C
    if (rig) await rig.stop();
  }
});

test('swrctl.exe serve --rig under Wine', { skip: !hasRigctld || !process.env.SWRCTL_EXE, timeout: 180000 },
  async () => {
    const port = await freePort();
    const rig = await startRigctld(port);
    let s;
    try {
      rigctl(port, 'F', '7100000');
      s = await startServe(['--rig', `127.0.0.1:${port}`],
        { startMs: 120000, exe: process.env.SWRCTL_EXE });
      const up = await connected(s);
      assert.ok(up, 'the rig is connected; stderr: ' + s.stderr);
      assert.equal(up.band, '40m');
    } finally {
      if (s) await s.kill();
      await rig.stop();
    }
  });
