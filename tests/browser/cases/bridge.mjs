// The guide's example pages through the extension and the real bridge program (vxbridge.exe under
// Wine, started through the launcher): one case per route of the request path in Chromium, a pair
// in Firefox. vxanswer.exe answers the dialogs as the user would; the checks are what the user sees
// (the dialog answered, the status under the button, a new tab) and what the client received.
import { clickStandIn, shownStandIns, waitUntil, whenStatus, withBrowser } from '../lib/harness.mjs';
import { installClient, openTitle, saveTitle, realHost, uninstallClient, waitingRequests } from '../lib/real-host.mjs';

const CLICK_MS = 40000;

// Opens /examples/PAGE in KIND with the real host, starts vxanswer with ANSWERS, clicks the button
// and waits for the click's end (the button enabled again, a status under it). body(result) checks
// { seen: the stand-in as the user sees it, answered: vxanswer's answers and exit code, journal:
// the client's new lines (JOURNAL of them expected), opened(count): the tabs opened }. withoutClient:
// the client stopped and its settings removed for the click, installed again afterwards.
// browserOptions go to withBrowser; open(tab, url, browser) shows the page with its stand-in.
export async function clickThroughBridge(context, { kind, page, answers, journal = 1, withoutClient = false,
  browserOptions = {}, open = openPage }, body) {
  const real = realHost(context.folder);
  try {
    if (withoutClient) uninstallClient();
    await withBrowser(kind, { folder: context.folder, extension: context.extension, hostPath: real.hostPath, env: real.env,
      ...browserOptions }, async (browser) => {
        const tab = await browser.newPage();
        await open(tab, context.server.url(`/examples/${page}`), browser);
        const before = new Set(browser.targets());
        const answering = real.answer(...answers);
        await clickStandIn(tab, 0);
        const seen = await whenStatus(tab, 0, (s) => s.status !== null && !s.button.disabled, CLICK_MS);
        const answered = await real.answered(answering);
        // The tabs opened since the click, once there are COUNT (the extension opens them as the host
        // asks, which may come just after the click's end).
        const newTabs = () => browser.targets().filter((t) => t.type() === 'page' && !before.has(t)).map((t) => t.url());
        const opened = (count) => waitUntil(`${count} new tab(s)`, () => newTabs().length >= count, 5000).then(newTabs, newTabs);
        await body({ seen, answered, journal: await real.newJournalLines(journal), opened });
      });
  } finally {
    real.stop();
    if (withoutClient) installClient();
  }
}

async function openPage(tab, url) {
  await tab.goto(url);
  await shownStandIns(tab, 1);
}

// Each journal line as the client records it: the kind, then the submission's entries.
const DOWNLOAD = 'download\tDestBaseName="C:\\bx\\dl\\report.zip" DestInitialDir="C:\\bx\\dl" NAME="report.zip" ' +
  'SERVERNAME="srv1" SERVERPORT="609" TYPE="PLAIN" TargetPath="C:\\bx\\dl\\report.zip"';
export const RICH = 'download\tDestBaseName="list.dat" DestInitialDir="C:\\bx\\deliveries\\" ' +
  'NAME="prices/2026/list.dat" SERVERNAME="srv1" SERVERPORT="610" SIZE="52318" TYPE="RICH"';
const QUARTERLY = 'download\tCHECKSUM="4711" DestBaseName="C:\\bx\\dl\\quarterly figures.zip" DestInitialDir="C:\\bx\\dl" ' +
  'NAME="quarterly figures.zip" SERVERNAME="srv2" SERVERPORT="609" SIZE="1048576" TYPE="PLAIN" ' +
  'TargetPath="C:\\bx\\dl\\quarterly figures.zip"';
const UPLOAD = 'upload\tCHECKSUM="0" FILE="C:\\bx\\up\\minutes.txt" HTTPSERVERPORT="8009" NAME="minutes.txt" ' +
  'RECIPIENTS="alice:bob" SERVERNAME="srv3" SERVERPORT="609" TYPE="PLAIN" UPLOAD="TRUE"';

