// swrctl-demo serve built with a sanitizer (ThreadSanitizer or
// AddressSanitizer), shaken for a bounded time: event-stream clients and
// bare connections come and go, commands arrive over HTTP and MQTT at once,
// the API is read, the controller is unplugged and plugged in again. Then
// the server must still answer, stop cleanly, and its stderr must hold no
// sanitizer report.
//   SWRCTL_DEMO  the sanitized executable; MOSQUITTO  the broker
import { test, after } from 'node:test';
import assert from 'node:assert/strict';
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';
import { command, events, freePort, request, sleep, startServe } from './harness.mjs';

const SECONDS = Number(process.env.STRESS_SECONDS || 12);
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'swrpanel-stress-'));
let broker;
after(() => {
  if (broker) broker.kill('SIGKILL');
  fs.rmSync(work, { recursive: true, force: true });
});

async function startBroker() {
  const port = await freePort();
  fs.writeFileSync(path.join(work, 'broker.conf'),
    `listener ${port} 127.0.0.1\nallow_anonymous true\npersistence false\n`);
  broker = spawn(process.env.MOSQUITTO, ['-c', path.join(work, 'broker.conf')], { stdio: 'ignore' });
  for (let i = 0; i < 600; ++i) {  // up to 60 s on a loaded machine
    const up = await new Promise((r) => {
      const s = net.connect(port, '127.0.0.1', () => { s.destroy(); r(true); });
      s.on('error', () => r(false));
    });
    if (up) return port;
    await sleep(100);
  }
  throw new Error('mosquitto did not start');
}

function publish(port, topic, message) {
  return new Promise((resolve) => {
    const p = spawn('mosquitto_pub', ['-h', '127.0.0.1', '-p', String(port), '-t', topic, '-m', message],
      { stdio: 'ignore' });
    p.on('exit', resolve);
    p.on('error', resolve);
  });
}

// Runs `step` again and again until the deadline; errors of a single step
// (a refused connection while the server is busy) do not end the loop.
async function loop(deadline, step) {
  let runs = 0;
  while (Date.now() < deadline) {
    try { await step(runs); } catch { /* counted by the server's answers below */ }
    ++runs;
  }
  return runs;
}

test('the sanitized server stays clean under churn', async () => {
  const brokerPort = await startBroker();
  const s = await startServe(['--mqtt', `mqtt://127.0.0.1:${brokerPort}`], { startMs: 60000 });
  const deadline = Date.now() + SECONDS * 1000;
  const runs = await Promise.all([
    loop(deadline, async () => {  // event streams opened and dropped
      const e = await events(s.port);
      await e.next((ev) => ev.event === 'reading', 500).catch(() => {});
      e.close();
    }),
    loop(deadline, async () => {  // bare connections that say nothing
      await new Promise((r) => { const c = net.connect(s.port, '127.0.0.1', () => { c.destroy(); r(); }); c.on('error', r); });
    }),
    loop(deadline, async (i) => {  // commands over HTTP
      await command(s, i % 2 ? { command: 'blocking', on: i % 4 === 1 } : { command: 'select', sensor: 1 + (i % 3) });
    }),
    loop(deadline, async (i) => {  // commands over MQTT
      await publish(brokerPort, i % 2 ? 'swrpanel/set/blocking' : 'swrpanel/set/power/2', i % 2 ? 'OFF' : '600');
    }),
    loop(deadline, async (i) => {  // readers of the API
      await request(s.port, { path: ['/api/v1/status', '/api/v1/history?seconds=60', '/'][i % 3] });
    }),
    loop(deadline, async (i) => {  // the controller goes and comes back
      await s.control(i % 2 ? 'plug' : 'unplug');
      await sleep(400);
    }),
  ]);
  await s.control('plug');
  const status = await request(s.port, { path: '/api/v1/status' });
  assert.equal(status.status, 200);
  const end = await s.stop();
  assert.equal(end.code, 0, 'exit status; stderr:\n' + s.stderr);
  assert.doesNotMatch(s.stderr, /ThreadSanitizer|AddressSanitizer|LeakSanitizer|runtime error:/, s.stderr);
  console.log(`stress: ${SECONDS} s, runs per load: ${runs.join(' ')}`);
});
