// The pack step's byte work, called by pack.cmake:
//   node extension/pack.mjs reproducible ZIP...
//       makes zips written by CMake the same bytes for the same sources: their per-file access and
//       change times become the fixed modification time, owner and group 0, file modes 0644
//   node extension/pack.mjs crx ZIP CRX VERSION UPDATE-MANIFEST
//       signs the Chromium package ZIP into CRX (the CRX3 format browsers install from outside a
//       store) and writes the update manifest that points at it. From the environment:
//         VX_EXTENSION_KEY_FILE   the RSA private key, a PEM file (PKCS#8 or PKCS#1), or
//         VX_EXTENSION_KEY        the same PEM text itself (a CI secret)
//         VX_EXTENSION_CODEBASE   the http(s) address the CRX will be served from; without it no
//                                 update manifest is written
//       The same ZIP and key give the same bytes: RSA PKCS#1 v1.5 signatures are deterministic.
import crypto from 'node:crypto';
import fs from 'node:fs';
import { pathToFileURL } from 'node:url';

const MAGIC = Buffer.from('Cr24');
const FORMAT_VERSION = 3;
const SIGNATURE_CONTEXT = Buffer.from('CRX3 SignedData\0');
const UPDATE_NAMESPACE = 'http://www.google.com/update2/response';

// A protobuf length-delimited field: its key (field number, wire type 2), the length, the bytes.
function varint(value) {
  const bytes = [];
  do {
    bytes.push((value & 0x7f) | (value > 0x7f ? 0x80 : 0));
    value >>>= 7;
  } while (value);
  return Buffer.from(bytes);
}
const field = (number, bytes) => Buffer.concat([varint((number << 3) | 2), varint(bytes.length), bytes]);

const littleEndian32 = (value) => {
  const bytes = Buffer.alloc(4);
  bytes.writeUInt32LE(value);
  return bytes;
};

// The extension id of a public key (DER SubjectPublicKeyInfo): its SHA-256's first 16 bytes in hex,
// written with the letters a to p.
export function extensionId(publicKeyDer) {
  const hex = crypto.createHash('sha256').update(publicKeyDer).digest('hex').slice(0, 32);
  return [...hex].map((digit) => String.fromCharCode(97 + parseInt(digit, 16))).join('');
}

// "Cr24", version 3, the header's length, the header (a CrxFileHeader with one sha256_with_rsa
// proof, field 2, and the SignedData bytes, field 10000), the archive. The proof signs the context,
// the SignedData's length and bytes, and the archive.
export function packCrx3(zip, privateKey) {
  const publicKey = crypto.createPublicKey(privateKey).export({ type: 'spki', format: 'der' });
  const crxId = crypto.createHash('sha256').update(publicKey).digest().subarray(0, 16);
  const signedData = field(1, crxId);
  const signature = crypto.sign('sha256',
    Buffer.concat([SIGNATURE_CONTEXT, littleEndian32(signedData.length), signedData, zip]), privateKey);
  const proof = Buffer.concat([field(1, publicKey), field(2, signature)]);
  const header = Buffer.concat([field(2, proof), field(10000, signedData)]);
  return {
    crx: Buffer.concat([MAGIC, littleEndian32(FORMAT_VERSION), littleEndian32(header.length), header, zip]),
    id: extensionId(publicKey),
  };
}

