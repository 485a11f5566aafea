// What the browser cases share: the packed extension, a file server on 127.0.0.1, host manifests,
// the stub host's folder, and Chromium or Firefox started with all of it (headless, a profile and a
// HOME of their own, killed with their process group when a case fails).
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import { execFileSync } from 'node:child_process';
import { fileURLToPath } from 'node:url';
import puppeteer from 'puppeteer-core';

const here = path.dirname(fileURLToPath(import.meta.url));
export const ROOT = path.resolve(here, '../../..');
export const PAGES = path.resolve(here, '../pages');
export const SHARED_CONSTANTS = JSON.parse(fs.readFileSync(path.join(ROOT, 'shared/bridge-constants.json'), 'utf8'));
export const HOST_NAME = SHARED_CONSTANTS.hostName;
export const EXTENSION_ID = fs.readFileSync(path.join(ROOT, 'extension/ID'), 'utf8').trim();
export const GECKO_ID = 'vxbridge@tolvane.example';
const CHROMIUM = process.env.CHROMIUM ?? '/usr/bin/chromium';
export const FIREFOX = process.env.FIREFOX ?? '/usr/bin/firefox-esr';

export function packExtension() {
  const buildDir = process.env.BUILD_DIR ?? path.join(ROOT, 'build');
  execFileSync(path.join(ROOT, 'scripts/pack-extension'), { env: { ...process.env, BUILD_DIR: buildDir }, stdio: 'ignore' });
  return path.join(buildDir, 'extension/unpacked');
}

export const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

export async function waitUntil(what, probe, ms = 10000) {
  const deadline = Date.now() + ms;
  for (;;) {
    const value = await probe();
    if (value) return value;
    if (Date.now() > deadline) throw new Error(`timed out waiting for ${what}`);
    await sleep(50);
  }
}

// The pages of tests/browser/pages, plus routes a case adds: path -> (request, response) => void.
// Every request is logged with its Cookie and Origin headers.
export async function startServer() {
  const routes = new Map();
  const requests = [];
  const types = { '.html': 'text/html; charset=utf-8', '.vnxclient': 'application/x-vnxclient' };
  const server = http.createServer((request, response) => {
    const url = new URL(request.url, 'http://127.0.0.1');
    requests.push({ path: url.pathname, cookie: request.headers.cookie ?? null, origin: request.headers.origin ?? null, dest: request.headers['sec-fetch-dest'], mode: request.headers['sec-fetch-mode'] });
    const route = routes.get(url.pathname);
    if (route) return route(request, response, url);
    // /examples/... are the example pages of the guide, the rest are the cases' own pages.
    const [folder, pathname] = url.pathname.startsWith('/examples/')
      ? [path.join(ROOT, 'examples'), url.pathname.slice('/examples'.length)] : [PAGES, url.pathname];
    const file = path.join(folder, path.normalize(decodeURIComponent(pathname)));
    if (!file.startsWith(folder + path.sep) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      response.writeHead(404).end('not found');
      return;
    }
    response.writeHead(200, { 'Content-Type': types[path.extname(file)] ?? 'application/octet-stream' });
    response.end(fs.readFileSync(file));
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  const origin = `http://127.0.0.1:${server.address().port}`;
  return {
    origin,
    url: (pathname) => origin + pathname,
    routes,
    requests,
    close: () => new Promise((resolve) => { server.closeAllConnections(); server.close(resolve); }),
  };
}

// A folder of the case's own: the browser profile, HOME, the stub host's script and events.
export function caseFolder(name) {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), `vxbridge-${name}-`));
  fs.mkdirSync(path.join(folder, 'stub'));
  fs.mkdirSync(path.join(folder, 'home'));
  return folder;
}

// The stub host as an executable the browser can start: a launcher with the stub's folder in it.
export function stubHostPath(folder) {
  const launcher = path.join(folder, 'stub-host.sh');
  fs.writeFileSync(launcher,
    `#!/bin/sh\nexec ${JSON.stringify(process.execPath)} ${JSON.stringify(path.join(here, 'stub-host.mjs'))} ` +
    `${JSON.stringify(path.join(folder, 'stub'))} "$@" 2>>${JSON.stringify(path.join(folder, 'stub-host.err'))}\n`);
  fs.chmodSync(launcher, 0o755);
  return launcher;
}

export function stubScript(folder, steps) {
  fs.writeFileSync(path.join(folder, 'stub', 'script.json'), JSON.stringify(steps));
}

export function stubRelease(folder, name) {
  fs.writeFileSync(path.join(folder, 'stub', name), '');
}

