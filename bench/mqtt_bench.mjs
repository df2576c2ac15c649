// swrctl-demo serve publishing to a private mosquitto on loopback: the
// change-to-publish latency of what --mqtt-rate does not pace, each as a
// subscriber (mosquitto_sub) receives it:
//   the first reading after a quiet second: arrival - the reading's unix_ms;
//   a link change: arrival - the same change's event on the HTTP stream;
//   the alarm raised: arrival - the unix_ms of the reading that raised it;
//   a transmission's end: arrival - (its end_unix_ms + the hang time), the
//     first reading after the hang time being the change (at 100 reports/s,
//     within 10 ms of it).
// Usage: node mqtt_bench.mjs path/to/swrctl-demo
import { spawn, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { median, p95 } from './event_latency.mjs';
import { events, freePort, sleep, startServe } from '../tests/serve/harness.mjs';

process.env.SWRCTL_DEMO = process.argv[2] || process.env.SWRCTL_DEMO;
const ROUNDS = 10;
const HANG_MS = 300;
const prefix = 'bench/meter';

for (const tool of ['mosquitto_sub', 'mosquitto_pub']) {
  if (spawnSync('sh', ['-c', `command -v ${tool}`]).status !== 0) {
    console.log(`mqtt_bench: ${tool} is missing (scripts/install-deps.sh installs it); skipped`);
    process.exit(0);
  }
}

const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'swr-mqtt-bench-'));
const port = await freePort();
fs.writeFileSync(path.join(dir, 'broker.conf'),
  `listener ${port} 127.0.0.1\nallow_anonymous true\npersistence false\n`);
const broker = spawn('/usr/sbin/mosquitto', ['-c', path.join(dir, 'broker.conf')], { stdio: 'ignore' });
await sleep(500);

// Every message under the prefix, with its arrival (the subscriber's clock,
// which is the server's: both on this machine).
const messages = [];
let waiting = null;
const sub = spawn('mosquitto_sub', ['-h', '127.0.0.1', '-p', String(port), '-t', `${prefix}/#`,
  '-F', '%U\t%t\t%p'], { stdio: ['ignore', 'pipe', 'ignore'] });
let rest = '';
sub.stdout.on('data', (d) => {
  rest += d;
  let i;
  while ((i = rest.indexOf('\n')) >= 0) {
    const [at, topic, payload] = rest.slice(0, i).split('\t');
    rest = rest.slice(i + 1);
    messages.push({ at: Number(at) * 1000, topic: topic.slice(prefix.length + 1), payload });
    if (waiting) waiting();
  }
});
async function next(topic, match = () => true, ms = 10000) {
  const deadline = Date.now() + ms;
  for (;;) {
    const i = messages.findIndex((m) => m.topic === topic && match(m));
    if (i >= 0) return messages.splice(0, i + 1)[i];
    if (Date.now() > deadline) throw new Error(`no ${topic} message in ${ms} ms`);
    await new Promise((r) => { waiting = r; setTimeout(r, 50); });
  }
}
const drain = () => messages.splice(0);
const pub = (topic, payload) => spawnSync('mosquitto_pub', ['-h', '127.0.0.1', '-p', String(port),
  '-t', `${prefix}/${topic}`, '-m', payload]);

const s = await startServe(['--mqtt', `mqtt://127.0.0.1:${port}`, '--mqtt-prefix', prefix,
  '--mqtt-rate', '5', '--swr-alarm', '1.0', '--swr-alarm-hold', '0.1', '--tx-hang', String(HANG_MS)]);
const figures = {};
try {
  await s.control('tx off');
  await s.control('rate 100');
  await next('live', (m) => m.payload === 'true');
  const stream = await events(s.port);

  figures['first reading after a quiet second'] = [];
  for (let i = 0; i < ROUNDS; ++i) {
    await s.control('rate 0');
    await sleep(1200);
    drain();
    await s.control('rate 100');
    const m = await next('reading');
    figures['first reading after a quiet second'].push(m.at - JSON.parse(m.payload).unix_ms);
  }

  figures['link change'] = [];
  for (let i = 0; i < ROUNDS; ++i) {
    for (const [what, word] of [['unplug', 'disconnected'], ['plug', 'connected']]) {
      drain();
      stream.drain();
      await s.control(what);
      const http = await stream.next((e) => e.event === 'link');
      const m = await next('link', (x) => x.payload === word);
      figures['link change'].push(m.at - http.at);
    }
    await sleep(300);
  }

  figures['alarm raised'] = [];
  for (let i = 0; i < ROUNDS; ++i) {
    drain();
    await s.control('tx on');
    const m = await next('alarm', (x) => JSON.parse(x.payload).raised);
    figures['alarm raised'].push(m.at - JSON.parse(m.payload).unix_ms);
    await s.control('tx off');
    pub('alarm/ack', 'ack');
    await next('alarm', (x) => !JSON.parse(x.payload).raised);
  }

  figures["transmission's end"] = [];
  for (let i = 0; i < ROUNDS; ++i) {
    await s.control('tx on');
    await sleep(500);
    drain();
    await s.control('tx off');
    const m = await next('transmission');
    figures["transmission's end"].push(m.at - JSON.parse(m.payload).end_unix_ms - HANG_MS);
    pub('alarm/ack', 'ack');
    await sleep(200);
  }
  stream.close();
} finally {
  await s.stop();
  sub.kill();
  broker.kill();
  fs.rmSync(dir, { recursive: true, force: true });
}

console.log('mqtt_bench: change-to-publish latency against mosquitto on loopback (--mqtt-rate 5)');
for (const [what, xs] of Object.entries(figures)) {
  const f = (x) => x.toFixed(1);
  console.log(`  ${(what + ':').padEnd(38)} median ${f(median(xs))} ms, p95 ${f(p95(xs))} ms (${xs.length}; target median <= 25 ms)`);
}
