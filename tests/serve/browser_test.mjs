// The page in a real browser (Debian's chromium, headless, driven by
// playwright-core): live values from the demo, the "no data" state when
// reports stop, a command clicked and its outcome shown, the chart drawn;
// the log card and the chart's range from the log's API (answered by the
// test where the server has no log), and the card when the log is off;
// with the demo's transceiver: the rig in the header, the bands card, the
// SWR alarm's banner, acknowledged with the token only, its QSO in the QSO
// card as it is logged, with its measured power and its ADIF; the alarms
// card drawing a trip's readings.
// Screenshots at a desktop and a phone size go to $SCREENSHOTS.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import { createRequire } from 'node:module';
import os from 'node:os';
import path from 'node:path';
import { after, before, test } from 'node:test';
import { request, sleep, startServe, until } from './harness.mjs';

const require = createRequire(path.resolve(process.env.WEB_TEST_TOOLS || '.', 'package.json'));
const { chromium } = require('playwright-core');
const shots = process.env.SCREENSHOTS || path.join(os.tmpdir(), 'swrctl-screenshots');
const T = { timeout: 60000 };

let s;
let browser;
before(async () => {
  s = await startServe();
  fs.mkdirSync(shots, { recursive: true });
  browser = await chromium.launch({
    executablePath: '/usr/bin/chromium',
    headless: true,
    timeout: 30000,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
    // launch() gives the browser a fresh profile directory of its own (the
    // --user-data-dir) and removes it at close.
  });
});
after(async () => {
  if (browser) await browser.close();
  if (s) assert.equal((await s.stop()).code, 0);
});

async function open(options, url = s.url, routes = null) {
  const context = await browser.newContext(options);
  const page = await context.newPage();
  if (routes) await page.route(/\/api\/v1\/(transmissions|summary|history)/, routes);
  const errors = [];
  page.on('pageerror', (e) => errors.push(String(e)));
  // A refused command is logged by the browser as a failed load; that is
  // the outcome under test, not a fault of the page.
  page.on('console', (m) => {
    if (m.type() === 'error' && !m.text().startsWith('Failed to load resource')) errors.push(m.text());
  });
  await page.goto(url);
  return { context, page, errors };
}

// Pixels of a canvas (the chart's) that are not background.
function inked(page, id = 'chart') {
  return page.evaluate((canvas) => {
    const c = document.getElementById(canvas);
    const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
    let n = 0;
    for (let i = 3; i < d.length; i += 4) if (d[i] > 0) ++n;
    return n;
  }, id);
}

test('desktop, Russian: live values, chart, a command and its outcome, "no data"', T, async () => {
  const { context, page, errors } = await open({ viewport: { width: 1280, height: 800 }, locale: 'ru-RU' });
  await page.waitForFunction(() => /^-?\d+\.\d$/.test(document.getElementById('power').textContent));
  assert.equal(await page.textContent('#link'), 'подключено');
  assert.match(await page.textContent('#swr'), /^(\d+\.\d|\*\*\*)$/);
  assert.equal(await page.textContent('#sensor'), '1');
  assert.doesNotMatch(await page.getAttribute('#meter', 'class'), /stale/);
  const first = await page.textContent('#time');
  // The time of the last report moves on.
  await page.waitForFunction((t) => document.getElementById('time').textContent !== t, first);
  assert.ok(await page.isVisible('#settings'), 'settings shown with the token');
  assert.match(await page.textContent('[data-t=forward]'), /^Прямая $/);

  await page.click('#sel2');
  await page.waitForFunction(() => document.getElementById('outcome').textContent.startsWith('Отправлено:'));
  assert.equal(await page.textContent('#outcome'), 'Отправлено: 00 03 02 00 00 00 00 00 00');
  await page.selectOption('#psensor', '3');
  await page.selectOption('#pwatts', '400');
  await page.click('#pset');
  await page.waitForFunction(() => document.getElementById('outcome').textContent.includes('00 01 03 03'));
  await page.fill('#slimit', '5');
  await page.click('#sset');
  await page.waitForFunction(() => document.getElementById('outcome').className === 'err');
  assert.match(await page.textContent('#outcome'), /400 SWR limit must be 1\.0 to 4\.0/);
  assert.deepEqual(await s.received(), ['00 03 02 00 00 00 00 00 00', '00 01 03 03 00 00 00 00 00']);
  await page.waitForFunction(() => document.getElementById('sensor').textContent === '2');

  // A second or so of chart.
  assert.ok(await until(async () => await inked(page) > 2000, 30000), 'the chart shows axes and lines');
  await page.screenshot({ path: path.join(shots, 'desktop-ru.png') });

  await s.control('rate 0');
  await page.waitForSelector('#nodata', { state: 'visible', timeout: 15000 });
  assert.match(await page.getAttribute('#meter', 'class'), /stale/);
  assert.equal(await page.textContent('#nodata'), 'Нет данных: показания не приходят');
  await page.screenshot({ path: path.join(shots, 'desktop-ru-no-data.png') });
  await s.control('rate 25');
  await page.waitForSelector('#nodata', { state: 'hidden', timeout: 15000 });

  await s.control('unplug');
  await page.waitForFunction(() => document.getElementById('link').textContent === 'Устройство неподключено');
  assert.ok(!(await page.isVisible('#nodata')), 'not connected is said as such, not as "no data"');
  assert.match(await page.getAttribute('#meter', 'class'), /stale/);
  await s.control('plug');
  await page.waitForFunction(() => document.getElementById('link').textContent === 'подключено');
  assert.deepEqual(errors, []);
  await context.close();
});