export function stubEvents(folder) {
  const file = path.join(folder, 'stub', 'events.jsonl');
  if (!fs.existsSync(file)) return [];
  // Whole lines only: the host may be writing the last one (a 16 KB request file takes a while).
  return fs.readFileSync(file, 'utf8').split('\n').slice(0, -1).filter(Boolean).map((line) => JSON.parse(line));
}

// How many hosts the browser has started so far.
export const hostsStarted = (folder) => stubEvents(folder).filter((event) => event.event === 'started').length;

export async function stubReceived(folder, count = 1) {
  return waitUntil(`${count} click(s) at the host`, () => {
    const received = stubEvents(folder).filter((event) => event.event === 'received');
    return received.length >= count && received.map((event) => event.message);
  });
}

// Where the browser of KIND started with FOLDER reads the host manifest.
export function hostManifestPath(kind, folder) {
  const directory = kind === 'chromium' ? path.join(folder, 'profile', 'NativeMessagingHosts')
    : path.join(folder, 'home', '.mozilla', 'native-messaging-hosts');
  return path.join(directory, `${HOST_NAME}.json`);
}

function writeHostManifest(kind, folder, hostPath, chromiumId = EXTENSION_ID) {
  const file = hostManifestPath(kind, folder);
  fs.mkdirSync(path.dirname(file), { recursive: true });
  const manifest = { name: HOST_NAME, description: 'Tolvane Delivery bridge', path: hostPath, type: 'stdio' };
  if (kind === 'chromium') manifest.allowed_origins = [`chrome-extension://${chromiumId}/`];
  else manifest.allowed_extensions = [GECKO_ID];
  fs.writeFileSync(file, JSON.stringify(manifest, null, 2));
}

// Kills what is left of a browser we launched: its process group (puppeteer starts it detached).
const launched = new Set();
function killGroup(pid) {
  launched.delete(pid);
  try {
    process.kill(-pid, 'SIGKILL');
  } catch {
    // already gone
  }
}
export function killLaunchedBrowsers() {
  for (const pid of [...launched]) killGroup(pid);
}
for (const signal of ['SIGINT', 'SIGTERM']) {
  process.on(signal, () => {
    killLaunchedBrowsers();
    process.exit(130);
  });
}

// Runs body(browser) with a browser of the given kind; hostPath null means no host manifest at all,
// extension null no extension, args more command-line arguments (Chromium only: the benchmark), env
// more environment (the browser passes it on to the host it starts: the real host's launcher; a
// DISPLAY there is Wine's, the browser itself runs headless) and names host names that resolve to
// 127.0.0.1 (the test servers' address; every other name stays unknown). byPolicy: the extension
// comes from the machine's policy, as an administrator deploys it (Chromium may then fetch it: no
// --disable-extensions nor --disable-background-networking; Firefox takes unsigned add-ons, as ESR
// allows), with the Chromium id chromiumId in the host manifest; executablePath another browser
// program (Firefox: an installation of the case's own, see cases/policy.mjs).
export async function withBrowser(kind, { folder, extension, hostPath, args = [], env: hostEnv = {}, names = [],
  byPolicy = false, chromiumId = EXTENSION_ID, executablePath }, body) {
  const home = path.join(folder, 'home');
  const env = { ...process.env };
  delete env.DISPLAY;
  Object.assign(env, hostEnv, { HOME: home, XDG_CONFIG_HOME: path.join(home, '.config') });
  let browser;
  try {
    if (kind === 'chromium') {
      const profile = path.join(folder, 'profile');
      if (hostPath) writeHostManifest(kind, folder, hostPath, chromiumId);
      browser = await puppeteer.launch({
        executablePath: executablePath ?? CHROMIUM,
        headless: true,
        userDataDir: profile,
        env,
        ignoreDefaultArgs: byPolicy ? ['--disable-extensions', '--disable-background-networking'] : extension ? ['--disable-extensions'] : [],
        args: [
          '--no-sandbox', ...(extension ? [`--load-extension=${extension}`, `--disable-extensions-except=${extension}`] : []),
          ...(byPolicy ? [] : ['--disable-background-networking']), '--disable-component-update', '--disable-sync', '--no-first-run',
          '--disable-gpu', '--disable-quic',
          // Nothing leaves the machine: every name but the test servers' address is unknown.
          `--host-resolver-rules=${names.map((name) => `MAP ${name} 127.0.0.1, `).join('')}MAP * ~NOTFOUND, EXCLUDE 127.0.0.1`,
          ...args,
        ],
      });
      launched.add(browser.process().pid);
      if (!extension) return await body(browser);
      const worker = await browser.waitForTarget((target) => target.type() === 'service_worker', { timeout: 10000 });
      const id = new URL(worker.url()).host;
      if (id !== EXTENSION_ID) throw new Error(`the extension loaded as ${id}, not as ${EXTENSION_ID} (extension/ID)`);
    } else {
      if (hostPath) writeHostManifest(kind, folder, hostPath);
      browser = await puppeteer.launch({
        browser: 'firefox',
        executablePath: executablePath ?? FIREFOX,
        headless: true,
        userDataDir: path.join(folder, 'profile'),
        env,
        // Nothing leaves the machine: every address but 127.0.0.1 goes to a proxy that is not there.
        extraPrefsFirefox: {
          'network.proxy.type': 1, 'network.proxy.http': '127.0.0.1', 'network.proxy.http_port': 9,
          'network.proxy.ssl': '127.0.0.1', 'network.proxy.ssl_port': 9,
          'network.proxy.no_proxies_on': ['127.0.0.1', ...names].join(', '), 'network.dns.localDomains': names.join(','),
          'network.dns.disablePrefetch': true, 'app.update.enabled': false,
          ...(byPolicy ? { 'xpinstall.signatures.required': false } : {}),
        },
      });
      launched.add(browser.process().pid);
      if (extension) await browser.installExtension(extension);
    }
    retryDetachedNavigations(browser);
    return await body(browser);
  } finally {
    if (browser) {
      const pid = browser.process()?.pid;
      await Promise.race([browser.close().catch(() => {}), sleep(10000)]);
      if (pid) killGroup(pid);
    }
  }
}