const xmlAttribute = (text) => text.replace(/[&<>"']/g, (c) => `&#${c.charCodeAt(0)};`);

// What Chromium polls at the policy's update address: this id's current version is at codebase.
export function updateManifest({ id, version, codebase }) {
  return "<?xml version='1.0' encoding='UTF-8'?>\n" +
    `<gupdate xmlns='${UPDATE_NAMESPACE}' protocol='2.0'>\n` +
    `  <app appid='${id}'>\n` +
    `    <updatecheck codebase='${xmlAttribute(codebase)}' version='${xmlAttribute(version)}'/>\n` +
    '  </app>\n' +
    '</gupdate>\n';
}

// The key as the builder gave it; an RSA key, else an error that says what is wrong.
export function signingKey(environment) {
  const file = environment.VX_EXTENSION_KEY_FILE;
  const text = file ? fs.readFileSync(file, 'utf8') : environment.VX_EXTENSION_KEY;
  let key;
  try {
    key = crypto.createPrivateKey(text);
  } catch (error) {
    throw new Error(`${file ? file : 'VX_EXTENSION_KEY'} holds no private key in PEM form (${error.message})`);
  }
  if (key.asymmetricKeyType !== 'rsa') {
    throw new Error(`the signing key is ${key.asymmetricKeyType}, not RSA`);
  }
  return key;
}

export function codebaseOf(environment) {
  const codebase = environment.VX_EXTENSION_CODEBASE;
  if (!codebase) return null;
  let url;
  try {
    url = new URL(codebase);
  } catch {
    url = null;
  }
  if (!url || !['http:', 'https:'].includes(url.protocol)) {
    throw new Error(`VX_EXTENSION_CODEBASE is no http or https address: ${codebase}`);
  }
  return codebase;
}

// Zip records: the end of the central directory, each central entry and the local header it
// points at; in each, the extra fields "UT" (times) and "ux" (owner), patched where they are, so
// that no length or offset changes.
const ZIP_END = 0x06054b50;
const ZIP_CENTRAL = 0x02014b50;
const ZIP_LOCAL = 0x04034b50;
const UNIX_FILE_0644 = 0o100644;

function fixExtraFields(zip, start, length) {
  for (let at = start; at + 4 <= start + length;) {
    const id = zip.readUInt16LE(at);
    const size = zip.readUInt16LE(at + 2);
    const data = at + 4;
    if (id === 0x5455 && size >= 5) {
      // Flags, then the times the flags name: the first one (modification) copied to the others.
      for (let time = data + 5; time + 4 <= data + size; time += 4) zip.writeUInt32LE(zip.readUInt32LE(data + 1), time);
    } else if (id === 0x7875 && size >= 1) {
      let field = data + 1;
      for (let owner = 0; owner < 2 && field < data + size; owner++) {
        const bytes = zip[field];
        zip.fill(0, field + 1, Math.min(field + 1 + bytes, data + size));
        field += 1 + bytes;
      }
    }
    at = data + size;
  }
}

export function makeReproducible(zip) {
  let end = zip.length - 22;
  while (end >= 0 && zip.readUInt32LE(end) !== ZIP_END) end--;
  if (end < 0) throw new Error('no zip end record');
  let entry = zip.readUInt32LE(end + 16);
  for (let count = zip.readUInt16LE(end + 10); count > 0; count--) {
    if (zip.readUInt32LE(entry) !== ZIP_CENTRAL) throw new Error('a broken central directory');
    const nameLength = zip.readUInt16LE(entry + 28);
    const extraLength = zip.readUInt16LE(entry + 30);
    if (zip[entry + 5] === 3) zip.writeUInt32LE((UNIX_FILE_0644 << 16) >>> 0, entry + 38);
    fixExtraFields(zip, entry + 46 + nameLength, extraLength);
    const local = zip.readUInt32LE(entry + 42);
    if (zip.readUInt32LE(local) !== ZIP_LOCAL) throw new Error('a broken local header');
    fixExtraFields(zip, local + 30 + zip.readUInt16LE(local + 26), zip.readUInt16LE(local + 28));
    entry += 46 + nameLength + extraLength + zip.readUInt16LE(entry + 32);
  }
  return zip;
}

function signPackage([zipPath, crxPath, version, manifestPath]) {
  const key = signingKey(process.env);
  const codebase = codebaseOf(process.env);
  const { crx, id } = packCrx3(fs.readFileSync(zipPath), key);
  fs.writeFileSync(crxPath, crx);
  console.log(`-- ${crxPath} (extension id ${id})`);
  if (!codebase) {
    console.log('-- no update manifest: VX_EXTENSION_CODEBASE (the address of the CRX) was not given');
    return;
  }
  fs.writeFileSync(manifestPath, updateManifest({ id, version, codebase }));
  console.log(`-- ${manifestPath}`);
}

if (process.argv[1] && import.meta.url === pathToFileURL(fs.realpathSync(process.argv[1])).href) {
  const [command, ...args] = process.argv.slice(2);
  try {
    if (command === 'reproducible') {
      for (const file of args) fs.writeFileSync(file, makeReproducible(fs.readFileSync(file)));
    } else if (command === 'crx') {
      signPackage(args);
    } else {
      throw new Error('usage: pack.mjs reproducible ZIP... | pack.mjs crx ZIP CRX VERSION UPDATE-MANIFEST');
    }
  } catch (error) {
    console.error(`pack.mjs: ${error.message}`);
    process.exit(1);
  }
}
