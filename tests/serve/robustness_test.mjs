// swrctl-demo serve under faults and abuse on loopback: event-stream
// clients that leave, malformed framing, sockets that trickle their headers
// to take every slot, and a process out of file descriptors.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import net from 'node:net';
import { after, before, describe, test } from 'node:test';
import { events, idleConnection, request, sleep, startServe, until } from './harness.mjs';

const T = { timeout: 60000 };

// Sends `text` on a connection of its own; the status of the answer (0
// when the server closed without one).
function raw(port, text) {
  return new Promise((resolve, reject) => {
    const s = net.connect(port, '127.0.0.1', () => s.end(text));
    let got = '';
    s.on('data', (d) => { got += d; });
    s.on('close', () => resolve(Number((/^HTTP\/1\.1 (\d+)/.exec(got) || [0, 0])[1])));
    s.on('error', reject);
    s.setTimeout(10000, () => s.destroy(new Error('no answer')));
  });
}

// CPU seconds the process has used so far (Linux).
function cpuSeconds(pid) {
  const fields = fs.readFileSync(`/proc/${pid}/stat`, 'utf8').split(') ')[1].split(' ');
  return (Number(fields[11]) + Number(fields[12])) / 100;
}

describe('swrctl-demo serve under abuse', { timeout: 180000 }, () => {
  let s;
  before(async () => { s = await startServe([], { startMs: 120000 }); });
  after(async () => { assert.equal((await s.stop()).code, 0); });

  test('malformed framing and a second Host get 400', T, async () => {
    const cases = [
      ['GET /api/v1/status HTTP/1.1\r\nHost: 127.0.0.1\r\nHost: evil.example\r\n\r\n', 400],
      ['POST /api/v1/commands HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: -1\r\n\r\n', 400],
      ['POST /api/v1/commands HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 2\r\nContent-Length: 3\r\n\r\n{}', 400],
      ['POST /api/v1/commands HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 2, 3\r\n\r\n{}', 400],
      ['GET /api/v1/status HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n', 200],
    ];
    for (const [text, status] of cases) assert.equal(await raw(s.port, text), status, text);
  });

  test('event-stream clients that leave give their slot back at once', T, async () => {
    await s.control('unplug');  // no readings: nothing is written to the streams
    try {
      for (let round = 0; round < 3; ++round) {
        const streams = await Promise.all(Array.from({ length: 64 }, () => events(s.port)));
        assert.deepEqual(streams.filter((ev) => ev.status !== 200), [], 'round ' + round);
        for (const ev of streams) ev.close();
        await sleep(300);
      }
      const r = await request(s.port, { path: '/api/v1/status' });
      assert.equal(r.status, 200, r.body);
    } finally {
      await s.control('plug');
    }
  });

  test('sockets that trickle their headers lose their slots to complete requests', T, async () => {
    // More of them than the server has slots, each sending a byte of its
    // request head every 2 s, as long as the server lets it.
    const head = 'GET /api/v1/status HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Slow: ' + 'x'.repeat(100);
    const tricklers = [];
    let closed = 0;
    for (let i = 0; i < 100; ++i) {
      const c = await idleConnection(s.port).catch(() => null);
      if (!c) continue;
      let at = 0;
      c.write(head[at++]);
      c.timer = setInterval(() => c.destroyed || c.write(head[at++ % head.length]), 2000);
      c.on('close', () => ++closed);
      tricklers.push(c);
    }
    try {
      // Every slot is taken when the first of them have been let go.
      assert.ok(await until(() => closed >= 10, 10000), `${closed} tricklers were closed`);
      for (let i = 0; i < 12; ++i) {
        const anonymous = await request(s.port, { path: '/api/v1/status' });
        assert.equal(anonymous.status, 200, `request ${i}: ${anonymous.body}`);
      }
      const withToken = await request(s.port, {
        path: '/api/v1/status', headers: { Authorization: 'Bearer ' + s.token } });
      assert.equal(withToken.status, 200, withToken.body);
      const ev = await events(s.port);
      assert.equal(ev.status, 200);
      await ev.next((e) => e.event === 'link');
      ev.close();
    } finally {
      for (const c of tricklers) {
        clearInterval(c.timer);
        c.destroy();
      }
    }
  });
});

test('out of file descriptors: accept pauses instead of spinning, and says so once', T, async () => {
  const s = await startServe();
  const held = [];
  try {
    let before = cpuSeconds(s.pid);
    await sleep(2000);
    const idle = cpuSeconds(s.pid) - before;  // the device loop's share
    const open = fs.readdirSync(`/proc/${s.pid}/fd`).length;
    execFileSync('prlimit', ['--pid', String(s.pid), `--nofile=${open + 8}`]);
    for (let i = 0; i < 30; ++i) held.push(await idleConnection(s.port));
    assert.ok(await until(() => /cannot accept connections/.test(s.stderr), 10000), s.stderr);
    before = cpuSeconds(s.pid);
    await sleep(2000);
    const used = cpuSeconds(s.pid) - before;
    assert.ok(used < idle + 0.1, `${used} s of CPU in 2 s, ${idle} s before`);
    assert.equal(s.stderr.match(/cannot accept connections/g)?.length, 1, s.stderr);
    for (const c of held.splice(0)) c.destroy();
    assert.ok(await until(async () => (await request(s.port, { path: '/api/v1/status' })).status === 200,
      10000), 'serving again once descriptors are free');
  } finally {
    for (const c of held) c.destroy();
    await s.stop();
  }
});
