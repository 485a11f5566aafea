// The extension in Chromium, with the stub host (or none): what pages get, what the host receives,
// what the user sees.
import fs from 'node:fs';
import path from 'node:path';
import {
  ANSI_REQUEST_FILE, PAGES, ROOT, STAND_IN, clickStandIn, hostsStarted, serveBytes, shownStandIns, sleep, startServer,
  stubEvents, stubHostPath, stubReceived, stubRelease, stubScript, waitUntil, whenStatus, withBrowser,
} from '../lib/harness.mjs';

const chromium = (context, body) =>
  withBrowser('chromium', { folder: context.folder, extension: context.extension, hostPath: stubHostPath(context.folder) }, body);

// Chromium with the stub host, a tab on PATHNAME of the case's server once COUNT stand-ins show:
// body(page, standIns, browser).
const onPage = (context, pathname, count, body) =>
  chromium(context, async (browser) => {
    const page = await browser.newPage();
    await page.goto(context.server.url(pathname));
    return body(page, await shownStandIns(page, count), browser);
  });

const base64Of = (file) => fs.readFileSync(path.join(ROOT, file)).toString('base64');

// What the page's layout and scripts see of the stand-ins and of the elements that are left.
const pageView = (page) => page.evaluate((selector) => ({
  standIns: [...document.querySelectorAll(selector)].map((element) => {
    const rect = element.getBoundingClientRect();
    return [element.id, rect.width, rect.height];
  }),
  embeds: [...document.querySelectorAll('embed')].map((element) => element.getAttribute('type')),
  objects: document.querySelectorAll('object').length,
}), STAND_IN);

