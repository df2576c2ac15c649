// swrctl-demo serve at 100 reports a second: report-to-event latency, the
// server's CPU with 50 event clients, its resident memory, the page's size,
// the cost and size of a /metrics scrape, the last two while the 50 event
// clients are connected. Any answer but 200 ends it with an error.
// Linux only (reads /proc). Usage: node serve_bench.mjs path/to/swrctl-demo
import fs from 'node:fs';
import { okEvents, okRequest } from './checked.mjs';
import { latencies, median, p95 } from './event_latency.mjs';
import { sleep, startServe } from '../tests/serve/harness.mjs';

process.env.SWRCTL_DEMO = process.argv[2] || process.env.SWRCTL_DEMO;
const TICKS = 100;  // USER_HZ on Linux

function cpuTicks(pid) {
  const fields = fs.readFileSync(`/proc/${pid}/stat`, 'utf8').split(') ')[1].split(' ');
  return Number(fields[11]) + Number(fields[12]);  // utime + stime
}
function rssKb(pid, key) {
  return Number(new RegExp(key + ':\\s+(\\d+)').exec(fs.readFileSync(`/proc/${pid}/status`, 'utf8'))[1]);
}

const s = await startServe();
try {
  await s.control('rate 100');
  await sleep(500);
  let t0 = cpuTicks(s.pid);
  let w0 = Date.now();
  await sleep(5000);
  const idle = (100 * (cpuTicks(s.pid) - t0)) / TICKS / ((Date.now() - w0) / 1000);
  const one = await okEvents(s.port);
  const alone = await latencies(one, 5000);

  const clients = [];
  for (let i = 0; i < 49; ++i) clients.push(await okEvents(s.port));
  // Each client reads its stream; the bench only keeps the queue short.
  const keepDraining = setInterval(() => clients.forEach((c) => c.drain()), 200);
  await sleep(1000);
  t0 = cpuTicks(s.pid);
  w0 = Date.now();
  const loaded = await latencies(one, 10000);
  const cpu = (100 * (cpuTicks(s.pid) - t0)) / TICKS / ((Date.now() - w0) / 1000);
  clearInterval(keepDraining);
  const rss = rssKb(s.pid, 'VmRSS');
  const hwm = rssKb(s.pid, 'VmHWM');
  // The page and the scrapes while the 50 clients stay connected, as a
  // 51st viewer and Prometheus meet them.
  const page = await okRequest(s.port, { path: '/' });
  // Prometheus' scrape: the server's CPU per scrape over a run of them.
  const SCRAPES = 500;
  t0 = cpuTicks(s.pid);
  const idleTicks = (idle / 100) * TICKS;  // per second, without scrapes
  w0 = Date.now();
  let scrape;
  for (let i = 0; i < SCRAPES; ++i) scrape = await okRequest(s.port, { path: '/metrics' });
  const scrapeSeconds = (Date.now() - w0) / 1000;
  const scrapeMs = (1000 * Math.max(0, cpuTicks(s.pid) - t0 - idleTicks * scrapeSeconds)) / TICKS / SCRAPES;

  console.log('serve_bench: 100 reports/s from the simulated controller');
  console.log(`  report-to-event latency, 1 client:   median ${median(alone)} ms, p95 ${p95(alone)} ms (${alone.length} events)`);
  console.log(`  report-to-event latency, 50 clients: median ${median(loaded)} ms, p95 ${p95(loaded)} ms (${loaded.length} events)`);
  console.log(`  server CPU, no clients:              ${idle.toFixed(2)} % of one core (device loop and simulated controller)`);
  console.log(`  server CPU with 50 event clients:    ${cpu.toFixed(2)} % of one core`);
  console.log(`  of which the 50 clients' events:     ${(cpu - idle).toFixed(2)} % of one core (target <= 3 %)`);
  console.log(`  resident memory:                     ${(rss / 1024).toFixed(1)} MB now, ${(hwm / 1024).toFixed(1)} MB peak (target <= 15 MB)`);
  console.log(`  page transfer size:                  ${Buffer.byteLength(page.body)} bytes (uncompressed, one request)`);
  console.log(`  /metrics scrape:                     ${scrapeMs.toFixed(3)} ms of server CPU each (target <= 1 ms), ${Buffer.byteLength(scrape.body)} bytes`);
  for (const c of clients) c.close();
  one.close();
} finally {
  await s.stop();
}
