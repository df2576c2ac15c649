// The page in a real browser (Debian's chromium, headless, driven by
// playwright-core): live values from the demo, the "no data" state when
// reports stop, a command clicked and its outcome shown, the chart drawn.
// Screenshots at a desktop and a phone size go to $SCREENSHOTS.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import { createRequire } from 'node:module';
import os from 'node:os';
import path from 'node:path';
import { after, before, test } from 'node:test';
import { sleep, startServe } from './harness.mjs';

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

async function open(options, url = s.url) {
  const context = await browser.newContext(options);
  const page = await context.newPage();
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

// Pixels of the chart's canvas that are not background.
function inked(page) {
  return page.evaluate(() => {
    const c = document.getElementById('chart');
    const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
    let n = 0;
    for (let i = 3; i < d.length; i += 4) if (d[i] > 0) ++n;
    return n;
  });
}

test('desktop, Russian: live values, chart, a command and its outcome, "no data"', T, async () => {
  const { context, page, errors } = await open({ viewport: { width: 1280, height: 800 }, locale: 'ru-RU' });
  await page.waitForFunction(() => /^-?\d+\.\d$/.test(document.getElementById('power').textContent));
  assert.equal(await page.textContent('#link'), 'подключено');
  assert.match(await page.textContent('#swr'), /^(\d+\.\d|\*\*\*)$/);
  assert.equal(await page.textContent('#sensor'), '1');
  assert.doesNotMatch(await page.getAttribute('#meter', 'class'), /stale/);
  const first = await page.textContent('#time');
  await sleep(300);
  assert.notEqual(await page.textContent('#time'), first, 'the time of the last report moves on');
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

  await sleep(1500);  // a second of chart
  assert.ok(await inked(page) > 2000, 'the chart shows axes and lines');
  await page.screenshot({ path: path.join(shots, 'desktop-ru.png') });

  await s.control('rate 0');
  await page.waitForSelector('#nodata', { state: 'visible', timeout: 3000 });
  assert.match(await page.getAttribute('#meter', 'class'), /stale/);
  assert.equal(await page.textContent('#nodata'), 'Нет данных: показания не приходят');
  await page.screenshot({ path: path.join(shots, 'desktop-ru-no-data.png') });
  await s.control('rate 25');
  await page.waitForSelector('#nodata', { state: 'hidden', timeout: 3000 });

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
