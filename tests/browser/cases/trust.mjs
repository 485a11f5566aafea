// What a page can do to the stand-in, who the host is told asks, and what the user is told when the
// host is missing or ends: each case in Chromium and in Firefox (named firefox_...), with the stub host.
import fs from 'node:fs';
import path from 'node:path';
import { pathToFileURL } from 'node:url';
import {
  STAND_IN, clickStandIn, hostManifestPath, hostsStarted, scriptedClickOnButton, shownStandIns, sleep, standIns,
  stubHostPath, stubReceived, stubRelease, stubScript, waitUntil, whenStatus, withBrowser,
} from '../lib/harness.mjs';

const CLIENT_DOWNLOAD_PAGE = 'http://www.tolvane.example/download.html';

// The user's Tab key until the focus is on the button (the page sees its stand-in as the active element).
async function tabToStandIn(page) {
  for (let i = 0; i < 4; i++) {
    await page.keyboard.press('Tab');
    if (await page.evaluate((selector) => document.activeElement === document.querySelector(selector), STAND_IN)) return;
  }
  throw new Error('the Tab key never reached the button');
}

// pages/hostile.html defines custom elements and patches the DOM calls before the stand-in is made,
// walks every tree it can reach, searches for our texts, tries to change the caption, clicks by
// script and puts the focus where it can; then the user presses Enter and Space. Only the user's Tab
// reaches the button, and only then do Enter and Space click it.
async function pageCannotReachTheButton(kind, { check, folder, server, extension }) {
  await withBrowser(kind, { folder, extension, hostPath: stubHostPath(folder) }, async (browser) => {
    const page = await browser.newPage();
    await page.goto(server.url('/hostile.html'));
    await shownStandIns(page, 1);
    const nothing = {
      constructed: 0, calls: [], internals: [], shadowRoot: 'null', attachInternals: 'NotSupportedError',
      secondRoot: 'NotSupportedError', buttons: 0, texts: [], finds: [],
    };
    check('what the page reached', await page.evaluate(() => window.reach()), nothing);
    check('where the page\'s clicks and focus went', await page.evaluate(() => window.pressAndFocus()),
      { atPoint: 'the stand-in', focused: 'the stand-in' });
    // Even a script that held the button itself (no page can) clicks nothing.
    if (kind === 'chromium') await scriptedClickOnButton(page, 0);
    await page.keyboard.press('Enter');
    await page.keyboard.press(' ');
    await sleep(1000);
    check('hosts started before the user reached the button', hostsStarted(folder), 0);

    await page.evaluate(() => window.letGo());
    await tabToStandIn(page);
    await page.keyboard.press('Enter');
    await stubReceived(folder, 1);
    const done = await whenStatus(page, 0, (s) => s.status === 'Document : Done' && !s.button.disabled);
    check('the caption the page tried to change', done.button.text, 'Deliver report.zip');
    check('what the page reached with a status shown', await page.evaluate(() => window.reach()), nothing);
    await tabToStandIn(page);
    await page.keyboard.press(' ');
    check('clicks by Enter and Space', (await stubReceived(folder, 2)).length, 2);
  });
}

