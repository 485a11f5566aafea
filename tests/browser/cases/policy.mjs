// The extension as an administrator deploys it: installed by the machine's policy from a test server
// on 127.0.0.1 (no developer-mode load), then a page's click through the real vxbridge.exe under Wine.
// Chromium: a managed policy file of the run's own, for its browser's life only (see the README); the
// CRX is signed with a key made for the case, whose id the case names in the policy and the host
// manifest and finds the extension installed under. Firefox ESR: policies.json in an installation of
// the case's own; the unsigned package, which only ESR's xpinstall.signatures.required allows.
// Then the administrator's site policy in the extension's managed storage, from the same two places.
import fs from 'node:fs';
import path from 'node:path';
import {
  EXTENSION_ID, FIREFOX, GECKO_ID, STAND_IN, shownStandIns, sleep, stubClickedHosts, stubHostPath, stubReceived, waitUntil,
  whenStatus, withBrowser,
} from '../lib/harness.mjs';
import { RICH, RICH_CONFIRMATION, clickThroughBridge } from './bridge.mjs';
import { idOf, pack, throwAwayKey } from './packages.mjs';

const CHROMIUM_POLICIES = '/etc/chromium/policies/managed';

// Writes POLICY as a managed policy file of this run; gives the function that removes it and the
// folders it had to make (also called when the process exits before the case ends).
function writeChromiumPolicy(policy) {
  if (process.getuid() !== 0) throw new Error(`writing ${CHROMIUM_POLICIES} needs root`);
  const made = [];
  for (let folder = CHROMIUM_POLICIES; !fs.existsSync(folder); folder = path.dirname(folder)) made.unshift(folder);
  for (const folder of made) fs.mkdirSync(folder, { recursive: true });
  const file = path.join(CHROMIUM_POLICIES, `vxbridge-test-${process.pid}.json`);
  const remove = () => {
    fs.rmSync(file, { force: true });
    for (const folder of [...made].reverse()) {
      try {
        fs.rmdirSync(folder);
      } catch {
        // another run's file is in it
      }
    }
  };
  process.on('exit', remove);
  fs.writeFileSync(file, JSON.stringify(policy));
  return () => {
    remove();
    process.off('exit', remove);
  };
}

// Firefox ESR's installation, of the case's own: everything linked but the program (copied, so that
// the installation's folder is this one) and the distribution folder, which holds POLICIES.
function firefoxInstallation(folder, policies) {
  const installed = path.dirname(fs.realpathSync(FIREFOX));
  const program = path.basename(fs.realpathSync(FIREFOX));
  const own = path.join(folder, 'firefox');
  fs.mkdirSync(path.join(own, 'distribution'), { recursive: true });
  for (const name of fs.readdirSync(installed)) {
    if (name === 'distribution' || name === program) continue;
    fs.symlinkSync(path.join(installed, name), path.join(own, name));
  }
  fs.copyFileSync(path.join(installed, program), path.join(own, program));
  fs.chmodSync(path.join(own, program), 0o755);
  fs.writeFileSync(path.join(own, 'distribution/policies.json'), JSON.stringify({ policies }));
  return path.join(own, program);
}

// Opens the page once the policy's extension has taken it (the browsers give an installed
// extension only pages loaded after the install).
async function openOncePolicyInstalled(tab, url) {
  await waitUntil('the extension installed by policy', async () => {
    await tab.goto(url);
    return shownStandIns(tab, 1, 3000).catch(() => null);
  }, 40000);
}

const serveFile = (server, route, file, type) => server.routes.set(route, (request, response) => {
  response.writeHead(200, { 'Content-Type': type });
  response.end(fs.readFileSync(file));
});

// The click as in bridge_rich_confirmed, and what the client received.
function checkRichClick(check) {
  return ({ seen, answered, journal }) => {
    check('the confirmation, answered', answered, { code: 0, answers: [RICH_CONFIRMATION[1]] });
    check('the status under the button', seen.status, 'Document : Done');
    check('what the client received', journal, [RICH]);
  };
}

// The administrator's site policy for the extension: a site of the case's own blocked, which no other
// run's page uses (while the Chromium case runs, every Chromium on the machine reads its file).
const BLOCKED_SITE = 'blocked-by-policy.example';
const OTHER_SITE = 'not-blocked.example';
const SITE_POLICY = { BlockedSites: [`http://${BLOCKED_SITE}`] };
const POLICY_NOTICE = 'Tolvane delivery is not allowed from this site by your administrator (BlockedSites).';

