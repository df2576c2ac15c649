// swrctl-demo.exe serve under Wine: status, events and one command.
import assert from 'node:assert/strict';
import { test } from 'node:test';
import { command, events, request, startServe } from './harness.mjs';

test('swrctl-demo.exe serve under Wine', { timeout: 180000 }, async () => {
  const s = await startServe([], { startMs: 120000 });
  try {
    const st = (await request(s.port, { path: '/api/v1/status' })).json;
    assert.equal(st.connected, true);
    const ev = await events(s.port);
    await ev.next((e) => e.event === 'link' && e.json.connected, 10000);
    const a = await ev.next((e) => e.event === 'reading', 10000);
    const b = await ev.next((e) => e.event === 'reading', 10000);
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
