// The halt on an alarm: the time from the reading that raises the SWR alarm
// to the halt request leaving serve, for rigctld's "T 0" (hamlib's dummy
// rig) and WSJT-X's Halt Tx (the stand-in), both given at once, at the
// demo's 25 reports/s and at 500. Each trip: the rig keyed, the demo's SWR
// over the limit, the alarm's halts read from the status, then the alarm
// acknowledged and the SWR back. Usage: node alarm_halt_bench.mjs path/to/swrctl-demo
import { okRequest } from './checked.mjs';
import { median, p95 } from './event_latency.mjs';
import { freePort, rigctl, sleep, startRigctld, startServe, until } from '../tests/serve/harness.mjs';
import { freeUdpPort, heartbeat, standIn, status } from '../tests/serve/wsjtx_stand_in.mjs';

process.env.SWRCTL_DEMO = process.argv[2] || process.env.SWRCTL_DEMO;
const TRIPS = 20;

async function trips(s, rigPort, rate) {
  const delays = { rigctld: [], wsjtx: [] };
  const auth = { Authorization: 'Bearer ' + s.token };
  await s.control('rate ' + rate);
  for (let i = 0; i < TRIPS; ++i) {
    rigctl(rigPort, 'T', '1');
    await until(async () => (await okRequest(s.port, { path: '/api/v1/status' })).json.rig?.ptt, 10000);
    await s.control('swr 3.0');
    const alarm = await until(async () => {
      const a = (await okRequest(s.port, { path: '/api/v1/status' })).json.alarm;
      return a.raised && a.halts.length === 2 && a.halts.every((h) => h.target !== 'rigctld' || h.outcome !== 'sent') && a;
    }, 15000);
    if (!alarm) throw new Error('no alarm with both halts answered; stderr: ' + s.stderr);
    for (const h of alarm.halts) {
      if (h.outcome === 'failed') throw new Error(`${h.target} failed: ${h.detail}`);
      delays[h.target].push(h.delay_ms);
    }
    await s.control('swr 0');
    await okRequest(s.port, { method: 'POST', path: '/api/v1/alarm/ack', headers: auth });
    await sleep(300);
  }
  return delays;
}

const rigPort = await freePort();
const rigctld = await startRigctld(rigPort);
const udpPort = await freeUdpPort();
const s = await startServe(['--rig', `127.0.0.1:${rigPort}`, '--wsjtx', `127.0.0.1:${udpPort}`,
  '--no-log', '--swr-alarm', '2.0', '--swr-alarm-hold', '0.2', '--swr-alarm-power', '1', '--swr-alarm-halt']);
const wsjtx = await standIn(udpPort);
const timer = setInterval(() => wsjtx.send(status('WSJT-X', { dialHz: 14074000, transmitting: true })), 1000);
try {
  await wsjtx.send(heartbeat('WSJT-X', '2.6.1'));
  await s.control('tx on');
  console.log(`alarm_halt_bench: reading that raised the alarm -> halt request sent, ${TRIPS} trips each`);
  console.log('  reports/s  target    median   p95      max');
  for (const rate of [25, 500]) {
    const d = await trips(s, rigPort, rate);
    for (const [target, xs] of Object.entries(d)) {
      console.log(`  ${String(rate).padStart(9)}  ${target.padEnd(8)}  ${String(median(xs)).padStart(3)} ms` +
        `   ${String(p95(xs)).padStart(3)} ms   ${String(Math.max(...xs)).padStart(3)} ms`);
    }
  }
  console.log('  (target: at most 50 ms)');
} finally {
  clearInterval(timer);
  wsjtx.close();
  await s.stop();
  await rigctld.stop();
}