// A click that ends submitted after its dialogs: each DIALOG a pair of the answer and the line of
// vxanswer that saw and answered it, "Document : Done" under the button, the client's journal line
// (RECEIVED).
const submitted = (kind, page, dialogs, received) => async (context) => {
  const asked = dialogs.map((dialog) => (typeof dialog === 'function' ? dialog(context.server.origin) : dialog));
  const answers = asked.map(([answer]) => answer);
  await clickThroughBridge(context, { kind, page, answers }, ({ seen, answered: given, journal }) => {
    const { check } = context;
    check('the dialogs, answered', given, { code: 0, answers: asked.map(([, answered]) => answered) });
    check('the status under the button', seen.status, 'Document : Done');
    check('what the client received', journal, [received]);
  });
};
// Save-As and Open dialogs get a path typed in (their titles name the page's origin, known once the
// case's server runs); the confirmation's Yes is pressed once it takes input.
const fileDialog = (titleOf, file) => (origin) => {
  const title = titleOf(origin);
  return [`${title}=${file}`, `file dialog "${title}" (in the foreground) -> ${file}`];
};
const confirmation = (fields) => ['Tolvane Message =Yes', `box "Tolvane Message ": ${fields} (in the foreground) -> Yes`];
export const RICH_CONFIRMATION = confirmation('Package: prices/2026/list.dat | Server: srv1 | Port: 610 | HTTP port: (none given)');
// Every Save-As and Open dialog comes after the confirmation.
const QUARTERLY_SAVE_AS = [
  confirmation('Package: quarterly figures.zip | File name: quarterly figures.zip | Server: srv2 | Port: 609 | ' +
    'HTTP port: (none given)'),
  fileDialog(saveTitle, 'C:\\bx\\dl\\quarterly figures.zip'),
];

export const cases = [
  {
    name: 'bridge_download_save_as',
    browser: 'chromium',
    run: submitted('chromium', 'download.html', [
      confirmation('Package: report.zip | File name: report.zip | Server: srv1 | Port: 609 | HTTP port: (none given)'),
      fileDialog(saveTitle, 'C:\\bx\\dl\\report.zip'),
    ], DOWNLOAD),
  },
  { name: 'bridge_rich_confirmed', browser: 'chromium', run: submitted('chromium', 'rich-download.html', [RICH_CONFIRMATION], RICH) },
  { name: 'bridge_request_file', browser: 'chromium', run: submitted('chromium', 'request-file.html', QUARTERLY_SAVE_AS, QUARTERLY) },
  {
    name: 'bridge_upload_open',
    browser: 'chromium',
    run: submitted('chromium', 'upload.html', [
      confirmation('To: alice:bob | Server: srv3 | Port: 609 | HTTP port: 8009'),
      fileDialog(openTitle, 'C:\\bx\\up\\minutes.txt'),
    ], UPLOAD),
  },
  {
    name: 'bridge_no_client_download_page',
    browser: 'chromium',
    async run(context) {
      const click = { kind: 'chromium', page: 'no-client.html', answers: ['Configuration Error=Yes'], journal: 0, withoutClient: true };
      await clickThroughBridge(context, click, async ({ seen, answered, journal, opened }) => {
        const { check } = context;
        check('the question', answered, { code: 0, answers: ['box "Configuration Error": The Tolvane client is not installed or ' +
          `configured properly \\n Do You want to Get the Client Software ?\\n\\nAsked by ${context.server.origin}.\\nYes opens ` +
          'http://www.tolvane.example/client/setup.html in a new tab. (in the foreground) -> Yes'] });
        check('the status under the button', seen.status, 'Document: Done');
        check('the page\'s download address in a new tab', await opened(1), ['http://www.tolvane.example/client/setup.html']);
        check('nothing submitted', [journal, waitingRequests()], [[], []]);
      });
    },
  },
  { name: 'firefox_bridge_rich_confirmed', browser: 'firefox', run: submitted('firefox', 'rich-download.html', [RICH_CONFIRMATION], RICH) },
  { name: 'firefox_bridge_request_file', browser: 'firefox', run: submitted('firefox', 'request-file.html', QUARTERLY_SAVE_AS, QUARTERLY) },
];
