// The plug-in's rules (extension/rules.js) on their own, without a browser: loaded as the browsers
// load it, a classic script that sets globalThis.vxRules.
import fs from 'node:fs';
import path from 'node:path';
import vm from 'node:vm';
import { ROOT } from '../lib/harness.mjs';

function loadRules() {
  const context = vm.createContext({ URL, TextEncoder, btoa });
  vm.runInContext(fs.readFileSync(path.join(ROOT, 'extension/rules.js'), 'utf8'), context);
  return context.vxRules;
}

// table(check, NAME, FUNCTION, [[INPUT..., EXPECTED], ...])
function table(check, name, fn, rows) {
  for (const row of rows) {
    const expected = row[row.length - 1];
    const inputs = row.slice(0, -1);
    check(`${name}(${inputs.map((v) => JSON.stringify(v)).join(', ')})`, fn(...inputs), expected);
  }
}

const PAGE = 'http://127.0.0.1:8080/dir/page.html';
const DEFAULT_PAGE = 'http://www.tolvane.example/download.html';

export const cases = [
  {
    name: 'rules_element_matching',
    run({ check }) {
      const rules = loadRules();
      table(check, 'isPluginType', rules.isPluginType, [
        ['application/x-vnxclient', true],
        ['Application/X-VNXCLIENT', true],
        ['application/x-vnxclient; version=1', true],
        [' application/x-vnxclient\t', true],
        ['application/x-vnxclient2', false],
        ['text/plain', false],
        ['', false],
        [null, false],
      ]);
      table(check, 'namesRequestFile', (v) => rules.namesRequestFile(v, PAGE), [
        ['q.vnxclient', true],
        ['/files/Q.VNXCLIENT', true],
        ['q.vnxclient?user=1', true],
        ['q.vnxclient#top', true],
        ['http://other.example/a/q.vnxclient', true],
        ['get?file=q.vnxclient', false],
        ['q.vnxclient/more', false],
        ['q.vnxclient.txt', false],
        ['', false],
        [null, false],
      ]);
    },
  },
  {
    name: 'rules_size_and_caption',
    run({ check }) {
      const rules = loadRules();
      table(check, 'dimension', rules.dimension, [
        ['260', '260px'],
        ['50%', '50%'],
        [' 12.5px', '12.5px'],
        ['36 ', '36px'],
        ['wide', null],
        ['', null],
        [null, null],
      ]);
      table(check, 'captionOf', rules.captionOf, [
        [[], 'Vexo Save File'],
        [[['caption', '']], ''],
        [[['caption', 'first'], ['CAPTION', 'last']], 'last'],
        [[['captions', 'not a caption']], 'Vexo Save File'],
      ]);
    },
  },
  {
    name: 'rules_addresses',
    run({ check }) {
      const rules = loadRules();
      const longest = 'http://a.example/' + 'x'.repeat(248 - 17);
      table(check, 'downloadPage', rules.downloadPage, [
        ['http://www.tolvane.example/client/setup.html', 'http://www.tolvane.example/client/setup.html'],
        ['HTTPS://downloads.example/x', 'HTTPS://downloads.example/x'],
        [longest, longest],
        [longest + 'x', DEFAULT_PAGE],
        // 248 characters, but 249 bytes in UTF-8
        [longest.slice(0, -1) + '\u00e9', DEFAULT_PAGE],
        ['http://a.example/"onmouseover', DEFAULT_PAGE],
        ['http://a.example/\nline', DEFAULT_PAGE],
        ['http://a.example/\x7f', DEFAULT_PAGE],
        ['javascript:alert(1)', DEFAULT_PAGE],
        [' http://a.example/', DEFAULT_PAGE],
        ['ftp://a.example/', DEFAULT_PAGE],
        ['', DEFAULT_PAGE],
        [undefined, DEFAULT_PAGE],
      ]);
      table(check, 'isWebAddress', rules.isWebAddress, [
        ['http://www.tolvane.example/download.html', true],
        ['HTTPS://www.tolvane.example/', true],
        ['javascript:alert(1)', false],
        ['file:///etc/passwd', false],
        ['data:text/html,x', false],
        ['not an address', false],
        [42, false],
      ]);
    },
  },
  {
    name: 'rules_click_message',
    run({ check }) {
      const rules = loadRules();
      check('base64 of bytes above 0x7f', rules.base64(new Uint8Array([0x00, 0x80, 0xe9, 0xff])), 'AIDp/w==');
      const url = 'http://127.0.0.1/q.vnxclient';
      const click = (extra) => ({ type: 'click', attributes: [['name', 'a']], ...extra });
      const full = (n) => 'A'.repeat(4 * n);
      table(check, 'clickMessage', (m) => JSON.stringify(rules.clickMessage(m)), [
        [click({ unknown: 1 }), JSON.stringify(click())],
        [{ type: 'click', attributes: [] }, '{"type":"click","attributes":[]}'],
        [click({ requestFile: { url, bytes: 'AIDp/w==' } }), JSON.stringify(click({ requestFile: { url, bytes: 'AIDp/w==' } }))],
        [click({ requestFile: { url, tooLarge: true } }), JSON.stringify(click({ requestFile: { url, tooLarge: true } }))],
        [click({ requestFile: { url, failed: 'HTTP status 404' } }), JSON.stringify(click({ requestFile: { url, failed: 'HTTP status 404' } }))],
        // 16384 bytes exactly, and one more
        [click({ requestFile: { url, bytes: full(5461) + 'AA==' } }), JSON.stringify(click({ requestFile: { url, bytes: full(5461) + 'AA==' } }))],
        [click({ requestFile: { url, bytes: full(5461) + 'AAA=' } }), 'null'],
        [click({ requestFile: { url, bytes: 'not base64!' } }), 'null'],
        [click({ requestFile: { url, bytes: 'AA==', tooLarge: true } }), 'null'],
        [click({ requestFile: { url, tooLarge: 'yes' } }), 'null'],
        [click({ requestFile: { bytes: 'AA==' } }), 'null'],
        [click({ requestFile: null }), 'null'],
        [{ type: 'click', attributes: Array.from({ length: 257 }, () => ['a', 'b']) }, 'null'],
        [{ type: 'click', attributes: [['name']] }, 'null'],
        [{ type: 'click', attributes: [['name', 1]] }, 'null'],
        [{ type: 'status', attributes: [] }, 'null'],
        [{ type: 'click' }, 'null'],
        [null, 'null'],
      ]);
    },
  },
];
