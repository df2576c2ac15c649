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

export async function standIn(port, address = '127.0.0.1', multicast = false) {
  const socket = dgram.createSocket({ type: 'udp4' });
  await new Promise((resolve) => socket.bind(0, '127.0.0.1', resolve));
  if (multicast) socket.setMulticastInterface('127.0.0.1');
  return {
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
