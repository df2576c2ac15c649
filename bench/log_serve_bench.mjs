// The station log in swrctl-demo serve: the server's CPU at 100 reports a
// second with the log and with --no-log, side by side; then the API's log
// queries over HTTP on the busy year made by log_bench, and the server's
// resident memory after them. Linux only (reads /proc).
// Usage: node log_serve_bench.mjs path/to/swrctl-demo path/to/log_bench.db
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { okRequest } from './checked.mjs';
import { sleep, startServe } from '../tests/serve/harness.mjs';

process.env.SWRCTL_DEMO = process.argv[2] || process.env.SWRCTL_DEMO;
const busy = process.argv[3];
const TICKS = 100;  // USER_HZ on Linux
const SECONDS = 20;

function cpuTicks(pid) {
  const fields = fs.readFileSync(`/proc/${pid}/stat`, 'utf8').split(') ')[1].split(' ');
  return Number(fields[11]) + Number(fields[12]);
}
const rssMb = (pid) =>
  Number(/VmRSS:\s+(\d+)/.exec(fs.readFileSync(`/proc/${pid}/status`, 'utf8'))[1]) / 1024;

async function cpuAt100(args) {
  const s = await startServe(args);
  try {
    await s.control('rate 100');
    await sleep(2000);
    const t0 = cpuTicks(s.pid);
    const w0 = Date.now();
    await sleep(SECONDS * 1000);
    return (100 * (cpuTicks(s.pid) - t0)) / TICKS / ((Date.now() - w0) / 1000);
  } finally {
    await s.stop();
  }
}

const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'swrctl-bench-'));
const without = await cpuAt100(['--no-log']);
const withLog = await cpuAt100(['--log', path.join(dir, 'station.db')]);
console.log(`log_serve_bench: server CPU at 100 reports/s over ${SECONDS} s`);
console.log(`  --no-log: ${without.toFixed(2)} %   with the log: ${withLog.toFixed(2)} %` +
            `   difference: ${(withLog - without).toFixed(2)} % of one core (target <= 0.3 %)`);

if (busy) {
  const s = await startServe(['--log', busy]);
  try {
    const now = Date.now();
    const time = async (p) => {
      const t0 = process.hrtime.bigint();
      const r = await okRequest(s.port, { path: p });
      return [Number(process.hrtime.bigint() - t0) / 1e6, r.body.length];
    };
    const days = [];
    for (let i = 1; i <= 21; i++) {
      const from = now - i * 8 * 86400000;
      days.push((await time(`/api/v1/transmissions?from=${from}&to=${from + 86400000}&limit=1000`))[0]);
    }
    days.sort((a, b) => a - b);
    const [csv, csvBytes] = await time(`/api/v1/transmissions.csv?from=${now - 30 * 86400000}`);
    const [history] = await time('/api/v1/history?seconds=604800');
    const [summary] = await time(`/api/v1/summary?from=${now - 365 * 86400000}&to=${now}`);
    console.log(`  over HTTP on the busy year (${(fs.statSync(busy).size / 1e6).toFixed(1)} MB):`);
    console.log(`  transmissions of one day p50 ${days[10].toFixed(1)} ms (<= 20), CSV of 30 days` +
                ` ${csv.toFixed(0)} ms for ${csvBytes} bytes (<= 1000), history of 7 days` +
                ` ${history.toFixed(1)} ms (<= 50), 365-day summary ${summary.toFixed(0)} ms (<= 200)`);
    console.log(`  server resident memory after these: ${rssMb(s.pid).toFixed(1)} MB (target <= 20 MB)`);
  } finally {
    await s.stop();
  }
}
