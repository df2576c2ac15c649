// Starts `swrctl-demo serve` on a free loopback port with its simulated
// controller under the test's control, and talks HTTP to it.
//   SWRCTL_DEMO    the executable
//   SWRCTL_RUNNER  optional program to start it with (scripts/wine-exec.sh)
// Also hamlib's rigctld with its dummy rig, for the tests with a transceiver.
import { spawn, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import http from 'node:http';
import net from 'node:net';
import { after } from 'node:test';

// Every temporary directory made here or by tempDir() is removed when the
// test process ends, passed or failed, and a server still running then (a
// test failed before stopping it) is killed first. Once the file's tests
// are done, such a server no longer keeps the process alive (it would wait
// for its timeout); the file's own after() hooks may still stop theirs. A
// state directory goes as soon as its server exits.
const made = new Set();
const running = new Set();
after(() => {
  for (const child of running) {
    child.unref();
    for (const stream of [child.stdin, child.stdout, child.stderr]) stream.unref?.();
  }
});
process.on('exit', () => {
  for (const child of running) child.kill('SIGKILL');
  for (const dir of made) fs.rmSync(dir, { recursive: true, force: true });
});

// A new directory under the system's temporary one, removed as above.
export function tempDir(prefix) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), prefix));
  made.add(dir);
  return dir;
}

function removeDir(dir) {
  fs.rmSync(dir, { recursive: true, force: true });
  made.delete(dir);
}

// `exe` may name another build of swrctl instead (one without the simulated
// controller, whose control() then has no answer); `env` adds to the
// environment.
export async function startServe(extraArgs = [],
  { startMs = 20000, exe = process.env.SWRCTL_DEMO, env = {} } = {}) {
  if (!exe) throw new Error('SWRCTL_DEMO is not set');
  const runner = process.env.SWRCTL_RUNNER;
  const args = ['serve', '--listen', '127.0.0.1:0', ...extraArgs];
  // A state directory of its own: the demo's station log goes there, never
  // into the user's, and parallel tests do not share it.
  const stateHome = tempDir('swrctl-state-');
  const child = spawn(runner || exe, runner ? [exe, ...args] : args, {
    env: { ...process.env, ...env, SWRCTL_DEMO_CONTROL: 'stdin', XDG_STATE_HOME: stateHome },
    stdio: ['pipe', 'pipe', 'pipe'],
  });
  running.add(child);
  let stderr = '';
  child.stderr.on('data', (d) => { stderr += d; });
  const lines = [];
  let waiting = null;
  let rest = '';
  child.stdout.on('data', (d) => {
    rest += d;
    let i;
    while ((i = rest.indexOf('\n')) >= 0) {
      lines.push(rest.slice(0, i).replace(/\r$/, ''));
      rest = rest.slice(i + 1);
    }
    if (waiting) waiting();
  });
  const exited = new Promise((resolve) => child.on('exit', (code, signal) => {
    running.delete(child);
    removeDir(stateHome);
    resolve({ code, signal });
  }));

  async function nextLine(ms) {
    const deadline = Date.now() + ms;
    while (lines.length === 0) {
      if (Date.now() > deadline) throw new Error('no output from swrctl in time; stderr: ' + stderr);
      await new Promise((r) => { waiting = r; setTimeout(r, 50); });
    }
    return lines.shift();
  }
  let first;
  let m;
  try {
    first = await nextLine(startMs);
    m = /http:\/\/127\.0\.0\.1:(\d+)\/#token=([0-9a-f]+)/.exec(first);
    if (!m) throw new Error('unexpected first line: ' + first);
  } catch (e) {
    child.kill('SIGKILL');  // a server that did not start is not left running
    await exited;
    throw e;
  }
  const server = {
    port: Number(m[1]),
    token: m[2],
    pid: child.pid,
    url: first.slice(first.indexOf('http://')).split(' ')[0],
    get stderr() { return stderr; },
    // One instruction to the simulated controller; its answer's lines.
    async control(instruction) {
      child.stdin.write(instruction + '\n');
      const answer = [];
      for (;;) {
        const line = await nextLine(30000);  // a loaded machine, Wine
        if (line === 'ok' || line === 'end' || line === 'unknown') return answer;
        answer.push(line);
      }
    },
    async received() {
      return (await server.control('received')).map((l) => l.replace(/^received /, ''));
    },
    // SIGTERM, as a service manager would; the exit status.
    async stop() {
      child.kill('SIGTERM');
      const timer = setTimeout(() => child.kill('SIGKILL'), 10000);
      const end = await exited;
      clearTimeout(timer);
      return end;
    },
    kill() { child.kill('SIGKILL'); return exited; },
  };
  return server;
}