export const cases = [
  {
    name: 'embed_and_object_replaced',
    browser: 'chromium',
    async run(context) {
      const { check, folder, server } = context;
      // An <object> whose <param>s arrive after a pause: they are still the parser's when it is found.
      server.routes.set('/slow-object.html', (request, response) => {
        response.writeHead(200, { 'Content-Type': 'text/html; charset=utf-8' });
        response.write(`<!DOCTYPE html><body><!-- ${'.'.repeat(2048)} -->
          <object type="application/x-vnxclient"><param name="caption" value="first part">`);
        setTimeout(() => response.end('<param name="servername" value="srv9"></object><p>after</p></body>'), 500);
      });
      await onPage(context, '/elements.html', 3, async (page, shown) => {
        check('captions', shown.map((s) => s.button.text), ['Deliver report.zip', 'Order the catalogue', 'Vexo Save File']);
        check('shadow roots', shown.map((s) => s.shadowType), ['closed', 'closed', 'closed']);
        // Sizes: attributes, the page's style over an attribute, the browser's default for an embed.
        check('page view', await pageView(page), {
          standIns: [['first', 260, 36], ['', 200, 40], ['', 300, 150]],
          embeds: ['image/png'],
          objects: 0,
        });
        for (let i = 0; i < 3; i++) {
          await clickStandIn(page, i);
          await stubReceived(folder, i + 1);
        }
        const [embed, object, bySource] = await stubReceived(folder, 3);
        check('embed click', embed, {
          type: 'click',
          attributes: [['type', 'Application/X-VNXCLIENT; version=1'], ['width', '260'], ['height', '36'],
            ['caption', 'Deliver report.zip'], ['name', 'report.zip'], ['servername', 'srv1'], ['port', '609'], ['id', 'first']],
          sender: { origin: server.origin, topOrigin: server.origin, frame: 'top' },
        });
        check('object click', object, {
          type: 'click',
          attributes: [['src', '/examples/catalogue.vnxclient'], ['width', '200'], ['style', 'height: 40px'],
            ['caption', 'Order the catalogue'], ['RECIPIENTS', '']],
          requestFile: { url: server.url('/examples/catalogue.vnxclient'), bytes: base64Of('examples/catalogue.vnxclient') },
          sender: { origin: server.origin, topOrigin: server.origin, frame: 'top' },
        });
        check('embed named by its src', bySource.attributes, [['src', '/examples/quarterly.vnxclient']]);

        await page.goto(server.url('/slow-object.html'));
        const [slow] = await shownStandIns(page, 1);
        check('caption of the slow object', slow.button.text, 'first part');
        await clickStandIn(page, 0);
        check('slow object click', (await stubReceived(folder, 4))[3].attributes,
          [['type', 'application/x-vnxclient'], ['caption', 'first part'], ['servername', 'srv9']]);
      });
    },
  },
  {
    name: 'elements_added_later',
    browser: 'chromium',
    async run(context) {
      const { check, folder } = context;
      await onPage(context, '/later.html', 4, async (page, shown) => {
        check('captions in document order', shown.map((s) => s.button.text),
          ['added as HTML', 'Vexo Save File', 'in a frame of the page', 'added by script']);
        check('page view', await pageView(page), { standIns: [['', 300, 150], ['retyped', 10, 10], ['', 300, 150]], embeds: [], objects: 0 });
        await clickStandIn(page, 0);
        check('object added as HTML', (await stubReceived(folder))[0].attributes,
          [['type', 'application/x-vnxclient'], ['caption', 'added as HTML']]);
      });
    },
  },
  {
    name: 'request_files',
    browser: 'chromium',
    async run(context) {
      const { check, folder, server } = context;
      const other = context.other = await startServer();
      const exact = Buffer.alloc(16384, 0x23);
      Buffer.from('vnxclient: NAME=ab SERVERNAME=cd\r\n').copy(exact, 100);
      const big = Buffer.concat([exact, Buffer.from('#')]);
      server.routes.set('/request-files.html', (request, response) => {
        response.writeHead(200, { 'Content-Type': 'text/html; charset=utf-8', 'Set-Cookie': 'session=s1; Path=/' });
        response.end(fs.readFileSync(path.join(PAGES, 'request-files.html')));
      });
      serveBytes(server, '/ansi.vnxclient', ANSI_REQUEST_FILE);
      serveBytes(server, '/exact.vnxclient', exact);
      serveBytes(server, '/big.vnxclient', big);
      serveBytes(other, '/cors-allowed.vnxclient', ANSI_REQUEST_FILE,
        { 'Access-Control-Allow-Origin': server.origin, 'Access-Control-Allow-Credentials': 'true' });
      serveBytes(other, '/cors-refused.vnxclient', ANSI_REQUEST_FILE);

      await onPage(context, `/request-files.html?other=${new URL(other.origin).port}`, 6, async (page, shown) => {
        for (let i = 0; i < shown.length; i++) {
          await clickStandIn(page, i);
          await stubReceived(folder, i + 1);
        }
        const files = Object.fromEntries((await stubReceived(folder, 6)).map((m) => [m.attributes.at(-1)[1], m.requestFile]));
        check('ANSI bytes', files.ansi, { url: server.url('/ansi.vnxclient'), bytes: ANSI_REQUEST_FILE.toString('base64') });
        check('16384 bytes', files.exact, { url: server.url('/exact.vnxclient'), bytes: exact.toString('base64') });
        check('16385 bytes', files.big, { url: server.url('/big.vnxclient'), tooLarge: true });
        check('not found', files.missing, { url: server.url('/missing.vnxclient'), failed: 'HTTP status 404' });
        check('cross-origin with CORS', files['cors-allowed'],
          { url: other.url('/cors-allowed.vnxclient'), bytes: ANSI_REQUEST_FILE.toString('base64') });
        check('cross-origin without CORS', files['cors-refused'],
          { url: other.url('/cors-refused.vnxclient'), failed: 'network error or refused by CORS' });
      });
      // Each file fetched once (never by the browser for the element itself), with the page's cookie.
      // The fetches run side by side and reach the server in any order: compared by path.
      const fetches = (log) => log.filter((r) => r.path.endsWith('.vnxclient'))
        .map((r) => [r.path, r.cookie, r.origin === server.origin ? 'page origin' : r.origin])
        .sort(([a], [b]) => (a < b ? -1 : a > b ? 1 : 0));
      check('fetches, same origin', fetches(server.requests), [
        ['/ansi.vnxclient', 'session=s1', null], ['/big.vnxclient', 'session=s1', null],
        ['/exact.vnxclient', 'session=s1', null], ['/missing.vnxclient', 'session=s1', null]]);
      check('fetches, other origin', fetches(other.requests), [
        ['/cors-allowed.vnxclient', 'session=s1', 'page origin'], ['/cors-refused.vnxclient', 'session=s1', 'page origin']]);
    },
  },
  {
    name: 'host_replies',
    browser: 'chromium',
    async run(context) {
      const { check, folder } = context;
      await onPage(context, '/examples/download.html', 1, async (page, shown, browser) => {
        stubScript(folder, [
          { send: { type: 'status', text: 'The Tolvane client is not installed or configured properly ...' } },
          { waitFor: 'go' },
          { send: { type: 'status', text: 'Document: Done' } },
          { send: { type: 'done', result: 'submitted' } },
        ]);
        await clickStandIn(page, 0);
        const busy = await whenStatus(page, 0, (s) => s.status?.startsWith('The Tolvane'));
        check('while the host works', [busy.status, busy.button.disabled],
          ['The Tolvane client is not installed or configured properly ...', true]);
        await clickStandIn(page, 0);
        await sleep(500);
        check('hosts started by a second click while busy', hostsStarted(folder), 1);
        stubRelease(folder, 'go');
        const done = await whenStatus(page, 0, (s) => !s.button.disabled);
        check('after done', done.status, 'Document: Done');

        stubScript(folder, [{ send: { type: 'error', message: '<b>message larger than 65536 bytes</b>' } }]);
        await clickStandIn(page, 0);
        const refused = await whenStatus(page, 0, (s) => s.status?.includes('error'));
        check('after error', [refused.status, refused.button.disabled],
          ['Tolvane bridge error: <b>message larger than 65536 bytes</b>', false]);

        stubScript(folder, [{ send: { type: 'status', text: 'working' } }, { exit: 1 }]);
        await clickStandIn(page, 0);
        const stopped = await whenStatus(page, 0, (s) => s.status?.includes('stopped'));
        check('after the host stopped', [stopped.status, stopped.button.disabled],
          ['The Tolvane bridge stopped before the request was finished', false]);

        const before = new Set(browser.targets());
        const opened = () => browser.targets().filter((t) => t.type() === 'page' && !before.has(t)).map((t) => t.url());
        stubScript(folder, [
          { send: { type: 'openUrl', url: 'javascript:alert(1)' } },
          { send: { type: 'openUrl', url: 'file:///etc/passwd' } },
          { send: { type: 'openUrl', url: 'http://www.tolvane.example/download.html' } },
          { send: { type: 'status', text: 'Document: Done' } },
          { send: { type: 'done', result: 'submitted' } },
        ]);
        await clickStandIn(page, 0);
        await waitUntil('the new tab', () => opened().includes('http://www.tolvane.example/download.html'));
        await whenStatus(page, 0, (s) => !s.button.disabled);
        check('tabs opened', opened(), ['http://www.tolvane.example/download.html']);
      });
    },
  },
  {
    name: 'tab_closed_while_host_works',
    browser: 'chromium',
    async run(context) {
      const { check, folder } = context;
      stubScript(folder, [
        { waitFor: 'go' },
        { send: { type: 'status', text: 'Document : Done' } },
        { send: { type: 'done', result: 'submitted' } },
      ]);
      await onPage(context, '/examples/download.html', 1, async (page) => {
        await clickStandIn(page, 0);
        await stubReceived(folder);
        await page.close();
        await sleep(1500);
        stubRelease(folder, 'go');
        await waitUntil('the host to end', () => stubEvents(folder).some((e) => e.event === 'exit'));
      });
      // The host ran to its end: its input stayed open until it had answered.
      check('host events', stubEvents(folder).map((e) => e.event === 'exit' ? `exit ${e.code}` : e.event),
        ['started', 'received', 'sent', 'sent', 'exit 0']);
    },
  },
];
