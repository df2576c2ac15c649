// An N1MM Logger+ stand-in of our own for the tests: writes RadioInfo and
// contactinfo datagrams as N1MM's documentation lays them out (XML, tags
// case-sensitive, frequencies in 10 Hz) and sends them from loopback.
import dgram from 'node:dgram';

const xml = (root, fields) => '<?xml version="1.0" encoding="utf-8"?>\r\n<' + root + '>\r\n' +
  Object.entries(fields).map(([k, v]) => `  <${k}>${v}</${k}>\r\n`).join('') + `</${root}>\r\n`;

export function radioInfo({ nr = 1, active = 1, hz, txHz = hz, mode = 'CW', tx = false, antenna = 0,
  station = 'CONTEST-PC' }) {
  return Buffer.from(xml('RadioInfo', {
    app: 'N1MM', StationName: station, RadioNr: nr, Freq: hz / 10, TXFreq: txHz / 10, Mode: mode,
    OpCall: 'PA1XY', IsRunning: 'False', Antenna: antenna, FocusRadioNr: active,
    ActiveRadioNr: active, IsTransmitting: tx ? 'True' : 'False', RadioName: 'IC-7300',
    IsConnected: 'True',
  }));
}

// A logged contact; `power` is the other station's exchange.
export function contactInfo({ call, hz, mode = 'CW', atMs, power = 'KW', station = 'CONTEST-PC' }) {
  const t = new Date(atMs).toISOString();
  return Buffer.from(xml('contactinfo', {
    app: 'N1MM', contestname: 'CQWWCW', timestamp: t.slice(0, 10) + ' ' + t.slice(11, 19),
    mycall: 'PA1XY', band: (hz / 1e6).toFixed(1), rxfreq: hz / 10, txfreq: hz / 10, mode, call,
    snt: '599', rcv: '599', power, radionr: 1, StationName: station, IsOriginal: 'True',
  }));
}

export async function n1mmStandIn(port) {
  const socket = dgram.createSocket({ type: 'udp4' });
  await new Promise((resolve) => socket.bind(0, '127.0.0.1', resolve));
  return {
    send: (datagram) => new Promise((resolve, reject) =>
      socket.send(datagram, port, '127.0.0.1', (e) => (e ? reject(e) : resolve()))),
    close: () => socket.close(),
  };
}
