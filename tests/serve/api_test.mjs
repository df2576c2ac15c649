// The HTTP API of swrctl-demo serve on a loopback port: the bytes each
// command puts on the simulated controller, every error answer, the Host,
// Origin and token rules, the limits, and events across unplug and replug.
import assert from 'node:assert/strict';
import { after, before, describe, test } from 'node:test';
import {
  command, events, request, sleep, startServe, statusWhen, until,
} from './harness.mjs';

const T = { timeout: 30000 };
const zeros = ' 00 00 00 00 00';

describe('swrctl-demo serve', { timeout: 120000 }, () => {
  let s;
  before(async () => { s = await startServe(); });
  after(async () => {
    const end = await s.stop();
    assert.deepEqual(end, { code: 0, signal: null }, 'SIGTERM ends serve with status 0');
    assert.match(s.stderr, /stopped serving/);
  });

  test('status: connected, a live reading with texts, numbers and raw bytes', T, async () => {
    await statusWhen(s);  // the device loop finds the controller in its own time
    const r = await request(s.port, { path: '/api/v1/status' });
    assert.equal(r.status, 200);
    assert.match(r.headers['content-type'], /^application\/json/);
    assert.equal(r.headers['access-control-allow-origin'], undefined);
    const st = r.json;
    assert.equal(st.connected, true);
    assert.equal(st.live, true);
    assert.equal(st.read_only, false);
    assert.equal(st.reading.sensor, 1);
    assert.equal(st.reading.raw.length, 9);
    assert.equal(st.reading.forward, st.reading.raw[3]);
    assert.match(st.reading.power, /^-?\d+\.\d$/);
    assert.equal(st.reading.power_value, Number(st.reading.power));
    assert.equal(st.reading.swr_value, Number(st.reading.swr));
    assert.match(st.reading.time, /^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d$/);
    assert.equal(typeof st.peak_power.watts, 'number');
  });

  test('each command puts the panel\'s bytes on the controller', T, async () => {
    const cases = [
      [{ command: 'select', sensor: 2 }, '00 03 02 00' + zeros],
      [{ command: 'select', sensor: 3 }, '00 03 03 00' + zeros],
      [{ command: 'select', sensor: 1 }, '00 03 01 00' + zeros],
      [{ command: 'power', sensor: 2, watts: 600 }, '00 01 02 02' + zeros],
      [{ command: 'power', sensor: 1, watts: 50 }, '00 01 01 18' + zeros],
      [{ command: 'power', sensor: 3, watts: 1200 }, '00 01 03 01' + zeros],
      [{ command: 'swr', sensor: 1, limit: '2.5' }, '00 02 01 19' + zeros],
      [{ command: 'swr', sensor: 3, limit: 4 }, '00 02 03 28' + zeros],
      [{ command: 'swr', sensor: 2, limit: 1.1 }, '00 02 02 0B' + zeros],
      [{ command: 'blocking', on: true }, '00 08 01 00' + zeros],
      [{ command: 'blocking', on: false }, '00 08 02 00' + zeros],
    ];
    await s.control('clear');
    for (const [body, bytes] of cases) {
      const r = await command(s, body);
      assert.equal(r.status, 200, JSON.stringify(body) + ' ' + r.body);
      assert.deepEqual(r.json.sent, bytes, JSON.stringify(body));
      assert.equal(r.json.command, body.command);
    }
    assert.deepEqual(await s.received(), cases.map((c) => c[1]));
  });

  test('bad input, a missing or wrong token, foreign pages: refused, nothing sent', T, async () => {
    await s.control('clear');
    const ok = { command: 'select', sensor: 2 };
    const cases = [
      ['not JSON', () => command(s, '{"command":'), 400, 'bad_request', /not valid JSON/],
      ['a field twice', () => command(s, '{"command":"power","command":"blocking","on":true}'), 400,
        'bad_request', /field 'command' is given twice/],
      ['bad sensor', () => command(s, { command: 'select', sensor: 4 }), 400, 'bad_request',
        /sensor must be 1, 2 or 3, not '4'/],
      ['bad watts', () => command(s, { command: 'power', sensor: 2, watts: 500 }), 400, 'bad_request',
        /50, 120, 400, 600 or 1200/],
      ['bad limit', () => command(s, { command: 'swr', sensor: 1, limit: '4.5' }), 400, 'bad_request',
        /1\.0 to 4\.0/],
      ['no JSON type', () => command(s, ok, { 'Content-Type': 'text/plain' }), 400, 'bad_request',
        /Content-Type/],
      ['no token', () => command(s, ok, { Authorization: '' }), 401, 'unauthorized', /token/],
      ['wrong token', () => command(s, ok, { Authorization: 'Bearer ' + '0'.repeat(40) }), 401,
        'unauthorized', /token/],
      ['foreign origin', () => command(s, ok, { Origin: 'http://evil.example' }), 403,
        'foreign_origin', /other sites/],
      ['cross-site fetch', () => command(s, ok, { 'Sec-Fetch-Site': 'cross-site' }), 403,
        'foreign_origin', /other sites/],
      ['rebound host', () => command(s, ok, { Host: 'evil.example:' + s.port }), 403,
        'foreign_host', /Host/],
      ['GET', () => request(s.port, { path: '/api/v1/commands' }), 405, 'method_not_allowed',
        /POST/],
      ['too large', () => command(s, JSON.stringify({ command: 'select', sensor: 2, pad: 'x'.repeat(100000) })),
        413, 'too_large', /larger than 4096/],
    ];
    for (const [name, send, status, error, message] of cases) {
      const r = await send();
      assert.equal(r.status, status, name + ': ' + r.body);
      assert.equal(r.json.error, error, name);
      assert.match(r.json.message, message, name);
    }
    // Our own page's origin is fine.
    const own = await command(s, ok, { Origin: 'http://127.0.0.1:' + s.port });
    assert.equal(own.status, 200);
    assert.deepEqual(await s.received(), ['00 03 02 00' + zeros]);
    const page = await request(s.port, { path: '/', headers: { Host: 'evil.example' } });
    assert.equal(page.status, 403, 'the page, too, only for this server\'s names');
  });

  test('controller gone: 409; cannot be opened: 502', T, async () => {
    await s.control('openfail 1');
    let r = await command(s, { command: 'blocking', on: true });
    assert.equal(r.status, 502);
    assert.equal(r.json.error, 'write_failed');
    await s.control('openfail 0');
    await s.control('unplug');
    r = await command(s, { command: 'blocking', on: true });
    assert.equal(r.status, 409);
    assert.equal(r.json.error, 'not_connected');
    await s.control('plug');
  });

  test('history: the last N seconds of the chart; N from 1 to 600', T, async () => {
    // The replug of the test before: points again once readings flow.
    const r = await until(async () => {
      const h = await request(s.port, { path: '/api/v1/history?seconds=5' });
      return (h.status !== 200 || h.json.points.length >= 2) && h;
    }, 30000);
    assert.ok(r, 'no history within 30 s');
    assert.equal(r.status, 200);
    assert.equal(r.json.slot_ms, 500);
    const now = Date.now();
    for (const [t, power, swr] of r.json.points) {
      assert.ok(t > now - 6000 && t <= now, 'slot time ' + t);
      assert.ok(power === null || typeof power === 'number');
      assert.ok(swr === null || typeof swr === 'number');
    }
    for (const q of ['seconds=0', 'seconds=604801', 'seconds=abc', 'minutes=1', 'seconds=']) {
      const bad = await request(s.port, { path: '/api/v1/history?' + q });
      assert.equal(bad.status, 400, q);
    }
    assert.equal((await request(s.port, { path: '/api/v1/nothing' })).status, 404);
  });

  test('events: newest readings at most 25 a second, link events across unplug and replug', T, async () => {
    await s.control('rate 100');
    const ev = await events(s.port);
    assert.equal(ev.status, 200);
    assert.match(ev.headers['content-type'], /^text\/event-stream/);
    // The replug of the test before may still be under way.
    await ev.next((e) => e.event === 'link' && e.json.connected, 30000);
    const first = await ev.next((e) => e.event === 'reading');
    await sleep(1000);
    const got = [];
    ev.drain();
    const start = Date.now();
    while (Date.now() - start < 1000) got.push(await ev.next((e) => e.event === 'reading'));
    assert.ok(got.length >= 15 && got.length <= 27, got.length + ' readings in a second');
    for (let i = 1; i < got.length; ++i) assert.ok(got[i].id > got[i - 1].id);
    assert.ok(got[got.length - 1].id - first.id > got.length, 'readings were skipped, not queued');

    await s.control('unplug');
    const lost = await ev.next((e) => e.event === 'link');
    assert.equal(lost.json.connected, false);
    await s.control('plug');
    const back = await ev.next((e) => e.event === 'link');
    assert.equal(back.json.connected, true);
    assert.equal(back.json.changes, lost.json.changes + 1);
    const again = await ev.next((e) => e.event === 'reading');
    assert.ok(again.id > got[got.length - 1].id);
    ev.close();
    await s.control('rate 25');
  });

  test('"no data": connected, but no report for over a second', T, async () => {
    await s.control('rate 0');
    const st = await statusWhen(s, (x) => !x.live, 30000);
    assert.equal(st.connected, true);
    assert.ok(st.age_ms > 1000);
    // A client that comes now still learns the link state and the last reading.
    const late = await events(s.port);
    assert.equal((await late.next((e) => e.event === 'link', 10000)).json.connected, true);
    await late.next((e) => e.event === 'reading', 10000);
    late.close();
    await s.control('rate 25');
  });

  test('limits: header size, header count, more clients than allowed', T, async () => {
    let r = await request(s.port, { path: '/api/v1/status', headers: { 'X-Big': 'y'.repeat(10000) } });
    assert.equal(r.status, 431);
    const many = {};
    for (let i = 0; i < 60; ++i) many['X-F' + i] = '1';
    r = await request(s.port, { path: '/api/v1/status', headers: many });
    assert.equal(r.status, 431);

    // As many viewers as the server keeps streams for, each loading the page
    // and opening its stream: the page, the status and /metrics still load,
    // one stream more is refused.
    const viewers = [];
    try {
      for (let i = 0; i < 64; ++i) {
        assert.equal((await request(s.port, { path: '/' })).status, 200, 'the page of viewer ' + i);
        viewers.push(await events(s.port));
        assert.equal(viewers[i].status, 200, 'the stream of viewer ' + i);
      }
      for (const path of ['/', '/api/v1/status', '/metrics']) {
        r = await request(s.port, { path });
        assert.equal(r.status, 200, path + ' with every stream open: ' + r.body.slice(0, 200));
      }
      const more = await events(s.port);
      more.close();
      assert.equal(more.status, 503, 'a stream beyond the share');
    } finally {
      for (const v of viewers) v.close();
    }
    const again = await until(async () => {
      const ev = await events(s.port);
      ev.close();
      return ev.status === 200;
    });
    assert.ok(again, 'the streams\' slots are given back');
  });

  test('the page: self-contained, no external resources, strict headers', T, async () => {
    const r = await request(s.port, { path: '/' });
    assert.equal(r.status, 200);
    assert.match(r.headers['content-type'], /^text\/html; charset=utf-8/);
    assert.match(r.headers['content-security-policy'], /default-src 'none'/);
    assert.doesNotMatch(r.body, /(src|href)=["']?(https?:)?\/\//);
    assert.ok(r.body.length < 49152, 'page size ' + r.body.length);
    assert.match(r.body, /Включеный датчик/);
  });
});

describe('swrctl-demo serve --read-only', { timeout: 60000 }, () => {
  test('commands are refused with 403, readings still flow', T, async () => {
    const s = await startServe(['--read-only']);
    try {
      const r = await command(s, { command: 'blocking', on: true });
      assert.equal(r.status, 403);
      assert.equal(r.json.error, 'read_only');
      assert.deepEqual(await s.received(), []);
      const st = (await request(s.port, { path: '/api/v1/status' })).json;
      assert.equal(st.read_only, true);
    } finally {
      assert.equal((await s.stop()).code, 0);
    }
  });
});
