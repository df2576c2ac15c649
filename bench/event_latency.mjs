// Report-to-event latency as the serve benchmarks measure it: each reading
// event's arrival against the report time it carries, and the figures taken
// of them.
export const median = (xs) => { const s = [...xs].sort((a, b) => a - b); return s[Math.floor(s.length / 2)]; };
export const p95 = (xs) => { const s = [...xs].sort((a, b) => a - b); return s[Math.floor(s.length * 0.95)]; };

// The latencies in ms of the reading events on `stream` for `ms` from now.
export async function latencies(stream, ms) {
  const out = [];
  stream.drain();
  const end = Date.now() + ms;
  while (Date.now() < end) {
    const ev = await stream.next((e) => e.event === 'reading', 5000);
    out.push(ev.at - ev.json.unix_ms);
  }
  return out;
}
