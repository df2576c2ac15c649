// The station log through swrctl-demo serve: transmissions over the API and
// as CSV (read back with Python's csv module), paging, filters and bad
// parameters, the summary and long history, swrctl log beside a running
// server, a restart after kill -9, a second server, a foreign file and a
// damaged one.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import crypto from 'node:crypto';
import fs from 'node:fs';
import path from 'node:path';
import { test } from 'node:test';
import { request, sleep, startServe, statusWhen, tempDir, until } from './harness.mjs';

const KEYS = ['id', 'start_unix_ms', 'end_unix_ms', 'start', 'end', 'duration_ms', 'sensor',
  'peak_power', 'average_power', 'max_swr', 'swr_at_peak', 'forward_at_peak',
  'reflected_at_peak', 'readings', 'cut_short', 'frequency_hz', 'band', 'mode',
  'sensor_name', 'antenna'];
const dir = tempDir('swrctl-log-');
const file = path.join(dir, 'station.db');
const get = async (s, p) => request(s.port, { path: p });

test('the station log over the API', { timeout: 120000 }, async (t) => {
  let s = await startServe(['--log', file]);
  try {
    // The demo transmits all the time: each unplug ends an over, cut short,
    // of 1.5 s once the controller is found and its readings flow.
    for (let i = 0; i < 3; i++) {
      await statusWhen(s);
      await sleep(1500);
      await s.control('unplug');
      await s.control('plug');
    }
    const all = await until(async () => {
      const r = await get(s, '/api/v1/transmissions');
      return r.json.transmissions.length >= 3 && r;
    }, 60000);
    assert.ok(all, 'three transmissions recorded');
    const list = all.json.transmissions;
    assert.deepEqual(Object.keys(list[0]), KEYS);
    assert.ok(list[0].start_unix_ms > list[1].start_unix_ms, 'newest first');
    assert.equal(list[0].cut_short, true);
    assert.equal(list[0].band, null);

    await t.test('paging with the cursor', async () => {
      const a = await get(s, '/api/v1/transmissions?limit=2');
      assert.equal(a.json.transmissions.length, 2);
      const b = await get(s, '/api/v1/transmissions?limit=2&cursor=' + a.json.next_cursor);
      assert.equal(b.json.transmissions.length, 1);
      assert.equal(b.json.next_cursor, null);
      assert.deepEqual([...a.json.transmissions, ...b.json.transmissions].map((x) => x.id),
        list.map((x) => x.id));
    });

    await t.test('filters', async () => {
      const iso = new Date(list[1].start_unix_ms).toISOString();
      const from = await get(s, '/api/v1/transmissions?from=' + encodeURIComponent(iso));
      assert.equal(from.json.transmissions.length, 2, from.body);
      const to = await get(s, `/api/v1/transmissions?to=${list[1].start_unix_ms}`);
      assert.equal(to.json.transmissions.length, 1);
      assert.equal((await get(s, '/api/v1/transmissions?band=20m')).json.transmissions.length, 0);
    });

    await t.test('bad parameters', async () => {
      for (const q of ['limit=0', 'limit=1001', 'from=yesterday', 'from=2026-13-01', 'cursor=abc',
        'colour=red', 'limit=1&limit=2', 'from=2&to=1', 'band=%2F%2F']) {
        const r = await get(s, '/api/v1/transmissions?' + q);
        assert.equal(r.status, 400, q);
        assert.equal(r.json.error, 'bad_request', q);
      }
      assert.equal((await get(s, '/api/v1/summary?to=x')).status, 400);
      assert.equal((await get(s, '/api/v1/history?seconds=604801')).status, 400);
    });

    await t.test('CSV', async () => {
      const r = await get(s, '/api/v1/transmissions.csv');
      assert.equal(r.status, 200);
      assert.match(r.headers['content-type'], /^text\/csv/);
      assert.match(r.headers['content-disposition'], /attachment/);
      const py = spawnSync('python3', ['-c',
        'import csv, json, sys; print(json.dumps(list(csv.reader(sys.stdin, strict=True))))'],
      { input: r.body, encoding: 'utf8' });
      assert.equal(py.status, 0, py.stderr);
      const rows = JSON.parse(py.stdout);
      assert.deepEqual(rows[0], KEYS);
      assert.equal(rows.length, list.length + 1);
      assert.equal(rows[1][0], String(list[0].id));
      assert.equal(Number(rows[1][7]), list[0].peak_power);
      assert.equal(rows[1][16], '');  // band: null
    });

    await t.test('summary and long history', async () => {
      const sum = (await get(s, '/api/v1/summary')).json;
      assert.ok(sum.transmissions >= 3, JSON.stringify(sum));
      assert.equal(sum.per[0].sensor, 1);
      const h = await get(s, '/api/v1/history?seconds=3600');
      assert.equal(h.json.slot_ms, 5000);
      assert.ok(h.json.points.length >= 1, h.body);
      const st = (await get(s, '/api/v1/status')).json;
      assert.deepEqual(st.log, { file, recording: true, seconds_lost: 0, error: null });
    });

    await t.test('swrctl log reads the file beside the server', () => {
      const r = spawnSync(process.env.SWRCTL_DEMO, ['log', '--log', file, '--format', 'json'],
        { encoding: 'utf8' });
      assert.equal(r.status, 0, r.stderr);
      const lines = r.stdout.trim().split('\n').map((l) => JSON.parse(l));
      assert.ok(lines.length >= 3);
      assert.ok(lines[0].start_unix_ms < lines[1].start_unix_ms, 'oldest first');
    });

    await t.test('a second server on the file is refused and serves on', async () => {
      const second = await startServe(['--log', file]);
      try {
        await until(() => second.stderr.includes('another'), 30000);
        // Its device loop finds the controller in its own time (slowly under
        // a sanitizer); the log's refusal must not stop it.
        const st = await until(async () => {
          const status = (await get(second, '/api/v1/status')).json;
          return status.connected && status;
        }, 60000);
        assert.ok(st, 'the second server never found the controller');
        assert.equal(st.log.recording, false);
        assert.match(st.log.error, /another swrctl serve is recording to/);
        assert.match(second.stderr, /another swrctl serve is recording to .*; serving without recording/);
      } finally {
        await second.kill();
      }
    });

    await s.kill();  // SIGKILL
    s = await startServe(['--log', file]);
    const again = (await get(s, '/api/v1/transmissions')).json.transmissions;
    assert.ok(again.length >= 3);
    assert.deepEqual(again.slice(-3).map((x) => x.id), list.slice(-3).map((x) => x.id));
  } finally {
    await s.kill();
  }
});