// pages/framed.html on the blocked site: the notice that names the policy in place of the button, and
// a click there starts no host; on another site the button, whose click reaches the host.
async function managedSitePolicy(kind, { check, folder, server, extension }, browserOptions = {}) {
  const port = new URL(server.origin).port;
  const names = [BLOCKED_SITE, OTHER_SITE];
  await withBrowser(kind, { folder, extension, hostPath: stubHostPath(folder), names, ...browserOptions }, async (browser) => {
    const page = await browser.newPage();
    // Chromium hands an extension its policy a moment after the extension starts: a page loaded
    // before that shows the button (the host would still refuse its click), so it is loaded again.
    const refused = await waitUntil('the notice that names the policy', async () => {
      await page.goto(`http://${BLOCKED_SITE}:${port}/framed.html`);
      return whenStatus(page, 0, (s) => s.notice, 3000).catch(() => null);
    }, 30000);
    check('the blocked site', [refused.faceShown, refused.notice], [false, { text: POLICY_NOTICE, href: null }]);
    await (await page.$(STAND_IN)).click();
    await sleep(500);
    check('hosts that got a click from the blocked site', stubClickedHosts(folder).length, 0);

    await page.goto(`http://${OTHER_SITE}:${port}/framed.html`);
    const [shown] = await shownStandIns(page, 1);
    check('another site', [shown.faceShown, shown.notice], [true, null]);
    await (await page.$(STAND_IN)).click();
    check('who asked from it', (await stubReceived(folder, 1))[0].sender.origin, `http://${OTHER_SITE}:${port}`);
  });
}

export const cases = [
  {
    name: 'policy_chromium_force_install',
    browser: 'chromium',
    async run(context) {
      const { check, folder, server } = context;
      const key = throwAwayKey(folder);
      const id = idOf(key.publicKey);
      const packed = pack(path.join(folder, 'pack'), {
        VX_EXTENSION_KEY_FILE: key.file, VX_EXTENSION_CODEBASE: server.url('/policy/bridge.crx'),
      });
      if (packed.status !== 0) throw new Error(`pack-extension failed: ${packed.lines.join(' / ')}`);
      const [crx] = fs.readdirSync(packed.output).filter((name) => name.endsWith('.crx'));
      serveFile(server, '/policy/bridge.crx', path.join(packed.output, crx), 'application/x-chrome-extension');
      serveFile(server, '/policy/update.xml', path.join(packed.output, 'tolvane-delivery-bridge-update.xml'), 'text/xml');

      let installed = null;
      const open = async (tab, url, browser) => {
        await openOncePolicyInstalled(tab, url);
        const internals = await browser.newPage();
        await internals.goto('chrome://extensions-internals');
        const listed = JSON.parse(await internals.evaluate(() => document.body.innerText));
        installed = listed.filter((e) => e.location !== 'COMPONENT').map((e) => ({ id: e.id, location: e.location }));
        await internals.close();
        await tab.bringToFront();
      };
      const removePolicy = writeChromiumPolicy({ ExtensionInstallForcelist: [`${id};${server.url('/policy/update.xml')}`] });
      try {
        await clickThroughBridge(context, {
          kind: 'chromium', page: 'rich-download.html', answers: [RICH_CONFIRMATION[0]], open,
          browserOptions: { extension: null, byPolicy: true, chromiumId: id },
        }, checkRichClick(check));
      } finally {
        removePolicy();
      }
      check('installed by policy, under the key\'s id', installed, [{ id, location: 'EXTERNAL_POLICY_DOWNLOAD' }]);
      check('fetched through the update manifest',
        [...new Set(server.requests.filter((r) => r.path.startsWith('/policy/')).map((r) => r.path))].sort(),
        ['/policy/bridge.crx', '/policy/update.xml']);
    },
  },
  {
    name: 'policy_firefox_force_install',
    browser: 'firefox',
    async run(context) {
      const { check, folder, server, extension } = context;
      const packages = path.dirname(extension);
      const [xpi] = fs.readdirSync(packages).filter((name) => name.endsWith('-firefox.zip'));
      serveFile(server, '/policy/bridge.xpi', path.join(packages, xpi), 'application/x-xpinstall');
      const executablePath = firefoxInstallation(folder, {
        ExtensionSettings: {
          'vxbridge@tolvane.example': { installation_mode: 'force_installed', install_url: server.url('/policy/bridge.xpi') },
        },
      });
      await clickThroughBridge(context, {
        kind: 'firefox', page: 'rich-download.html', answers: [RICH_CONFIRMATION[0]], open: openOncePolicyInstalled,
        browserOptions: { extension: null, byPolicy: true, executablePath },
      }, checkRichClick(check));
      check('fetched from the policy\'s address', server.requests.some((r) => r.path === '/policy/bridge.xpi'), true);
    },
  },
  {
    // The managed policy of the extension's id, in a policy file of the run's own.
    name: 'policy_chromium_managed_sites',
    browser: 'chromium',
    async run(context) {
      const removePolicy = writeChromiumPolicy({ '3rdparty': { extensions: { [EXTENSION_ID]: SITE_POLICY } } });
      try {
        await managedSitePolicy('chromium', context);
      } finally {
        removePolicy();
      }
    },
  },
  {
    // policies.json's 3rdparty policy, in an installation of the case's own; the extension loaded as
    // a temporary add-on, which reads its managed storage as an installed one does.
    name: 'policy_firefox_managed_sites',
    browser: 'firefox',
    async run(context) {
      const executablePath = firefoxInstallation(context.folder, { '3rdparty': { Extensions: { [GECKO_ID]: SITE_POLICY } } });
      await managedSitePolicy('firefox', context, { executablePath });
    },
  },
];
