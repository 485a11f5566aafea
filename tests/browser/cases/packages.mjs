// The signed Chromium package and its update manifest, in Node (no browser): scripts/pack-extension
// with a key made here, read back by a CRX3 reader of the test's own that checks the format, the
// signature and the id.
import crypto from 'node:crypto';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { spawnSync } from 'node:child_process';
import { ROOT, sleep } from '../lib/harness.mjs';

// A throw-away RSA key in a PEM file of a folder of its own; its public key as DER.
export function throwAwayKey(folder, type = 'rsa') {
  const { privateKey, publicKey } = type === 'rsa'
    ? crypto.generateKeyPairSync('rsa', { modulusLength: 2048 })
    : crypto.generateKeyPairSync('ec', { namedCurve: 'P-256' });
  const file = path.join(folder, 'key.pem');
  fs.writeFileSync(file, privateKey.export({ type: 'pkcs8', format: 'pem' }));
  return { file, publicKey: publicKey.export({ type: 'spki', format: 'der' }) };
}

// scripts/pack-extension into BUILD_DIR=folder with the environment given: { status, lines, output }.
export function pack(folder, environment) {
  const env = { ...process.env, BUILD_DIR: folder };
  for (const name of ['VX_EXTENSION_KEY_FILE', 'VX_EXTENSION_KEY', 'VX_EXTENSION_CODEBASE']) delete env[name];
  const run = spawnSync(path.join(ROOT, 'scripts/pack-extension'), { env: { ...env, ...environment }, encoding: 'utf8' });
  const lines = `${run.stdout}${run.stderr}`.split('\n').filter(Boolean);
  return { status: run.status, lines, output: path.join(folder, 'extension') };
}

// The id a public key gives: its SHA-256's first 16 bytes in hex, written with a to p.
export const idOf = (publicKeyDer) => [...crypto.createHash('sha256').update(publicKeyDer).digest('hex').slice(0, 32)]
  .map((digit) => 'abcdefghijklmnop'[parseInt(digit, 16)]).join('');

// The length-delimited fields of a protobuf message: [{ number, bytes }]; throws on anything else.
function fields(message) {
  const found = [];
  let at = 0;
  const varint = () => {
    let value = 0;
    for (let shift = 0; ; shift += 7) {
      if (at >= message.length || shift > 28) throw new Error('bad varint');
      const byte = message[at++];
      value += (byte & 0x7f) * 2 ** shift;
      if (!(byte & 0x80)) return value;
    }
  };
  while (at < message.length) {
    const key = varint();
    if ((key & 7) !== 2) throw new Error(`field ${key >>> 3} is not length-delimited`);
    const length = varint();
    if (at + length > message.length) throw new Error('field past the end');
    found.push({ number: key >>> 3, bytes: message.subarray(at, at + length) });
    at += length;
  }
  return found;
}

// Reads a CRX3 as Chromium's verifier does: { id, publicKey, archive } when the magic, the version,
// the header, an RSA proof whose key gives the declared id, and its signature over the context, the
// signed header and the archive all hold; otherwise a reason.
export function readCrx3(crx) {
  if (crx.subarray(0, 4).toString('latin1') !== 'Cr24') return { reason: 'no Cr24 magic' };
  if (crx.readUInt32LE(4) !== 3) return { reason: `version ${crx.readUInt32LE(4)}` };
  const headerLength = crx.readUInt32LE(8);
  const header = fields(crx.subarray(12, 12 + headerLength));
  const archive = crx.subarray(12 + headerLength);
  const signedData = header.find((f) => f.number === 10000)?.bytes;
  const crxId = signedData && fields(signedData).find((f) => f.number === 1)?.bytes;
  if (!crxId || crxId.length !== 16) return { reason: 'no 16-byte crx_id' };
  const id = [...crxId.toString('hex')].map((digit) => 'abcdefghijklmnop'[parseInt(digit, 16)]).join('');
  const signedLength = Buffer.alloc(4);
  signedLength.writeUInt32LE(signedData.length);
  for (const proof of header.filter((f) => f.number === 2)) {
    const parts = fields(proof.bytes);
    const publicKey = parts.find((f) => f.number === 1)?.bytes;
    const signature = parts.find((f) => f.number === 2)?.bytes;
    if (!publicKey || idOf(publicKey) !== id) continue;
    const signed = Buffer.concat([Buffer.from('CRX3 SignedData\0'), signedLength, signedData, archive]);
    const key = crypto.createPublicKey({ key: publicKey, format: 'der', type: 'spki' });
    if (!crypto.verify('sha256', signed, key, signature)) return { reason: 'the signature does not verify' };
    return { id, publicKey, archive };
  }
  return { reason: 'no RSA proof by the key of the declared id' };
}

function caseFolder(name) {
  return fs.mkdtempSync(path.join(os.tmpdir(), `vxbridge-${name}-`));
}