test('a foreign file is refused and left as it was; bad options', { timeout: 60000 }, async () => {
  const foreign = path.join(dir, 'contacts.csv');
  fs.writeFileSync(foreign, 'call,band\nAB1CD,20m\n');
  const s = await startServe(['--log', foreign]);
  try {
    await until(() => s.stderr.includes('refused'), 30000);
    assert.match(s.stderr, /refused and left untouched: it is not a station log/);
    // The device loop finds the controller in its own time (slowly under a
    // sanitizer); the refused log must not stop it.
    assert.ok(await until(async () => (await get(s, '/api/v1/status')).json.connected, 60000),
      'the server never found the controller');
    assert.equal((await get(s, '/api/v1/transmissions')).status, 503);
  } finally {
    await s.kill();
  }
  assert.equal(fs.readFileSync(foreign, 'utf8'), 'call,band\nAB1CD,20m\n');
  for (const [args, message] of [
    [['serve', '--tx-hang', '50'], "--tx-hang must be milliseconds from 100 to 60000, not '50'"],
    [['serve', '--tx-threshold', '0'], '--tx-threshold must be watts above 0'],
    [['serve', '--log', 'x.db', '--no-log'], '--log and --no-log exclude each other'],
    [['log', '--since', 'monday'], "--since must be unix milliseconds or an ISO 8601 time"],
    [['watch', '--since', '1'], '--since applies to log only'],
  ]) {
    const r = spawnSync(process.env.SWRCTL_DEMO, args, { encoding: 'utf8' });
    assert.equal(r.status, 64, args.join(' '));
    assert.ok(r.stderr.includes(message), r.stderr);
  }
});

