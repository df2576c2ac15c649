// swrctl-demo.exe serve under Wine: status, events and one command.
import assert from 'node:assert/strict';
import { test } from 'node:test';
import { spawnSync } from 'node:child_process';
import path from 'node:path';
import { command, events, request, sleep, startServe, statusWhen, tempDir, until } from './harness.mjs';

test('swrctl-demo.exe serve under Wine', { timeout: 180000 }, async () => {
  const s = await startServe([], { startMs: 120000 });
  try {
    // The server answers before its device loop has found the controller.
    await statusWhen(s);
    const ev = await events(s.port);
    await ev.next((e) => e.event === 'link' && e.json.connected, 30000);
    const a = await ev.next((e) => e.event === 'reading', 30000);
    const b = await ev.next((e) => e.event === 'reading', 30000);
    assert.ok(b.id > a.id);
    assert.equal(a.json.raw.length, 9);
    ev.close();
    const r = await command(s, { command: 'power', sensor: 2, watts: 600 });
    assert.equal(r.status, 200, r.body);
    assert.equal(r.json.sent, '00 01 02 02 00 00 00 00 00');
    assert.deepEqual(await s.received(), ['00 01 02 02 00 00 00 00 00']);
    const refused = await command(s, { command: 'power', sensor: 2, watts: 600 },
      { Authorization: 'Bearer wrong' });
    assert.equal(refused.status, 401);
  } finally {
    // Wine has no console here to take Ctrl+C: the process is ended.
    await s.kill();
  }
});

test('swrctl-demo.exe serve records transmissions and lists them after a restart',
  { timeout: 200000 }, async () => {
    const dir = tempDir('swrctl-log-');
    const file = 'Z:' + path.join(dir, 'station.db').replace(/\//g, '\\');
    let s = await startServe(['--log', file], { startMs: 120000 });
    try {
      // The demo transmits all the time: each unplug ends an over, cut short,
      // of 2.5 s once the controller is found and its readings flow.
      for (let i = 0; i < 2; i++) {
        await statusWhen(s);
        await sleep(2500);
        await s.control('unplug');
        await s.control('plug');
      }
      // Until it is committed (about once a second).
      let r;
      await until(async () => {
        r = await request(s.port, { path: '/api/v1/transmissions' });
        return r.json?.transmissions?.length >= 2;
      }, 60000);
      assert.equal(r.json.transmissions.length, 2, r.body);
    } finally {
      await s.kill();
    }
    s = await startServe(['--log', file], { startMs: 120000 });
    try {
      const r = await request(s.port, { path: '/api/v1/transmissions' });
      assert.equal(r.status, 200, r.body);
      assert.ok(r.json.transmissions.length >= 2, r.body);
      for (const t of r.json.transmissions.slice(-2)) {
        assert.equal(t.cut_short, true);
        assert.ok(t.duration_ms > 1000 && t.peak_power > 1, JSON.stringify(t));
      }
      const st = (await request(s.port, { path: '/api/v1/status' })).json;
      assert.equal(st.log.recording, true, JSON.stringify(st.log));
    } finally {
      await s.kill();
    }
    // The listings whose lines end in CRLF reach standard output byte for
    // byte, not as CR CR LF (Windows' text mode).
    for (const args of [['--format', 'csv'], ['--alarms', '--format', 'csv'], ['--qsos', '--format', 'adif']]) {
      const r = spawnSync(process.env.SWRCTL_RUNNER, [process.env.SWRCTL_DEMO, 'log', '--log', file, ...args],
        { timeout: 60000 });
      assert.equal(r.status, 0, String(r.stderr));
      const out = r.stdout.toString('latin1');
      assert.ok(out.includes('\r\n') && !out.includes('\r\r'), `${args}: ${JSON.stringify(out.slice(0, 80))}`);
    }
  });