test('phone, English: readings, and no settings without the token', T, async () => {
  const url = s.url.replace(/#.*/, '');
  const { context, page, errors } = await open(
    { viewport: { width: 390, height: 844 }, locale: 'en-US', deviceScaleFactor: 2, isMobile: true }, url);
  await page.waitForFunction(() => /^-?\d+\.\d$/.test(document.getElementById('power').textContent));
  assert.equal(await page.textContent('[data-t=power]'), 'Power');
  assert.equal(await page.textContent('#link'), 'connected');
  assert.ok(!(await page.isVisible('#settings')));
  assert.match(await page.textContent('#locked'), /access token/);
  const width = await page.evaluate(() => document.documentElement.scrollWidth);
  assert.ok(width <= 390, 'no sideways scrolling on a phone: ' + width);
  await sleep(1000);
  await page.screenshot({ path: path.join(shots, 'phone-en.png'), fullPage: true });
  assert.deepEqual(errors, []);
  await context.close();
});

// The log's API as a server with a log answers it, for testing the page
// before or without one. Records what the page asked for.
function fakeLog() {
  const now = Date.now();
  const tx = (ago, ms, sensor, band, peak, avg, swr, cut) => ({ id: ago, start_unix_ms: now - ago,
    end_unix_ms: now - ago + ms, duration_ms: ms, sensor, band, peak_power: peak, average_power: avg,
    max_swr: swr, cut_short: cut, frequency_hz: null, mode: null });
  const asked = { history: [], list: [], csvAuth: null };
  const handler = (route) => {
    const u = new URL(route.request().url());
    const reply = (body, type = 'application/json') => route.fulfill({ status: 200, contentType: type,
      body: typeof body === 'string' ? body : JSON.stringify(body) });
    const seconds = Number(u.searchParams.get('seconds'));
    if (u.pathname === '/api/v1/history') {
      if (seconds <= 600) return route.continue();
      asked.history.push(seconds);
      const points = [];
      for (let i = 0; i < 600; ++i) if (i % 50 < 20) points.push([now - (600 - i) * seconds * 5 / 3, 20 + (i % 50) * 4, 1.5]);
      return reply({ seconds, slot_ms: seconds * 5 / 3, points });
    }
    if (u.pathname === '/api/v1/summary') return reply({ transmissions: 3, on_air_ms: 65000, per: [] });
    if (u.pathname.endsWith('.csv')) {
      asked.csvAuth = route.request().headers().authorization;
      return reply('id,start\r\n3,x\r\n', 'text/csv');
    }
    asked.list.push(u.search);
    return reply({ transmissions: [tx(60000, 13000, 1, null, 82.4, 80.1, 1.3, false),
      tx(300000, 45200, 2, '20m', 115.2, 41.7, 2.4, true)], next_cursor: null });
  };
  return { asked, handler };
}
const rows = (page) => page.$$eval('#txs tbody tr', (r) => r.map((tr) => [...tr.cells].map((c) => c.textContent)));

test('desktop, Russian: the log card, its CSV, and the chart over 1 hour, 24 hours, 7 days', T, async () => {
  const log = fakeLog();
  const { context, page, errors } = await open({ viewport: { width: 1280, height: 900 }, locale: 'ru-RU' }, s.url, log.handler);
  await page.waitForFunction(() => document.querySelectorAll('#txs tbody tr').length === 2);
  assert.equal(await page.textContent('#totals'), 'Сегодня: 3 передачи, в эфире 1 мин 05 с');
  const [first, second] = await rows(page);
  assert.match(first[0], /^\d\d:\d\d:\d\d$/);
  assert.deepEqual(first.slice(1), ['13.0 с', '1', '—', '82.4', '80.1', '1.3']);
  assert.deepEqual(second.slice(1), ['45.2 с *', '2', '20m', '115.2', '41.7', '2.4']);
  const colour = (n) => page.$eval(`#txs tbody tr:nth-child(${n}) .swr`, (e) => getComputedStyle(e).backgroundColor);
  assert.equal(await colour(1), 'rgb(34, 197, 94)');   // green, as the SWR bar to 1.5
  assert.equal(await colour(2), 'rgb(249, 115, 22)');  // orange, 2.0 to 3.0
  const from = new Date(Number(new URLSearchParams(log.asked.list[0]).get('from')));
  assert.equal(from.getHours() * 60 + from.getMinutes(), 0, 'today, from local midnight');

  const [download] = await Promise.all([page.waitForEvent('download'), page.click('#csv')]);
  assert.match(download.suggestedFilename(), /^transmissions-\d{4}-\d\d-\d\d\.csv$/);
  assert.equal(fs.readFileSync(await download.path(), 'utf8'), 'id,start\r\n3,x\r\n');
  assert.equal(log.asked.csvAuth, 'Bearer ' + s.token);

  for (const [seconds, title] of [[3600, 'Последний час'], [86400, 'Последние 24 часа'], [604800, 'Последние 7 дней']]) {
    const before = await inked(page);
    await page.click(`#range [data-s="${seconds}"]`);
    await page.waitForFunction((n) => document.getElementById('charttitle').textContent === n, title);
    assert.equal(log.asked.history.at(-1), seconds);
    let after = before;  // the redraw, within 5 s however busy the machine
    for (let i = 0; i < 50 && after === before; ++i) {
      await sleep(100);
      after = await inked(page);
    }
    assert.notEqual(after, before, 'the chart redrawn for ' + seconds);
  }
  await page.screenshot({ path: path.join(shots, 'desktop-ru-log.png'), fullPage: true });
  await page.click('#range [data-s="600"]');
  assert.equal(await page.textContent('#charttitle'), 'Последние 10 минут');
  assert.deepEqual(errors, []);
  await context.close();
});

test('phone, English: the log card fits; a 404 from the log\'s API says the log is off', T, async () => {
  const phone = { viewport: { width: 390, height: 844 }, locale: 'en-US', deviceScaleFactor: 2, isMobile: true };
  let { context, page, errors } = await open(phone, s.url, fakeLog().handler);
  await page.waitForFunction(() => document.querySelectorAll('#txs tbody tr').length === 2);
  assert.equal(await page.textContent('#totals'), 'Today: 3 transmissions, on the air 1 min 05 s');
  await page.click('#range [data-s="86400"]');
  await sleep(600);
  assert.ok(await page.evaluate(() => document.documentElement.scrollWidth) <= 390, 'no sideways scrolling');
  await page.screenshot({ path: path.join(shots, 'phone-en-log.png'), fullPage: true });
  assert.deepEqual(errors, []);
  await context.close();

  ({ context, page, errors } = await open(phone, s.url, (route) => route.fulfill({ status: 404, body: '{}' })));
  await page.waitForFunction(() => document.getElementById('lognote').textContent.startsWith('The log is off'));
  assert.ok(!(await page.isVisible('#range')) && !(await page.isVisible('#txs')));
  assert.equal(await page.textContent('#charttitle'), 'Last 10 minutes');
  assert.deepEqual(errors, []);
  await context.close();
});

test('the log card says when recording is paused and how many seconds were lost', T, async () => {
  const context = await browser.newContext({ locale: 'en-US' });
  const page = await context.newPage();
  await page.route(/\/api\/v1\/(transmissions|summary|history)/, fakeLog().handler);
  await page.route(/\/api\/v1\/status$/, async (route) => {
    const response = await route.fetch();
    const status = await response.json();
    status.log = { file: 'station.db', recording: false, seconds_lost: 12, error: 'disk full' };
    await route.fulfill({ response, json: status });
  });
  await page.goto(s.url);
  await page.waitForFunction(() => document.getElementById('lognote').textContent !== '');
  assert.equal(await page.textContent('#lognote'), 'Recording of the log is paused. Not written to the log: 12 s');
  assert.equal(await page.getAttribute('#lognote', 'class'), 'warn');
  await context.close();
});

// The bands card as the server has it after a while: several sensors and
// bands, one of them warning.
const bandsTable = { window: 20, margin: 0.3, run: 3, min_watts: 5, rows: [
  { sensor: 1, band: '40m', transmissions: 12, baseline: 1.3, latest: 1.35, trend: 0.02, above_in_row: 0, warning: false },
  { sensor: 1, band: '15m', transmissions: 9, baseline: 1.45, latest: 1.92, trend: 0.31, above_in_row: 3, warning: true },
  { sensor: 2, band: '20m', transmissions: 3, baseline: null, latest: 1.2, trend: null, above_in_row: 0, warning: false }] };
// The table inside its card, not sticking out of it nor scrolling in it.
const bandsFit = (page) => page.$eval('#bands', (t) => t.getBoundingClientRect().right <= t.closest('section').getBoundingClientRect().right - 1);
const bandRows = (page) => page.$$eval('#bands tbody tr', (r) => r.map((tr) => [tr.className, ...[...tr.cells].map((c) => c.textContent)]));

test('the demo\'s transceiver: header, bands card, SWR alarm acknowledged with the token only, its QSO', { timeout: 120000 }, async () => {
  const rig = await startServe(['--swr-alarm', '1.1', '--swr-alarm-hold', '0.3'], { env: { SWRCTL_DEMO_RIG: 'on' } });
  const status = async () => (await request(rig.port, { path: '/api/v1/status' })).json;
  try {
    // The tour starts on 40 m, keyed at once: 40 m's antenna is over 1.1.
    const { context, page, errors } = await open({ viewport: { width: 1280, height: 900 }, locale: 'ru-RU' }, rig.url);
    // The server's rig and device loop start in their own time.
    await page.waitForSelector('#rig', { state: 'visible', timeout: 30000 });
    assert.equal(await page.textContent('#rig'), '7.100 МГц · 40m · LSB');
    await page.waitForSelector('#alarm', { state: 'visible', timeout: 30000 });
    assert.match(await page.textContent('#alarmtext'), /^Тревога КСВ: КСВ 1\.\d · 40m · датчик 1 · \d\d:\d\d:\d\d$/);

    // Without the token: no button, and the API refuses; the alarm stays.
    const phone = await open({ viewport: { width: 390, height: 844 }, locale: 'ru-RU', deviceScaleFactor: 2, isMobile: true },
      rig.url.replace(/#.*/, ''));
    await phone.page.waitForSelector('#alarm', { state: 'visible', timeout: 30000 });
    assert.ok(!(await phone.page.isVisible('#alarmack')));
    assert.equal(await phone.page.evaluate(async () => (await fetch('/api/v1/alarm/ack', { method: 'POST' })).status), 401);
    assert.equal((await status()).alarm.raised, true);

    // Acknowledged between overs (none to raise it again): the banner goes,
    // and the SWR at rest reads 1.0.
    let keyed = false;  // the start of a pause: PTT seen on, then off
    for (let i = 0; i < 150; ++i, await sleep(100)) {
      const ptt = (await status()).rig.ptt;
      if (keyed && !ptt) break;
      keyed ||= ptt;
    }
    await page.click('#alarmack');
    await page.waitForSelector('#alarm', { state: 'hidden', timeout: 10000 });
    assert.equal((await status()).alarm.raised, false);
    await page.waitForFunction(() => document.getElementById('power').textContent === '0.0');
    assert.equal(await page.textContent('#swr'), '1.0');

    // The first over's end brings the bands card: 40 m on sensor 1, no
    // baseline before three transmissions. On a loaded machine the page may
    // have come up after the first over, so the pause above can follow the
    // second: one or two transmissions.
    await page.waitForSelector('#bandscard', { state: 'visible', timeout: 10000 });
    const [row] = await bandRows(page);
    assert.deepEqual([...row.slice(0, 3), row[4]], ['', '1', '40m', '—']);
    assert.match(row[3], /^[12]$/);
    assert.match(row[5], /^1\.[1-5]\d$/);
    assert.ok(await bandsFit(page), 'the bands table fits its card');
    await page.waitForSelector('#alarm', { state: 'visible', timeout: 15000 });  // the next over

    // The QSO logged at the end of the first stop (30 s) appears on the open
    // page, with the power measured over its overs; its ADIF has it too.
    await page.waitForFunction(() => /^\d+\.\d$/.test(document.querySelector('#qsos tbody tr td:nth-child(5)')?.textContent),
      null, { timeout: 60000 });
    const [qso] = await page.$$eval('#qsos tbody tr', (r) => r.map((tr) => [...tr.cells].map((c) => c.textContent)));
    assert.deepEqual(qso.slice(1, 4), ['Q1DEMO', '40m', 'FT8']);
    assert.match(qso[5], /^1\.\d$/);
    const [adif] = await Promise.all([page.waitForEvent('download'), page.click('#adif')]);
    assert.match(adif.suggestedFilename(), /^qsos-\d{4}-\d\d-\d\d\.adi$/);
    assert.match(fs.readFileSync(await adif.path(), 'utf8'), /<CALL:6>Q1DEMO[^]*<TX_PWR:\d+>\d/);
    await page.screenshot({ path: path.join(shots, 'desktop-ru-rig.png'), fullPage: true });

    // More rows, a baseline and a warning, as the server has them after a
    // while (minutes of the demo): the warning's row in red.
    await phone.page.route('**/api/v1/bands', (r) => r.fulfill({ contentType: 'application/json', body: JSON.stringify(bandsTable) }));
    await phone.page.reload();
    await phone.page.waitForFunction(() => document.querySelectorAll('#bands tbody tr').length === 3);
    assert.deepEqual(await bandRows(phone.page), [['', '1', '40m', '12', '1.30', '1.35', '+0.02'],
      ['warn', '1', '15m', '9', '1.45', '1.92', '+0.31'], ['', '2', '20m', '3', '—', '1.20', '—']]);
    assert.equal(await phone.page.$eval('#bands tr.warn td', (e) => getComputedStyle(e).color), 'rgb(220, 38, 38)');
    assert.match(await phone.page.textContent('#rig'), /^\d+\.\d{3} МГц · \d+m · [A-Z]+$/);
    assert.ok(await bandsFit(phone.page), 'the bands table fits its card');
    await phone.page.waitForSelector('#alarm', { state: 'visible', timeout: 5000 });
    assert.ok(await phone.page.evaluate(() => document.documentElement.scrollWidth) <= 390, 'no sideways scrolling');
    await phone.page.waitForFunction(() => /^-?\d+\.\d$/.test(document.getElementById('power').textContent));
    await sleep(600);  // the chart drawn
    await phone.page.screenshot({ path: path.join(shots, 'phone-ru-rig.png'), fullPage: true });
    assert.deepEqual([...errors, ...phone.errors], []);
    await phone.context.close();
    await context.close();
  } finally {
    assert.equal((await rig.stop()).code, 0);
  }
});

test('the alarms card lists a trip and draws its readings with the limit; a named sensor shows its name', T, async () => {
  const a = await startServe(['--swr-alarm', '2.0', '--swr-alarm-hold', '0.2', '--swr-alarm-power', '1',
    '--alarm-window', '2,1', '--sensor-name', '1=40 m dipole']);
  try {
    await a.control('tx on');
    await a.control('swr 3.0');
    const listed = await until(async () =>
      (await request(a.port, { path: '/api/v1/alarms' })).json.alarms.find((x) => x.complete));
    assert.ok(listed, 'the trip is in the log');
    await a.control('swr 0');
    const { context, page, errors } = await open({ viewport: { width: 1280, height: 900 }, locale: 'en-US' }, a.url);
    await page.waitForSelector('#alarmlist button', { timeout: 30000 });
    assert.match(await page.textContent('#alarmlist button'), /SWR 3\.\d\d > 2\.0 · sensor 1 · 40 m dipole · not acknowledged/);
    await page.waitForFunction(() => document.getElementById('sensor').textContent === '1 · 40 m dipole');
    assert.equal(await page.textContent('#sel1'), 'Sensor 1 · 40 m dipole');
    assert.ok(!(await page.isVisible('#alarmchart')));
    await page.click('#alarmlist button');
    await page.waitForSelector('#alarmchart', { state: 'visible' });
    await page.waitForFunction(() => document.querySelector('#alarmlist button').getAttribute('aria-pressed') === 'true');
    assert.ok(await inked(page, 'alarmchart') > 3000, 'power, SWR and the limit are drawn');
    assert.equal(await page.getAttribute('#alarmcsv', 'href'), '/api/v1/alarms/' + listed.id + '.csv');
    await page.screenshot({ path: path.join(shots, 'desktop-en-alarm.png'), fullPage: true });
    assert.deepEqual(errors, []);
    await context.close();
  } finally {
    assert.equal((await a.stop()).code, 0);
  }
});