// One request on a connection of its own; resolves with status, headers,
// body text and body JSON (when it is JSON).
export function request(port, { method = 'GET', path = '/', headers = {}, body } = {}) {
  return new Promise((resolve, reject) => {
    const req = http.request({ host: '127.0.0.1', port, method, path, headers, agent: false }, (res) => {
      let text = '';
      res.setEncoding('utf8');
      res.on('data', (d) => { text += d; });
      res.on('end', () => {
        let json;
        try { json = JSON.parse(text); } catch { json = undefined; }
        resolve({ status: res.statusCode, headers: res.headers, body: text, json });
      });
    });
    req.setTimeout(10000, () => req.destroy(new Error('request timed out')));
    req.on('error', reject);
    if (body !== undefined) req.write(body);
    req.end();
  });
}

export function command(server, body, headers = {}) {
  return request(server.port, {
    method: 'POST',
    path: '/api/v1/commands',
    headers: {
      'Content-Type': 'application/json',
      Authorization: 'Bearer ' + server.token,
      ...headers,
    },
    body: typeof body === 'string' ? body : JSON.stringify(body),
  });
}

// The event stream: next(predicate, ms) resolves with the first event from
// now on that satisfies it.
export function events(port, headers = {}) {
  return new Promise((resolve, reject) => {
    const queue = [];
    let wake = null;
    const req = http.get({ host: '127.0.0.1', port, path: '/api/v1/events', headers, agent: false }, (res) => {
      let buf = '';
      res.setEncoding('utf8');
      res.on('data', (d) => {
        buf += d;
        let i;
        while ((i = buf.indexOf('\n\n')) >= 0) {
          const block = buf.slice(0, i);
          buf = buf.slice(i + 2);
          const ev = { event: 'message', data: '' };
          for (const line of block.split('\n')) {
            if (line.startsWith('event: ')) ev.event = line.slice(7);
            else if (line.startsWith('data: ')) ev.data += line.slice(6);
            else if (line.startsWith('id: ')) ev.id = Number(line.slice(4));
          }
          if (!ev.data) continue;
          ev.json = JSON.parse(ev.data);
          ev.at = Date.now();
          queue.push(ev);
          if (wake) wake();
        }
      });
      resolve({
        status: res.statusCode,
        headers: res.headers,
        async next(pred = () => true, ms = 5000) {
          const deadline = Date.now() + ms;
          for (;;) {
            while (queue.length) {
              const ev = queue.shift();
              if (pred(ev)) return ev;
            }
            if (Date.now() > deadline) throw new Error('no matching event in ' + ms + ' ms');
            await new Promise((r) => { wake = r; setTimeout(r, 50); });
          }
        },
        drain() { queue.length = 0; },
        close() { req.destroy(); },
      });
    });
    req.on('error', reject);
  });
}

// A raw connection that sends nothing: it holds one of the server's slots.
export function idleConnection(port) {
  return new Promise((resolve, reject) => {
    const s = net.connect(port, '127.0.0.1', () => resolve(s));
    s.on('error', reject);
  });
}

export const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

// A loopback port that was free a moment ago, for a server the test starts.
export function freePort() {
  return new Promise((resolve) => {
    const s = net.createServer().listen(0, '127.0.0.1', () => {
      const { port } = s.address();
      s.close(() => resolve(port));
    });
  });
}