// pages/origins.html on news.example, with frames of www.news.example (the same site), ads.example
// (another site) and a sandboxed one; in Chromium also a file: page with a srcdoc frame (Firefox
// runs no content script in file: pages). The host gets the sender the browser attests; the frames
// that may not ask show why and start nothing.
async function attestedOrigins(kind, { check, folder, server, extension }) {
  const port = new URL(server.origin).port;
  const origin = (host) => `http://${host}:${port}`;
  const names = ['news.example', 'www.news.example', 'ads.example'];
  await withBrowser(kind, { folder, extension, hostPath: stubHostPath(folder), names }, async (browser) => {
    const page = await browser.newPage();
    const frameNamed = (test) => waitUntil('the frame', () => page.frames().find(test));
    const clickIn = async (frame, count) => {
      await frame.waitForSelector(STAND_IN);
      await (await frame.$(STAND_IN)).click();
      return (await stubReceived(folder, count))[count - 1].sender;
    };
    await page.goto(`${origin('news.example')}/origins.html`);
    check('the top page', await clickIn(page.mainFrame(), 1),
      { origin: origin('news.example'), topOrigin: origin('news.example'), frame: 'top' });
    check('a frame of the same site', await clickIn(await frameNamed((f) => f.url().endsWith('?same-site')), 2),
      { origin: origin('www.news.example'), topOrigin: origin('news.example'), frame: 'sameSite' });
    for (const [name, text] of [['cross-site', 'Deliveries cannot be started from a frame of another site.'],
      ['sandboxed', 'Deliveries cannot be started from a sandboxed page or frame.']]) {
      const frame = await frameNamed((f) => f.url().endsWith(`?${name}`));
      const [refused] = await waitUntil(`the notice in the ${name} frame`, async () => {
        const found = await standIns(page, frame);
        return found[0]?.notice && found;
      });
      check(`the ${name} frame`, [refused.faceShown, refused.notice], [false, { text, href: null }]);
      await (await frame.$(STAND_IN)).click();
    }
    await sleep(500);
    check('hosts started', hostsStarted(folder), 2);

    if (kind !== 'chromium') return;
    const file = path.join(folder, 'page.html');
    fs.writeFileSync(file, '<!DOCTYPE html><embed type="application/x-vnxclient" width="200" height="30">' +
      '<iframe srcdoc="<embed type=application/x-vnxclient width=200 height=30>"></iframe>');
    await page.goto(pathToFileURL(file).href);
    check('a file: page', await clickIn(page.mainFrame(), 3), { origin: 'file://', topOrigin: 'file://', frame: 'top' });
    check('its srcdoc frame', await clickIn(await frameNamed((f) => f.url() === 'about:srcdoc'), 4),
      { origin: 'file://', topOrigin: 'file://', frame: 'sameSite' });
  });
}

// pages/status-layout.html: a status under way covers nothing of the page below the stand-in; a
// host that ends before it replies has stopped (the button back); without the host manifest the
// bridge is not installed, and the notice offers our download page, never the page's downloadurl.
async function hostMissingOrStopped(kind, { check, folder, server, extension }) {
  await withBrowser(kind, { folder, extension, hostPath: stubHostPath(folder) }, async (browser) => {
    const page = await browser.newPage();
    await page.goto(server.url('/status-layout.html'));
    await shownStandIns(page, 1);
    stubScript(folder, [
      { send: { type: 'status', text: 'The Tolvane client is being started, please wait while it loads its settings' } },
      { waitFor: 'go' },
      { send: { type: 'status', text: 'Document : Done' } },
      { send: { type: 'done', result: 'submitted' } },
    ]);
    await clickStandIn(page, 0);
    await whenStatus(page, 0, (s) => s.status?.startsWith('The Tolvane client'));
    const corner = await page.evaluate(() => {
      const rect = document.getElementById('below').getBoundingClientRect();
      return { x: rect.x + 1, y: rect.y + 1 };
    });
    await page.mouse.click(corner.x, corner.y);
    check('clicks that reached the page\'s button below', await page.evaluate(() => window.belowClicks ?? 0), 1);
    stubRelease(folder, 'go');
    await whenStatus(page, 0, (s) => !s.button.disabled);

    stubScript(folder, [{ exit: 1 }]);
    await clickStandIn(page, 0);
    const stopped = await whenStatus(page, 0, (s) => s.status?.includes('stopped') && !s.button.disabled);
    check('a host that ended before replying', [stopped.status, stopped.notice],
      ['The Tolvane bridge stopped before the request was finished', null]);

    fs.rmSync(hostManifestPath(kind, folder));
    await clickStandIn(page, 0);
    const missing = await whenStatus(page, 0, (s) => s.notice);
    check('no host', [missing.faceShown, missing.notice],
      [false, { text: 'Tolvane Delivery bridge not installed. Get the client software', href: CLIENT_DOWNLOAD_PAGE }]);
  });
}

const inBothBrowsers = (name, run) => [
  { name, browser: 'chromium', run: (context) => run('chromium', context) },
  { name: `firefox_${name}`, browser: 'firefox', run: (context) => run('firefox', context) },
];

export const cases = [
  ...inBothBrowsers('page_cannot_reach_the_button', pageCannotReachTheButton),
  ...inBothBrowsers('attested_origins', attestedOrigins),
  ...inBothBrowsers('host_missing_or_stopped', hostMissingOrStopped),
];