// A log of some 120 pages: a server's file with 3000 transmissions added.
async function filledLog(name) {
  const f = path.join(dir, name);
  const s = await startServe(['--log', f]);
  await until(async () => (await get(s, '/api/v1/status')).json.log.recording, 10000);
  await s.stop();
  const py = spawnSync('python3', ['-c', `import sqlite3, sys
c = sqlite3.connect(sys.argv[1])
c.executemany("INSERT INTO transmissions(start_unix_ms, end_unix_ms, start_local, end_local,"
  " sensor, peak_power, average_power, forward_at_peak, reflected_at_peak, readings, cut_short)"
  " VALUES(?, ?, 'start', 'end', 1, 50, 40, 100, 10, 20, 0)",
  [(1.7e12 + i * 60000, 1.7e12 + i * 60000 + 5000) for i in range(3000)])
c.commit()
c.close()`, f], { encoding: 'utf8' });
  assert.equal(py.status, 0, py.stderr);
  return f;
}

// 4 KiB of (repeatable) random bytes at `offset`, the middle of the file
// by default.
function scramble(f, offset = Math.floor(fs.statSync(f).size / 2)) {
  const bytes = Buffer.alloc(4096);
  for (let i = 0, x = 29; i < bytes.length; i++) {
    x = (Math.imul(x, 1103515245) + 12345) >>> 0;
    bytes[i] = x >>> 24;
  }
  const fd = fs.openSync(f, 'r+');
  fs.writeSync(fd, bytes, 0, bytes.length, offset);
  fs.closeSync(fd);
}

// Scrambles a page of the transmissions table itself, which a read of every
// transmission is sure to meet (the middle of the file may hold an index the
// read does not use).
function scrambleTransmissions(f) {
  const py = spawnSync('python3', ['-c', `import sqlite3, sys
c = sqlite3.connect(sys.argv[1])
pages = [p for (p,) in c.execute("SELECT pageno FROM dbstat WHERE name = 'transmissions'"
                                 " AND pagetype = 'leaf' ORDER BY pageno")]
print(pages[len(pages) // 2], c.execute('PRAGMA page_size').fetchone()[0])`, f], { encoding: 'utf8' });
  assert.equal(py.status, 0, py.stderr);
  const [page, size] = py.stdout.trim().split(' ').map(Number);
  scramble(f, (page - 1) * size);
}

const sha256 = (f) => crypto.createHash('sha256').update(fs.readFileSync(f)).digest('hex');

test('a damaged log is never written; the meter goes on', { timeout: 120000 }, async (t) => {
  for (const [name, damage, whileServing] of [
    ['random bytes in the middle', scramble, false],
    ['cut to half its size', (f) => fs.truncateSync(f, Math.floor(fs.statSync(f).size / 2)), false],
    ['damaged while serving', scrambleTransmissions, true],
  ]) {
    await t.test(name, async () => {
      const f = await filledLog(name.replaceAll(' ', '-') + '.db');
      if (!whileServing) damage(f);
      const s = await startServe(['--log', f]);
      let sum;
      try {
        if (whileServing) {
          damage(f);
          // Reads every transmission, so it meets the damage.
          const csv = await get(s, '/api/v1/transmissions.csv?from=0');
          assert.equal(csv.status, 503, csv.body);
          assert.equal(csv.json.error, 'no_log');
        }
        sum = sha256(f);
        const st = await until(async () => {
          const status = (await get(s, '/api/v1/status')).json;
          return status.live && !status.log.recording && status;
        }, 10000);
        assert.ok(st, 'no live readings, or the log still recording');
        assert.match(st.log.error, /damaged.*sqlite3 .*\.recover/);
        assert.match(s.stderr, /swrctl: the station log .* it is damaged .*--log NEW\.db/);
        for (const p of ['/api/v1/transmissions', '/api/v1/summary']) {
          const r = await get(s, p);
          assert.equal(r.status, 503, p);
          assert.equal(r.json.error, 'no_log', p);
        }
        await sleep(1500);  // a round of the writer, which must not write
      } finally {
        await s.stop();
      }
      assert.equal(sha256(f), sum, 'the damaged file was changed');
    });
  }
});
