// The plug-in's rules (extension/rules.js) on their own, without a browser: loaded as the browsers
// load it, a classic script that sets globalThis.vxRules, after the shared values of constants.js.
import fs from 'node:fs';
import path from 'node:path';
import vm from 'node:vm';
import { ROOT, SHARED_CONSTANTS } from '../lib/harness.mjs';

function loadRules() {
  const context = vm.createContext({ URL, TextEncoder, btoa, vxBridgeConstants: SHARED_CONSTANTS });
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

// The rows of one kind of tests/support/site-policy-table.txt, which the C++ tests read too: each
// row's fields after its kind, with \xNN as the character NN and "" as the empty text.
function sitePolicyRows(kind) {
  const field = (text) => (text === '""' ? '' : text.replace(/\\x([0-9A-Fa-f]{2})/g, (_, hex) => String.fromCharCode(parseInt(hex, 16))));
  const rows = fs.readFileSync(path.join(ROOT, 'tests/support/site-policy-table.txt'), 'utf8').split('\n')
    .map((line, index) => ({ line: index + 1, fields: line.split('\t').map(field) }))
    .filter((row) => row.fields[0] === kind);
  if (!rows.length) throw new Error(`no ${kind} rows in site-policy-table.txt`);
  return rows.map((row) => ({ line: row.line, fields: row.fields.slice(1) }));
}

// "SCHEMES HOST PORT" of a parsed pattern, as the C++ test writes it, or "!" and why it was refused.
function parseOutcome(rules, text) {
  const { pattern, whyNot } = rules.parseOriginPattern(text);
  if (!pattern) return `!${whyNot}`;
  const schemes = { httpAndHttps: 'http+https' }[pattern.schemes] ?? pattern.schemes;
  if (pattern.schemes === 'file') return schemes;
  const host = { any: '*', domainAndBelow: `*.${pattern.host}` }[pattern.hosts] ?? pattern.host;
  return `${schemes} ${host} ${pattern.port ? `:${pattern.port}` : 'any'}`;
}

// The Public Suffix List as the packed extension carries it (public_suffixes.js, from Debian's list).
function loadPublicSuffixes(rules, extension) {
  const context = vm.createContext({});
  vm.runInContext(fs.readFileSync(path.join(extension, 'public_suffixes.js'), 'utf8'), context);
  return rules.publicSuffixRules(context.vxPublicSuffixList);
}

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
        // who asks is the browser's to say, never the content script's
        [click({ unknown: 1, sender: { origin: 'https://bank.example', topOrigin: 'https://bank.example', frame: 'top' } }),
          JSON.stringify(click())],
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
  {
    name: 'rules_origins_and_sites',
    run({ check, extension }) {
      const rules = loadRules();
      table(check, 'documentOrigin', rules.documentOrigin, [
        ['https://A.Example:443', 'https://x.example/', 'https://a.example'],
        ['https://a.example:444', undefined, 'https://a.example:444'],
        ['http://a.example:80', undefined, 'http://a.example'],
        ['http://a.example:443', undefined, 'http://a.example:443'],
        ['http://B\u00fccher.example', undefined, 'http://xn--bcher-kva.example'],
        ['http://[0:0::1]:8080', undefined, 'http://[::1]:8080'],
        ['http://example.com.', undefined, 'http://example.com.'],
        ['file://', 'file:///home/u/page.html', 'file://'],
        [undefined, 'file:///home/u/page.html', 'file://'],
        // a page on another machine is no file of this computer
        ['file://server', undefined, null],
        [undefined, 'file://server/share/page.html', null],
        // an opaque origin counts over the address it was loaded from
        ['null', 'http://a.example/page.html', null],
        [undefined, 'http://a.example:8080/dir/page.html?q#f', 'http://a.example:8080'],
        [undefined, 'about:srcdoc', null],
        ['ftp://a.example', undefined, null],
        [undefined, undefined, null],
      ]);
      const suffixes = loadPublicSuffixes(rules, extension);
      table(check, 'siteOf', (origin) => rules.siteOf(origin, suffixes), [
        ['http://www.news.example:8080', 'http://news.example'],
        ['https://www.example.co.uk', 'https://example.co.uk'],
        // a wildcard rule (*.ck) and its exception (!www.ck)
        ['https://a.b.ck', 'https://a.b.ck'],
        ['https://b.ck', 'https://b.ck'],
        ['https://www.ck', 'https://www.ck'],
        ['https://x.www.ck', 'https://www.ck'],
        ['https://a.city.kawasaki.jp', 'https://city.kawasaki.jp'],
        ['https://x.other.kawasaki.jp', 'https://x.other.kawasaki.jp'],
        // the private section: github.io and a wildcard (*.compute.amazonaws.com)
        ['https://a.user.github.io', 'https://user.github.io'],
        ['https://github.io', 'https://github.io'],
        ['http://c.a.b.compute.amazonaws.com', 'http://a.b.compute.amazonaws.com'],
        // a rule the list writes in Unicode (公司.cn), matched in punycode
        ['http://a.xn--85x722f.xn--55qx5d.cn', 'http://xn--85x722f.xn--55qx5d.cn'],
        ['http://localhost:8080', 'http://localhost'],
        ['http://a.localhost', 'http://a.localhost'],
        ['http://127.0.0.1:5', 'http://127.0.0.1'],
        ['http://[::1]:8080', 'http://[::1]'],
        ['https://a.example.com.', 'https://example.com.'],
        ['https://example.com.', 'https://example.com.'],
        // an empty label: no registrable domain, the host is its own site
        ['http://a..example.com', 'http://a..example.com'],
        ['http://example.com..', 'http://example.com..'],
        ['file://', 'file://'],
      ]);
      const siteOf = (origin) => rules.siteOf(origin, suffixes);
      const top = 'http://news.example:8080';
      const frame = (origin, extra) => ({ origin, url: `${origin}/frame.html`, frameId: 12884901889, tab: { url: `${top}/page.html` }, ...extra });
      const asks = (origin, topOrigin, kind) => ({ sender: { origin, topOrigin, frame: kind } });
      table(check, 'attestedSender', (sender) => JSON.stringify(rules.attestedSender(sender, siteOf)), [
        [{ origin: top, url: `${top}/page.html`, frameId: 0 }, asks(top, top, 'top')],
        [{ origin: 'file://', url: 'file:///home/u/page.html', frameId: 0 }, asks('file://', 'file://', 'top')],
        [frame('http://www.news.example:81'), asks('http://www.news.example:81', top, 'sameSite')],
        [frame(top, { url: 'about:srcdoc' }), asks(top, top, 'sameSite')],
        [frame('http://ads.example:8080'), asks('http://ads.example:8080', top, 'crossSite')],
        [frame('https://news.example'), asks('https://news.example', top, 'crossSite')],
        [frame('http://a.example', { tab: { url: 'file:///home/u/page.html' } }), asks('http://a.example', 'file://', 'crossSite')],
        // where the browser gives no origin, the frame's address
        [{ url: 'http://www.news.example/f.html', frameId: 3, tab: { url: `${top}/page.html` } },
          asks('http://www.news.example', top, 'sameSite')],
        [frame('null', { url: `${top}/frame.html` }), { refused: 'noOrigin' }],
        [{ origin: 'null', url: `${top}/page.html`, frameId: 0 }, { refused: 'noOrigin' }],
        [frame(top, { tab: undefined }), { refused: 'unknownTop' }],
        [frame('http://ads.example', { frameId: undefined }), asks('http://ads.example', top, 'crossSite')],
        [frame(top, { tab: { url: 'data:text/html,x' } }), { refused: 'unknownTop' }],
        [undefined, { refused: 'noOrigin' }],
      ].map(([sender, expected]) => [sender, JSON.stringify(expected)]));
    },
  },
  {
    // The same rows as the C++ tests of the plug-in's and the bridge program's site policy.
    name: 'rules_site_policy',
    run({ check }) {
      const rules = loadRules();
      for (const { line, fields: [text, expected] } of sitePolicyRows('pattern')) {
        const outcome = parseOutcome(rules, text);
        check(`line ${line}: ${JSON.stringify(text)}`, expected.startsWith('!') ? outcome.includes(expected.slice(1)) || outcome : outcome,
          expected.startsWith('!') ? true : expected);
      }
      for (const { line, fields: [text, expected] } of sitePolicyRows('origin')) {
        check(`line ${line}: ${JSON.stringify(text)}`, rules.parseSiteOrigin(text) ? 'placed' : 'unplaced', expected);
      }
      for (const { line, fields: [pattern, origin, expected] } of sitePolicyRows('match')) {
        const matches = rules.patternMatches(rules.parseOriginPattern(pattern).pattern, rules.parseSiteOrigin(origin));
        check(`line ${line}: ${pattern} / ${origin}`, matches ? 'yes' : 'no', expected);
      }
      const list = (field) => field.split(' ').filter(Boolean);
      for (const { line, fields: [allowed, blocked, framed, origin, top, crossSite, expected] } of sitePolicyRows('decide')) {
        const policy = rules.sitePolicy({ AllowedSites: list(allowed), BlockedSites: list(blocked), AllowFramedSites: list(framed) });
        const decision = rules.decideSite(policy, origin, top, crossSite === 'yes');
        const outcome = decision.allowed ? 'allowed' : `refused${decision.refusingValue ? ` ${decision.refusingValue}` : ''}`;
        check(`line ${line}`, [outcome, decision.allowed === !decision.statusText, !decision.refusingValue || decision.statusText.includes(`(${decision.refusingValue})`)],
          [expected, true, true]);
      }
      // What managed storage holds: only arrays of texts are lists, an empty one is none.
      table(check, 'sitePolicy', (stored) => {
        const policy = rules.sitePolicy(stored);
        return [policy.malformedValue, policy.blockedSites.map((p) => p.text).join(' ')];
      }, [
        [{}, ['', '']],
        [{ BlockedSites: [] }, ['', '']],
        [{ BlockedSites: ['https://a.example', 'file://'] }, ['', 'https://a.example file://']],
        [{ BlockedSites: 'https://a.example' }, ['BlockedSites', '']],
        [{ BlockedSites: ['https://a.example', 7] }, ['BlockedSites', '']],
        [{ BlockedSites: null }, ['BlockedSites', '']],
        [{ AllowedSites: { 1: 'https://a.example' } }, ['AllowedSites', '']],
        [{ AllowFramedSites: ['https://a.example/'], AllowedSites: 'x' }, ['AllowedSites', '']],
      ]);
      check('the reason named', rules.sitePolicy({ AllowFramedSites: ['file://', 'https://b.example/'] }).malformedReason,
        "AllowFramedSites (managed storage), entry 2 'https://b.example/', has a path (write the site only, without even a final /)");
    },
  },
  {
    name: 'rules_missing_host',
    run({ check }) {
      const rules = loadRules();
      table(check, 'isMissingHost', rules.isMissingHost, [
        ['Specified native messaging host not found.', true],
        ['Access to the specified native messaging host is forbidden.', true],
        ['Failed to start native messaging host.', true],
        ['No such native application example.tolvane.vxbridge', true],
        ['Specified native messaging host not found', false],
        ['Native host has exited.', false],
        ['Error when communicating with the native messaging host.', false],
        ['An unexpected error occurred', false],
        [undefined, false],
      ]);
    },
  },
];
