// The benchmarks' requests and event streams, checked: an answer other than
// 200 ends the run with the status and the start of the body, so that an
// error is never measured as if it were the thing itself.
import { events, request } from '../tests/serve/harness.mjs';

export function expectOk(answer, what) {
  if (answer.status !== 200) {
    throw new Error(`${what}: HTTP ${answer.status} ${(answer.body || '').slice(0, 200)}`);
  }
  return answer;
}

export async function okRequest(port, options) {
  return expectOk(await request(port, options), (options.method || 'GET') + ' ' + options.path);
}

export async function okEvents(port, headers) {
  const stream = await events(port, headers);
  if (stream.status !== 200) {
    stream.close();
    throw new Error(`GET /api/v1/events: HTTP ${stream.status}`);
  }
  return stream;
}