// A new tab's first navigation may swap its frame for one of another process just as puppeteer
// watches it ("Navigating frame was detached", seen under load): the navigation is made once more,
// in the frame that took its place. Any other failure stands.
function retryDetachedNavigations(browser) {
  const newPage = browser.newPage.bind(browser);
  browser.newPage = async (...args) => {
    const page = await newPage(...args);
    const goto = page.goto.bind(page);
    page.goto = async (url, options) => {
      try {
        return await goto(url, options);
      } catch (error) {
        if (!/Navigating frame was detached/.test(error?.message)) throw error;
        return goto(url, options);
      }
    };
    return page;
  };
}

// What marks the extension's stand-ins (a <span> with a closed shadow root) for the page's selectors.
export const STAND_IN = '[data-tolvane-delivery-button]';

// The stand-ins on the page (or in one FRAME of it) as the user sees them, read through the browser's
// protocol, which reaches into closed shadow roots (the page itself cannot): Chromium's DevTools
// protocol (the page with its frames of the same process, or the frame's own target), Firefox's
// WebDriver BiDi (the top document, or the frame).
export async function standIns(page, frame = null) {
  if (page.browser().protocol !== 'cdp') return (await bidiStandIns(page, frame ?? page.mainFrame())).flatMap(describeStandIns);
  const ownTarget = frame && page.browser().targets().find((target) => target._targetId === frame._id);
  const session = await (ownTarget ?? page.target()).createCDPSession();
  try {
    const { root } = await session.send('DOM.getDocument', { depth: -1, pierce: true });
    if (!frame || ownTarget || frame === page.mainFrame()) return describeStandIns(root);
    const owner = findNode(root, (node) => node.frameId === frame._id && node.contentDocument);
    return describeStandIns(owner.contentDocument);
  } finally {
    await session.detach().catch(() => {});
  }
}

const findNode = (node, test) => {
  if (test(node)) return node;
  for (const child of [...(node.children ?? []), ...(node.shadowRoots ?? []), ...(node.contentDocument ? [node.contentDocument] : [])]) {
    const hit = findNode(child, test);
    if (hit) return hit;
  }
  return null;
};

// The stand-ins in a DevTools protocol node tree (children, shadowRoots, contentDocument, attributes
// as a flat list of names and values).
function describeStandIns(root) {
  const found = [];
  const attributesOf = (node) => {
    const map = {};
    for (let i = 0; i < (node.attributes ?? []).length; i += 2) map[node.attributes[i]] = node.attributes[i + 1];
    return map;
  };
  // The extension shows its texts as generated content, from data-text.
  const text = (node) => (node.nodeType === 3 ? node.nodeValue
    : (attributesOf(node)['data-text'] ?? '') + (node.children ?? []).map(text).join(''));
  const find = findNode;
  const walk = (node) => {
    if ('data-tolvane-delivery-button' in attributesOf(node) && node.shadowRoots?.length) {
      const shadow = node.shadowRoots?.[0];
      const part = (className) => find(shadow, (n) => attributesOf(n).class === className);
      const button = find(shadow, (n) => n.localName === 'button');
      const status = part('status');
      const notice = part('notice');
      const link = notice && find(notice, (n) => n.localName === 'a');
      found.push({
        attributes: attributesOf(node),
        shadowType: shadow?.shadowRootType,
        button: { text: text(part('caption')), disabled: 'disabled' in attributesOf(button) },
        faceShown: !('hidden' in attributesOf(part('face'))),
        status: 'hidden' in attributesOf(status) ? null : text(status),
        notice: 'hidden' in attributesOf(notice) ? null : { text: text(notice), href: link && attributesOf(link).href },
      });
    }
    for (const child of node.children ?? []) walk(child);
    for (const child of node.contentDocument ? [node.contentDocument] : []) walk(child);
  };
  walk(root);
  return found;
}