// Polls `check` every 200 ms until it returns something true or `ms` pass
// (by default a bound that holds on a loaded machine); its last value.
export async function until(check, ms = 60000) {
  const deadline = Date.now() + ms;
  for (;;) {
    const value = await check();
    if (value || Date.now() > deadline) return value;
    await sleep(200);
  }
}

export const hasRigctld =
  spawnSync('sh', ['-c', 'command -v rigctld && command -v rigctl']).status === 0;

// rigctld with hamlib's dummy rig on a loopback port, answering once
// `rigctl` gets through; stop() ends it (SIGKILL after 5 s).
export async function startRigctld(port) {
  const child = spawn('rigctld', ['-m', '1', '-P', 'RIG', '-T', '127.0.0.1', '-t', String(port)],
    { stdio: 'ignore' });
  const exited = new Promise((resolve) => child.on('exit', resolve));
  const rig = {
    pid: child.pid,
    async stop() {
      if (child.exitCode === null && child.signalCode === null) child.kill('SIGTERM');
      const timer = setTimeout(() => child.kill('SIGKILL'), 5000);
      await exited;
      clearTimeout(timer);
    },
  };
  const up = await until(() => spawnSync('rigctl', ['-m', '2', '-r', `127.0.0.1:${port}`, 'f'],
    { timeout: 2000 }).status === 0, 60000);  // its start on a loaded machine
  if (!up) {
    await rig.stop();
    throw new Error(`rigctld did not answer on port ${port}`);
  }
  return rig;
}

// One rigctl command to the rigctld on `port`; throws when it fails; its output.
export function rigctl(port, ...words) {
  const r = spawnSync('rigctl', ['-m', '2', '-r', `127.0.0.1:${port}`, ...words], { timeout: 5000 });
  if (r.status !== 0) throw new Error(`rigctl ${words.join(' ')}: ${r.stderr}`);
  return String(r.stdout).trim();
}

// With a steady carrier from the simulated controller, keys the rig on `port`
// for 2 s and checks that exactly that time is recorded, as one transmission
// on 40m at 7100000 Hz (the frequency the caller gave the rig). `maxMs`
// bounds its duration, beyond 2 s by as much as the keying itself took
// beyond 2 s (a loaded machine).
export async function checkKeyedTransmission(assert, s, port, maxMs) {
  await s.control('tx on');  // a carrier all along: PTT alone marks the transmission
  // The carrier read by the server (its device loop may still be starting).
  await statusWhen(s, (st) => st.connected && st.live && st.reading.power_value > 1);
  await sleep(500);
  const keyed = Date.now();
  rigctl(port, 'T', '1');
  await sleep(2000);
  rigctl(port, 'T', '0');
  maxMs += Math.max(0, Date.now() - keyed - 2000);
  const list = await until(async () => {
    const r = await request(s.port, { path: '/api/v1/transmissions?from=' + (keyed - 500) });
    return r.json.transmissions.length > 0 && r.json.transmissions;
  }, 60000);
  assert.ok(list, 'a transmission is recorded');
  assert.equal(list.length, 1, 'only the keyed time is a transmission');
  assert.equal(list[0].band, '40m');
  assert.equal(list[0].frequency_hz, 7100000);
  assert.ok(list[0].duration_ms > 1000 && list[0].duration_ms < maxMs, `${list[0].duration_ms} ms`);
  assert.equal(list[0].cut_short, false);
  await s.control('tx off');
}

// Polls the server's status until `check(status)` holds and returns that
// status; throws with the last one after `ms`. By default: the device loop
// has found the controller and its readings flow, which a start under Wine
// or a sanitizer, or on a loaded machine, can take many seconds to reach.
export async function statusWhen(s, check = (st) => st.connected && st.live && st.reading,
  ms = 60000) {
  let last;
  const ok = await until(async () => {
    last = await request(s.port, { path: '/api/v1/status' });
    return last.json && check(last.json);
  }, ms);
  if (!ok) throw new Error(`status not as awaited within ${ms} ms: ${last && last.body}`);
  return last.json;
}
