// node tools/demo/bridge.mjs OUT_DIR: scripts/demo's part for today's browsers, run inside xvfb-run.
// examples/rich-download.html in headless Chromium with the bridge extension, at the address of the
// site it stands for (http://downloads.tolvane.example, which this browser resolves to the demo's
// own server), so that the dialogs name that site; its host manifest
// names tests/browser/vxbridge-launcher.sh, which runs VXBRIDGE_EXE (the vxbridge.exe the setup
// installed) in the demo's prefix (VXBRIDGE_TEST_PREFIX), with Wine's X11 driver in an 800x600 Wine
// desktop on the Xvfb display. Saves OUT_DIR/demo-bridge-dialog.png (the confirmation the click
// opened, import -window root) and, once vxanswer answered Yes, OUT_DIR/demo-bridge-button.png (the
// page with the button and the status under it, puppeteer's screenshot). Prints what the user saw
// and the client's new journal line (VXDEMO_JOURNAL, a Unix path). Exit 1 on any failure.
import fs from 'node:fs';
import path from 'node:path';
import { spawnSync } from 'node:child_process';
import {
  caseFolder, clickStandIn, packExtension, shownStandIns, sleep, startServer, waitUntil, whenStatus, withBrowser,
} from '../../tests/browser/lib/harness.mjs';
import { LAUNCHER, startAnswering, wine, wineserver } from '../../tests/browser/lib/real-host.mjs';

const out = process.argv[2];
const journalFile = process.env.VXDEMO_JOURNAL;
const PAGE = '/examples/rich-download.html';
const SITE = 'http://downloads.tolvane.example';
const journalLines = () => (fs.existsSync(journalFile) ? fs.readFileSync(journalFile, 'latin1').split(/\r?\n/).filter(Boolean) : []);

// The drivers are chosen when the server's first processes start: set, then a server of its own.
function useDrivers(x11) {
  wine(['reg', 'add', 'HKCU\\Software\\Wine\\Drivers', '/v', 'Graphics', '/d', x11 ? 'x11' : 'null', '/f']);
  if (x11) {
    wine(['reg', 'add', 'HKCU\\Software\\Wine\\Explorer', '/v', 'Desktop', '/d', 'Demo', '/f']);
    wine(['reg', 'add', 'HKCU\\Software\\Wine\\Explorer\\Desktops', '/v', 'Demo', '/d', '800x600', '/f']);
  } else {
    wine(['reg', 'delete', 'HKCU\\Software\\Wine\\Explorer', '/v', 'Desktop', '/f']);
  }
  wineserver('-k');
  wineserver('-w');
  if (x11) wineserver('-p');
}

async function demo(server, folder) {
  const env = { VXBRIDGE_EXE: process.env.VXBRIDGE_EXE, VXBRIDGE_WINEPREFIX: process.env.VXBRIDGE_TEST_PREFIX,
    VXBRIDGE_LOG: path.join(folder, 'wine.err'), DISPLAY: process.env.DISPLAY };
  const journalBefore = journalLines().length;
  // The site's name on its default port reaches the server; every other name stays unknown.
  const resolving = `--host-resolver-rules=MAP ${new URL(SITE).host}:80 127.0.0.1:${new URL(server.origin).port}, ` +
    'MAP * ~NOTFOUND, EXCLUDE 127.0.0.1';
  await withBrowser('chromium', { folder, extension: packExtension(), hostPath: LAUNCHER, env, args: [resolving] }, async (browser) => {
    const page = await browser.newPage();
    await page.setViewport({ width: 640, height: 160 });
    await page.goto(SITE + PAGE);
    const [shown] = await shownStandIns(page, 1);
    console.log(`the page: examples/rich-download.html, as ${page.url()}`);
    console.log(`the <embed> replaced by the extension's button "${shown.button.text}"`);

    // A watcher that answers nothing tells when the confirmation is up; the answer comes after the
    // screenshot, from a second vxanswer that finds it open.
    const watcher = startAnswering(['(only watching)=OK'], { seconds: 40 });
    await clickStandIn(page, 0);
    const seen = await waitUntil('the confirmation', () => watcher.lines.find((l) => l.text.includes('(open, ')), 30000);
    watcher.stop();
    console.log(`the click opened: ${seen.text.replace(/, not ours$/, '')}`);
    await sleep(1500);
    const shot = spawnSync('import', ['-window', 'root', path.join(out, 'demo-bridge-dialog.png')], { stdio: 'inherit' });
    if (shot.status !== 0) throw new Error('import -window root failed');

    const answering = startAnswering(['Tolvane Message =Yes'], { seconds: 30 });
    const { code, lines } = await answering.finished;
    for (const line of lines.filter((l) => l.text.includes(' -> '))) console.log(`the user: ${line.text}`);
    if (code !== 0) throw new Error(`vxanswer exited with ${code}`);
    const ended = await whenStatus(page, 0, (s) => s.status !== null && !s.button.disabled, 30000);
    console.log(`the status under the button: ${ended.status}`);
    await page.screenshot({ path: path.join(out, 'demo-bridge-button.png') });
  });
  await waitUntil('the client\'s journal line', () => journalLines().length > journalBefore, 15000);
  console.log(`client journal line:\n  ${journalLines().at(-1)}`);
}

const server = await startServer();
const folder = caseFolder('demo');
let failed = false;
useDrivers(true);
try {
  await demo(server, folder);
} catch (error) {
  console.log(`the bridge demo failed: ${error.message} (files in ${folder})`);
  failed = true;
} finally {
  await server.close();
  useDrivers(false);
}
if (!failed) fs.rmSync(folder, { recursive: true, force: true });
process.exit(failed ? 1 : 0);