// Firefox: the stand-ins of FRAME as WebDriver BiDi serializes them with their closed shadow trees,
// in the DevTools protocol's shape.
async function bidiStandIns(page, frame) {
  const { result } = await page.browser().connection.send('script.evaluate', {
    expression: `[...document.querySelectorAll(${JSON.stringify(STAND_IN)})]`,
    target: { context: frame._id },
    awaitPromise: false,
    resultOwnership: 'none',
    serializationOptions: { includeShadowTree: 'all', maxDomDepth: 8 },
  });
  if (result.type !== 'success') throw new Error(`reading the stand-ins: ${JSON.stringify(result)}`);
  const node = (remote) => {
    const value = remote.value ?? {};
    const shadow = value.shadowRoot?.value;
    return {
      nodeType: value.nodeType,
      nodeValue: value.nodeValue,
      localName: value.localName,
      attributes: Object.entries(value.attributes ?? {}).flat(),
      children: (value.children ?? []).map(node),
      shadowRoots: shadow ? [{ shadowRootType: shadow.mode, children: (shadow.children ?? []).map(node) }] : [],
    };
  };
  return result.result.value.map(node);
}

// Waits until COUNT stand-ins show, each with its button enabled (the element read whole).
export async function shownStandIns(page, count, ms) {
  return waitUntil(`${count} stand-in(s) with their captions`, async () => {
    const found = await standIns(page);
    return found.length === count && found.every((s) => !s.button.disabled) && found;
  }, ms);
}

// Waits until the INDEX-th stand-in passes test(standIn); gives it.
export const whenStatus = (page, index, test, ms) =>
  waitUntil('the status line', async () => {
    const standIn = (await standIns(page))[index];
    return standIn && test(standIn) && standIn;
  }, ms);

// A trusted click (input events from the browser, as a user's) at the middle of the n-th stand-in.
export async function clickStandIn(page, index = 0) {
  const box = await page.evaluate((selector, n) => {
    const rect = document.querySelectorAll(selector)[n].getBoundingClientRect();
    return { x: rect.x + rect.width / 2, y: rect.y + rect.height / 2 };
  }, STAND_IN, index);
  await page.mouse.click(box.x, box.y);
}

// A request file in the user's ANSI code page (here 1252): bytes above 0x7F that are no UTF-8.
export const ANSI_REQUEST_FILE = Buffer.from(
  'Tolvane Delivery request file\r\nvnxclient: NAME="caf\u00e9 \u20ac.zip" SERVERNAME=srv2\r\n'.replace('\u20ac', '\x80'),
  'latin1');

export function serveBytes(server, pathname, bytes, headers = {}) {
  server.routes.set(pathname, (request, response) => {
    response.writeHead(200, { 'Content-Type': 'application/x-vnxclient', ...headers });
    response.end(bytes);
  });
}

// Chromium only: what a page could do if it ever held the button inside the closed shadow root
// (none can): a scripted click on the button itself, through the DevTools protocol.
export async function scriptedClickOnButton(page, index = 0) {
  const session = await page.createCDPSession();
  try {
    const { root } = await session.send('DOM.getDocument', { depth: -1, pierce: true });
    const buttons = [];
    const walk = (node) => {
      if (node.localName === 'button') buttons.push(node);
      for (const child of [...(node.children ?? []), ...(node.shadowRoots ?? [])]) walk(child);
    };
    walk(root);
    const { object } = await session.send('DOM.resolveNode', { backendNodeId: buttons[index].backendNodeId });
    await session.send('Runtime.callFunctionOn', {
      objectId: object.objectId,
      functionDeclaration: 'function () { this.click(); this.dispatchEvent(new MouseEvent("click", { bubbles: true })); }',
    });
  } finally {
    await session.detach().catch(() => {});
  }
}
