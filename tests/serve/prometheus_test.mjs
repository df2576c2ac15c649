// GET /metrics as Prometheus sees it: a real Prometheus (Debian's) scrapes
// two `swrctl-demo serve` once a second on loopback; its answers agree with
// the servers' own status, every query of the Grafana dashboard returns
// data, and promtool finds nothing to say about the exposition. A QSO
// logged by the WSJT-X stand-in is counted on its band; a stale reading
// leaves /metrics.
//   PROMETHEUS, PROMTOOL  the programs; DASHBOARD  the dashboard's JSON
import { test, after } from 'node:test';
import assert from 'node:assert/strict';
import { spawn, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { freePort, request, sleep, startServe, statusWhen } from './harness.mjs';
import { freeUdpPort, qsoLogged, standIn } from './wsjtx_stand_in.mjs';

const servers = [];
const wsjtxPort = await freeUdpPort();  // the first server's
let prometheus;
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'swrpanel-prometheus-'));
after(async () => {
  if (prometheus) prometheus.kill('SIGKILL');
  for (const s of servers) await s.stop();
  fs.rmSync(work, { recursive: true, force: true });
});

async function until(what, fn, ms = 60000) {
  const deadline = Date.now() + ms;
  for (;;) {
    const value = await fn();
    if (value) return value;
    if (Date.now() > deadline) throw new Error('timed out waiting for ' + what);
    await sleep(250);
  }
}

async function query(port, expr) {
  const res = await request(port, { path: '/api/v1/query?query=' + encodeURIComponent(expr) });
  assert.equal(res.status, 200, res.body);
  return res.json.data.result;
}

test('a real Prometheus scrapes two stations', async () => {
  servers.push(await startServe(['--wsjtx', `127.0.0.1:${wsjtxPort}`]), await startServe());
  const port = await freePort();
  const targets = servers.map((s, i) =>
    `  - targets: ['127.0.0.1:${s.port}']\n    labels: {station: 'shack-${i + 1}'}`).join('\n');
  fs.writeFileSync(path.join(work, 'prometheus.yml'),
    `global: {scrape_interval: 1s, evaluation_interval: 1s}\n` +
    `scrape_configs:\n- job_name: swrpanel\n  static_configs:\n${targets}\n`);
  prometheus = spawn(process.env.PROMETHEUS, [
    `--config.file=${path.join(work, 'prometheus.yml')}`, `--storage.tsdb.path=${path.join(work, 'data')}`,
    `--web.listen-address=127.0.0.1:${port}`, '--log.level=warn'], { stdio: 'ignore' });

  await until('both targets up', async () => {
    const res = await request(port, { path: '/api/v1/targets' }).catch(() => null);
    const active = res?.json?.data?.activeTargets ?? [];
    return active.length === 2 && active.every((t) => t.health === 'up');
  });
  for (const [i, s] of servers.entries()) {
    const station = `station="shack-${i + 1}"`;
    // The newest scrape and the status agree once both have the same reading.
    await until(`swrpanel_swr of shack-${i + 1}`, async () => {
      const [swr] = await query(port, `swrpanel_swr{${station}}`);
      const status = (await request(s.port, { path: '/api/v1/status' })).json;
      return swr && status.reading && Number(swr.value[1]) === status.reading.swr_value;
    });
    const status = (await request(s.port, { path: '/api/v1/status' })).json;
    const [changes] = await query(port, `swrpanel_link_changes_total{${station}}`);
    assert.equal(Number(changes.value[1]), status.link_changes);
    const [readings] = await query(port, `swrpanel_readings_total{${station}}`);
    assert.ok(Number(readings.value[1]) > 0);
  }

  const dashboard = JSON.parse(fs.readFileSync(process.env.DASHBOARD, 'utf8'));
  const exprs = dashboard.panels.flatMap((p) => p.targets.map((t) => t.expr));
  assert.ok(exprs.length >= 8);
  await sleep(2000);  // a few scrapes for the ranges
  for (const expr of exprs) {
    const filled = expr.replaceAll('$station', '.*').replaceAll('$__range', '1m');
    const result = await query(port, filled);
    assert.ok(result.length > 0, 'no data for ' + expr);
  }
});

test('promtool accepts the exposition; a stale reading leaves it', async () => {
  const s = servers[0] ?? (servers.push(await startServe(['--wsjtx', `127.0.0.1:${wsjtxPort}`])), servers[0]);
  await statusWhen(s);  // a reading to expose, however slowly the server started
  const live = await request(s.port, { path: '/metrics' });
  assert.equal(live.status, 200);
  assert.match(live.headers['content-type'], /^text\/plain; version=0\.0\.4/);
  const check = spawnSync(process.env.PROMTOOL, ['check', 'metrics'], { input: live.body, encoding: 'utf8' });
  assert.equal(check.status, 0, check.stdout + check.stderr);
  assert.equal(check.stdout + check.stderr, '');
  assert.match(live.body, /^swrpanel_power_watts\{sensor="\d"\} /m);

  // A transmission ended: counted per sensor and band (no band without a rig).
  await s.control('tx on');
  await sleep(1500);
  await s.control('tx off');
  await until('a transmission counted', async () => {
    const res = await request(s.port, { path: '/metrics' });
    return /^swrpanel_transmissions_total\{sensor="\d",band=""\} [1-9]/m.test(res.body);
  }, 30000);
  await s.control('tx auto');

  const wsjtx = await standIn(wsjtxPort);
  await wsjtx.send(qsoLogged('WSJT-X', { call: 'Q2SIM', txHz: 14075500, onMs: Date.now() - 60000, offMs: Date.now() }));
  wsjtx.close();
  const counted = await until('a QSO counted', async () => {
    const res = await request(s.port, { path: '/metrics' });
    return /^swrpanel_qsos_total\{band="20m"\} 1$/m.test(res.body) && res.body;
  }, 30000);
  const again = spawnSync(process.env.PROMTOOL, ['check', 'metrics'], { input: counted, encoding: 'utf8' });
  assert.equal(again.stdout + again.stderr, '');

  await s.control('unplug');
  const stale = await until('the reading to go', async () => {
    const res = await request(s.port, { path: '/metrics' });
    return /^swrpanel_reading_live 0$/m.test(res.body) && res.body;
  });
  for (const name of ['power_watts', 'swr', 'forward_level', 'reflected_level', 'peak_power_watts']) {
    assert.doesNotMatch(stale, new RegExp(`^swrpanel_${name}[{ ]`, 'm'));
  }
  assert.match(stale, /^swrpanel_controller_connected 0$/m);
  await s.control('plug');
});
