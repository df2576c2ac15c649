// A WSJT-X stand-in of our own for the tests and the benchmark: writes
// datagrams in the published layout (big-endian QDataStream) and sends them
// from a loopback socket, as WSJT-X or JTDX would.
import dgram from 'node:dgram';

const MAGIC = 0xadbccbda;

function u32(v) { const b = Buffer.alloc(4); b.writeUInt32BE(v >>> 0); return b; }
function u64(v) { const b = Buffer.alloc(8); b.writeBigUInt64BE(BigInt(v)); return b; }
function text(s) { const b = Buffer.from(s, 'utf8'); return Buffer.concat([u32(b.length), b]); }
const byte = (v) => Buffer.from([v ? 1 : 0]);

export function header(type, id, schema = 2) {
  return Buffer.concat([u32(MAGIC), u32(schema), u32(type), text(id)]);
}

export function heartbeat(id, version, schema = 3) {
  return Buffer.concat([header(0, id, schema), u32(3), text(version), text('')]);
}

// dial Hz, mode, transmitting, Tx DF (JTDX: may be negative).
export function status(id, { dialHz, mode = 'FT8', transmitting = false, txDf = 1500, schema = 2, jtdx = false }) {
  const df = Buffer.alloc(4);
  if (jtdx) df.writeInt32BE(txDf); else df.writeUInt32BE(txDf);
  return Buffer.concat([header(1, id, schema), u64(dialHz), text(mode), text('K1ABC'), text('-12'),
    text(mode), byte(true), byte(transmitting), byte(false), u32(1200), df, text('N0CALL'),
    text('FN42'), text(''), byte(false), text(''), byte(false), byte(false)]);
}

export const close = (id) => header(6, id);

// A QDateTime in UTC: Julian day, ms of the day, timespec 1.
function utc(unixMs) {
  const day = Math.floor(unixMs / 86400000);
  const b = Buffer.alloc(13);
  b.writeBigInt64BE(BigInt(day + 2440588));
  b.writeUInt32BE(unixMs - day * 86400000, 8);
  b.writeUInt8(1, 12);
  return b;
}

// QSO Logged (5) as WSJT-X 2.6 sends it; the power as typed.
export function qsoLogged(id, { call, grid = 'JO22', txHz, mode = 'FT8', onMs, offMs }) {
  return Buffer.concat([header(5, id, 3), utc(offMs), text(call), text(grid), u64(txHz), text(mode),
    text('-10'), text('+03'), text('100W'), text(''), text(''), utc(onMs), text(''), text('N0CALL'),
    text('FN42'), text(''), text(''), text('')]);
}

// Logged ADIF (12): the same QSO as one ADIF record after a header.
export function loggedAdif(id, { call, grid = 'JO22', txHz, mode = 'FT8', onMs, offMs }) {
  const field = (name, v) => `<${name}:${Buffer.byteLength(String(v))}>${v} `;
  const iso = (ms) => new Date(ms).toISOString();
  const date = (ms) => iso(ms).slice(0, 10).replace(/-/g, '');
  const time = (ms) => iso(ms).slice(11, 19).replace(/:/g, '');
  const record = field('call', call) + field('gridsquare', grid) + field('mode', mode) +
    field('rst_sent', '-10') + field('rst_rcvd', '+03') + field('qso_date', date(onMs)) +
    field('time_on', time(onMs)) + field('qso_date_off', date(offMs)) + field('time_off', time(offMs)) +
    field('freq', (txHz / 1e6).toFixed(6)) + field('tx_pwr', '100W') + '<eor>';
  return Buffer.concat([header(12, id, 3), text('\n<adif_ver:5>3.1.0\n<programid:6>WSJT-X\n<EOH>\n' + record)]);
}

export async function standIn(port, address = '127.0.0.1', multicast = false) {
  const socket = dgram.createSocket({ type: 'udp4' });
  await new Promise((resolve) => socket.bind(0, '127.0.0.1', resolve));
  if (multicast) socket.setMulticastInterface('127.0.0.1');
  const received = [];  // what the server sends back (Halt Tx)
  socket.on('message', (m) => received.push(m));
  return {
    received,
    send: (datagram) => new Promise((resolve, reject) =>
      socket.send(datagram, port, address, (e) => (e ? reject(e) : resolve()))),
    close: () => socket.close(),
  };
}

// A UDP port on loopback that was free a moment ago.
export async function freeUdpPort() {
  const s = dgram.createSocket('udp4');
  await new Promise((resolve) => s.bind(0, '127.0.0.1', resolve));
  const { port } = s.address();
  await new Promise((resolve) => s.close(resolve));
  return port;
}
