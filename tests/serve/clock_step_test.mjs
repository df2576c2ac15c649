// swrctl-demo serve with its wall clock stepped by libfaketime during a
// transmission, back an hour and then ahead an hour; the monotonic clock runs
// on untouched. Each record keeps its measured duration, the per-day totals
// stay positive, the history in order, and each step is said once.
//   FAKETIME_LIB  libfaketimeMT.so.1
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { test } from 'node:test';
import { request, sleep, startServe, tempDir, until } from './harness.mjs';

const dir = tempDir('swrctl-clock-');
const file = path.join(dir, 'station.db');
const offset = path.join(dir, 'faketime.rc');  // libfaketime's offset, read at every call
const get = async (s, p) => (await request(s.port, { path: p })).json;

test('a wall clock that steps during transmissions', { timeout: 120000 }, async () => {
  fs.writeFileSync(offset, '+0\n');
  const s = await startServe(['--log', file], {
    env: { LD_PRELOAD: process.env.FAKETIME_LIB, FAKETIME_TIMESTAMP_FILE: offset,
      FAKETIME_NO_CACHE: '1', FAKETIME_DONT_FAKE_MONOTONIC: '1' },
  });
  let end;
  try {
    await s.control('tx off');
    assert.ok(await until(async () => (await get(s, '/api/v1/status')).connected), 'connected');
    for (const [to, count, said] of [['-3600', 1, /stepped back/], ['+0', 2, /stepped ahead/]]) {
      await s.control('tx on');  // a carrier of 3 s, the clock stepped half-way
      await sleep(1500);
      fs.writeFileSync(offset, to + '\n');
      await sleep(1500);
      await s.control('tx off');
      const list = await until(async () => {
        const l = (await get(s, '/api/v1/transmissions')).transmissions;
        return l.length === count && l;
      });
      assert.ok(list, `transmission ${count} recorded`);
      const t = list.find((x) => x.id === count);
      assert.ok(t.duration_ms > 2000 && t.duration_ms < 10000, `${to}: ${t.duration_ms} ms`);
      assert.equal(t.end_unix_ms - t.start_unix_ms, t.duration_ms, to);
      assert.ok(new Date(t.end) > new Date(t.start), `${to}: ${t.start} to ${t.end}`);
      for (const seconds of [600, 7200]) {  // the live history, the log's
        const at = (await get(s, '/api/v1/history?seconds=' + seconds)).points.map((p) => p[0]);
        assert.ok(at.every((ms, i) => i === 0 || ms > at[i - 1]), `${to}, ${seconds} s: ${at}`);
      }
      assert.equal(s.stderr.split('\n').filter((l) => said.test(l)).length, 1, s.stderr);
    }
  } finally {
    end = await s.stop();
  }
  assert.equal(end.code, 0, s.stderr);
  const py = spawnSync('python3', ['-c', 'import sqlite3, sys, json; print(json.dumps(sqlite3.connect('
    + 'sys.argv[1]).execute("SELECT day, on_air_ms FROM transmission_days").fetchall()))', file],
  { encoding: 'utf8' });
  assert.equal(py.status, 0, py.stderr);
  const days = JSON.parse(py.stdout);
  assert.ok(days.length > 0 && days.every(([, ms]) => ms > 0), py.stdout);
});
