// The same extension in Firefox (a temporary add-on, the host manifest under HOME): the element is
// replaced and a user's click reaches the host with the request file's bytes as they were served.
import {
  ANSI_REQUEST_FILE, STAND_IN, clickStandIn, serveBytes, stubHostPath, stubReceived, waitUntil, withBrowser,
} from '../lib/harness.mjs';

export const cases = [
  {
    name: 'firefox_smoke',
    browser: 'firefox',
    async run(context) {
      const { check, folder, server, extension } = context;
      serveBytes(server, '/ansi.vnxclient', ANSI_REQUEST_FILE);
      await withBrowser('firefox', { folder, extension, hostPath: stubHostPath(folder) }, async (browser) => {
        const page = await browser.newPage();
        await page.goto(server.url('/ansi.html'));
        const view = await waitUntil('the stand-in', () => page.evaluate((selector) => {
          const standIn = document.querySelector(selector);
          if (!standIn) return null;
          const rect = standIn.getBoundingClientRect();
          return { size: [rect.width, rect.height], shadowRoot: standIn.shadowRoot, embeds: document.embeds.length };
        }, STAND_IN));
        check('page view', view, { size: [260, 36], shadowRoot: null, embeds: 0 });
        // The button is enabled once the element is complete, right after it is found.
        await clickStandIn(page, 0);
        check('click', (await stubReceived(folder))[0], {
          type: 'click',
          attributes: [['src', 'ansi.vnxclient'], ['width', '260'], ['height', '36'], ['caption', 'ansi']],
          requestFile: { url: server.url('/ansi.vnxclient'), bytes: ANSI_REQUEST_FILE.toString('base64') },
          sender: { origin: server.origin, topOrigin: server.origin, frame: 'top' },
        });
      });
    },
  },
];
