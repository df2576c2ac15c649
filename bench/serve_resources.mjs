// swrctl-demo serve's resident memory and open descriptors before and after
// 10,000 connection cycles (connect, GET /api/v1/status, close) and 1,000
// event-stream cycles (subscribe, first event, unsubscribe) on loopback. A
// cycle without a 200 counts as failed, and any failed one fails the run.
// Linux only (reads /proc); bounded to a few minutes.
// Usage: node serve_resources.mjs path/to/swrctl-demo
import fs from 'node:fs';
import { events, request, sleep, startServe } from '../tests/serve/harness.mjs';

process.env.SWRCTL_DEMO = process.argv[2] || process.env.SWRCTL_DEMO;
const CONNECTIONS = 10000;
const STREAMS = 1000;
const PARALLEL = 8;
const LIMIT_MS = 240000;

function figures(pid) {
  const status = fs.readFileSync(`/proc/${pid}/status`, 'utf8');
  return {
    rssKb: Number(/VmRSS:\s+(\d+)/.exec(status)[1]),
    fds: fs.readdirSync(`/proc/${pid}/fd`).length,
  };
}

// `count` runs of `cycle` on PARALLEL lanes; the number that failed.
async function cycles(count, cycle, deadline) {
  let next = 0;
  let failed = 0;
  const lane = async () => {
    while (next < count && Date.now() < deadline) {
      ++next;
      if (!(await cycle().catch(() => false))) ++failed;
    }
  };
  await Promise.all(Array.from({ length: PARALLEL }, lane));
  if (next < count) throw new Error(`only ${next} of ${count} cycles in time`);
  return failed;
}

const s = await startServe();
try {
  const deadline = Date.now() + LIMIT_MS;
  await sleep(1000);
  const start = figures(s.pid);
  const t0 = Date.now();
  const failedConnections = await cycles(CONNECTIONS, async () =>
    (await request(s.port, { path: '/api/v1/status' })).status === 200, deadline);
  const t1 = Date.now();
  await sleep(2500);  // closing connections drain for up to 2 s
  const afterConnections = figures(s.pid);
  const failedStreams = await cycles(STREAMS, async () => {
    const ev = await events(s.port);
    try {
      await ev.next(() => true, 5000);
      return ev.status === 200;
    } finally {
      ev.close();
    }
  }, deadline);
  const t2 = Date.now();
  await sleep(2500);
  const afterStreams = figures(s.pid);
  const row = (name, f) => console.log(`  ${name.padEnd(28)} RSS ${String(f.rssKb).padStart(6)} kB, ${f.fds} descriptors`);
  console.log('serve_resources: swrctl-demo serve on loopback');
  row('at start', start);
  row(`after ${CONNECTIONS} connections`, afterConnections);
  row(`after ${STREAMS} event streams`, afterStreams);
  console.log(`  connections: ${t1 - t0} ms, ${failedConnections} failed; ` +
              `event streams: ${t2 - t1} ms, ${failedStreams} failed`);
  if (failedConnections || failedStreams) {
    throw new Error(`${failedConnections} connection and ${failedStreams} event-stream cycles ` +
                    'failed (an error answer or none): the figures above are not the server\'s own');
  }
} finally {
  await s.stop();
}