export const cases = [
  {
    name: 'packages_crx_signed',
    async run({ check }) {
      const folder = caseFolder('crx');
      try {
        const key = throwAwayKey(folder);
        const codebase = 'https://downloads.example/bridge.crx?channel=a&b';
        const packed = pack(folder, { VX_EXTENSION_KEY_FILE: key.file, VX_EXTENSION_CODEBASE: codebase });
        check('pack exit status', packed.status, 0);
        const [crxName] = fs.readdirSync(packed.output).filter((name) => name.endsWith('.crx'));
        const crx = fs.readFileSync(path.join(packed.output, crxName));
        const read = readCrx3(crx);
        const id = idOf(key.publicKey);
        check('the CRX as read', { id: read.id, reason: read.reason, publicKey: read.publicKey?.equals(key.publicKey) },
          { id, publicKey: true });
        const [zipName] = fs.readdirSync(packed.output).filter((name) => name.endsWith('-chromium.zip'));
        check('its archive is the Chromium package', read.archive?.equals(fs.readFileSync(path.join(packed.output, zipName))), true);
        check('the id is printed', packed.lines.some((line) => line.endsWith(`${crxName} (extension id ${id})`)), true);
        const version = crxName.match(/-([0-9.]+)\.crx$/)[1];
        check('the update manifest', fs.readFileSync(path.join(packed.output, 'tolvane-delivery-bridge-update.xml'), 'utf8'),
          "<?xml version='1.0' encoding='UTF-8'?>\n" +
          "<gupdate xmlns='http://www.google.com/update2/response' protocol='2.0'>\n" +
          `  <app appid='${id}'>\n` +
          `    <updatecheck codebase='https://downloads.example/bridge.crx?channel=a&#38;b' version='${version}'/>\n` +
          '  </app>\n</gupdate>\n');

        // The same sources and key give the same bytes, also from the key's PEM text, a second later
        // (the files staged anew, with other access and change times).
        await sleep(1100);
        const again = pack(path.join(folder, 'again'), { VX_EXTENSION_KEY: fs.readFileSync(key.file, 'utf8') });
        const same = (name) => fs.readFileSync(path.join(again.output, name)).equals(fs.readFileSync(path.join(packed.output, name)));
        check('packed again: the same bytes', [crxName, zipName, zipName.replace('-chromium', '-firefox')].map(same), [true, true, true]);

        // The reader refuses what Chromium refuses: one byte of the archive changed, another key's proof.
        const tampered = Buffer.from(crx);
        tampered[tampered.length - 30] ^= 1;
        check('an archive changed after signing', readCrx3(tampered).reason, 'the signature does not verify');
        const other = throwAwayKey(fs.mkdtempSync(path.join(folder, 'other-')));
        const foreign = Buffer.from(crx);
        const at = foreign.indexOf(key.publicKey);
        other.publicKey.copy(foreign, at);
        check('a proof by another key', readCrx3(foreign).reason, 'no RSA proof by the key of the declared id');
      } finally {
        fs.rmSync(folder, { recursive: true, force: true });
      }
    },
  },
  {
    // What the builder gives decides what is made: rows of the environment and the outcome.
    name: 'packages_what_is_made',
    async run({ check }) {
      const folder = caseFolder('made');
      try {
        const rsa = throwAwayKey(fs.mkdtempSync(path.join(folder, 'rsa-')));
        const ec = throwAwayKey(fs.mkdtempSync(path.join(folder, 'ec-')), 'ec');
        const rows = [
          ['no key', {}, 0, [], 'no CRX: no signing key given (VX_EXTENSION_KEY_FILE or VX_EXTENSION_KEY)'],
          ['an empty key variable', { VX_EXTENSION_KEY_FILE: '' }, 0, [], 'no CRX: no signing key given'],
          ['a key, no address', { VX_EXTENSION_KEY_FILE: rsa.file }, 0, ['.crx'], 'no update manifest: VX_EXTENSION_CODEBASE'],
          ['an http address', { VX_EXTENSION_KEY_FILE: rsa.file, VX_EXTENSION_CODEBASE: 'http://127.0.0.1/b.crx' }, 0,
            ['.crx', 'update.xml'], 'tolvane-delivery-bridge-update.xml'],
          ['an address of another scheme', { VX_EXTENSION_KEY_FILE: rsa.file, VX_EXTENSION_CODEBASE: 'ftp://h/b.crx' }, 1,
            [], 'VX_EXTENSION_CODEBASE is no http or https address: ftp://h/b.crx'],
          ['an EC key', { VX_EXTENSION_KEY_FILE: ec.file }, 1, [], 'the signing key is ec, not RSA'],
          ['a missing key file', { VX_EXTENSION_KEY_FILE: path.join(folder, 'none.pem') }, 1, [], 'ENOENT'],
        ];
        // One output folder for all rows: a row also shows that what an earlier one made is gone.
        const output = path.join(folder, 'out');
        pack(output, { VX_EXTENSION_KEY_FILE: rsa.file, VX_EXTENSION_CODEBASE: 'https://h/b.crx' });
        for (const [row, environment, status, made, line] of rows) {
          const packed = pack(output, environment);
          const signed = fs.readdirSync(packed.output).filter((name) => name.endsWith('.crx') || name.endsWith('.xml'));
          check(`${row}: status`, packed.status, status);
          check(`${row}: made`, signed.map((name) => made.find((tail) => name.endsWith(tail)) ?? name), made);
          check(`${row}: says ${line}`, packed.lines.some((text) => text.includes(line)), true);
        }
      } finally {
        fs.rmSync(folder, { recursive: true, force: true });
      }
    },
  },
];
