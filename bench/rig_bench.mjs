// The transceiver's cost, side by side in one run: swrctl-demo serve without
// a rig, with hamlib's rigctld (dummy rig), with a rig server that never
// answers, with one that sends an endless line and with the WSJT-X
// stand-in at WSJT-X's rate (--wsjtx). First the server's CPU
// with the controller unplugged, so the rig link is nearly all it does; then
// report-to-event latency at 20 reports/s: slower than the event stream's
// 40 ms slots, so each report is sent at once and the figure is the server's
// own delay, not where a report falls in a slot.
// Linux only (reads /proc). Usage: node rig_bench.mjs path/to/swrctl-demo
import fs from 'node:fs';
import net from 'node:net';
import { okEvents } from './checked.mjs';
import { latencies, median, p95 } from './event_latency.mjs';
import { freePort, rigctl, sleep, startRigctld, startServe } from '../tests/serve/harness.mjs';
import { freeUdpPort, heartbeat, standIn, status } from '../tests/serve/wsjtx_stand_in.mjs';

process.env.SWRCTL_DEMO = process.argv[2] || process.env.SWRCTL_DEMO;
const CPU_SECONDS = 20;
const LATENCY_SECONDS = 10;

// CPU time of a process's threads (those named `thread`, or all), in ns
// (schedstat's first field).
function cpuNs(pid, thread) {
  let sum = 0;
  for (const tid of fs.readdirSync(`/proc/${pid}/task`)) {
    const dir = `/proc/${pid}/task/${tid}`;
    if (thread && fs.readFileSync(`${dir}/comm`, 'utf8').trim() !== thread) continue;
    sum += Number(fs.readFileSync(`${dir}/schedstat`, 'utf8').split(' ')[0]);
  }
  return sum;
}

// A rig server that misbehaves: `silent` accepts and never answers,
// `endless` answers every connection with a line that never ends.
async function badRig(kind) {
  const sockets = new Set();
  const server = net.createServer((s) => {
    sockets.add(s);
    s.on('error', () => {});
    s.on('close', () => sockets.delete(s));
    if (kind !== 'endless') return;
    const chunk = Buffer.alloc(4096, 'x');
    const pump = () => { while (!s.destroyed && s.write(chunk)); };
    s.on('drain', pump);
    pump();
  });
  await new Promise((r) => server.listen(0, '127.0.0.1', r));
  return {
    port: server.address().port,
    close() { for (const s of sockets) s.destroy(); server.close(); },
  };
}

async function rigctld() {
  const port = await freePort();
  const rig = await startRigctld(port);
  rigctl(port, 'F', '7100000');
  return { port, pid: rig.pid, close() { rig.stop(); } };
}

// The WSJT-X stand-in at WSJT-X's own rate: a Status a second, a heartbeat
// each 15 s.
async function wsjtx() {
  const port = await freeUdpPort();
  const sender = await standIn(port);
  let n = 0;
  const timer = setInterval(() => {
    if (n++ % 15 === 0) sender.send(heartbeat('WSJT-X', '2.6.1'));
    sender.send(status('WSJT-X', { dialHz: 14074000, transmitting: n % 30 < 15 }));
  }, 1000);
  return { port, wsjtx: true, close() { clearInterval(timer); sender.close(); } };
}

const rigs = { none: null, rigctld: await rigctld(), silent: await badRig('silent'), endless: await badRig('endless'),
  wsjtx: await wsjtx() };
const argsOf = (rig) => (!rig ? [] : rig.wsjtx ? ['--wsjtx', `127.0.0.1:${rig.port}`] : ['--rig', `127.0.0.1:${rig.port}`]);
const threadOf = (name) => (name === 'wsjtx' ? 'swr-wsjtx' : 'swr-rig');
const servers = {};
try {
  for (const [name, rig] of Object.entries(rigs)) {
    servers[name] = await startServe([...argsOf(rig), '--no-log']);
  }
  for (const s of Object.values(servers)) await s.control('unplug');
  await sleep(3000);  // the rigctld link is up; the bad ones are backing off
  const ns0 = Object.fromEntries(Object.entries(servers).map(([n, s]) => [n, cpuNs(s.pid)]));
  const rigNs0 = Object.fromEntries(Object.entries(servers).map(([n, s]) => [n, cpuNs(s.pid, threadOf(n))]));
  const rigctldNs0 = cpuNs(rigs.rigctld.pid);
  const w0 = Date.now();
  await sleep(CPU_SECONDS * 1000);
  const wallNs = (Date.now() - w0) * 1e6;
  const cpu = Object.fromEntries(Object.entries(servers).map(([n, s]) =>
    [n, (100 * (cpuNs(s.pid) - ns0[n])) / wallNs]));
  const rigCpu = Object.fromEntries(Object.entries(servers).map(([n, s]) =>
    [n, (100 * (cpuNs(s.pid, threadOf(n)) - rigNs0[n])) / wallNs]));
  const rigctldCpu = (100 * (cpuNs(rigs.rigctld.pid) - rigctldNs0)) / wallNs;

  for (const s of Object.values(servers)) {
    await s.control('plug');
    await s.control('rate 20');
  }
  await sleep(1000);
  const streams = Object.fromEntries(await Promise.all(
    Object.entries(servers).map(async ([n, s]) => [n, await okEvents(s.port)])));
  const lat = Object.fromEntries(await Promise.all(
    Object.entries(streams).map(async ([n, e]) => [n, await latencies(e, LATENCY_SECONDS * 1000)])));
  for (const e of Object.values(streams)) e.close();

  console.log('rig_bench: five servers side by side (controller unplugged for CPU, 20 reports/s for latency)');
  console.log('  rig                 server CPU         its rig thread     event latency median / p95');
  for (const n of Object.keys(servers)) {
    const extra = n === 'none' ? '' : `${rigCpu[n].toFixed(3)} %`;
    console.log(`  ${n.padEnd(18)}  ${cpu[n].toFixed(3).padStart(6)} % of a core  ${extra.padEnd(17)}  ` +
      `${median(lat[n])} / ${p95(lat[n])} ms (${lat[n].length} events)`);
  }
  console.log(`  (target: the rig at most 0.1 % of one core, the WSJT-X listener (swr-wsjtx, a Status a second)`);
  console.log(`  at most 0.02 %; latency with a silent rig as without one)`);
  console.log(`  rigctld itself, answering the polls: ${rigctldCpu.toFixed(3)} % of a core`);
} finally {
  for (const s of Object.values(servers)) await s.stop();
  for (const r of Object.values(rigs)) if (r) r.close();
}
