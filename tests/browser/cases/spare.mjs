// The spare host with the real bridge program: the click served by the host started ahead of it,
// by a host started for it when the spare was ended by its pid, two quick clicks each by a host of
// its own, and the browser closed while a spare waits. The host processes are found by the case's
// folder in their environment (hostProcesses).
import { clickStandIn, shownStandIns, sleep, waitUntil, whenStatus, withBrowser } from '../lib/harness.mjs';
import { hostProcesses, realHost } from '../lib/real-host.mjs';
import { RICH, RICH_CONFIRMATION } from './bridge.mjs';

const CLICK_MS = 40000;
const SPARE_MS = 30000;
// Long enough for a spare to have warmed up once its process shows.
const WARM_UP_MS = 1500;

// Every host process seen while it runs, every 50 ms: a host started for a click lives at least
// the confirmation's second.
function watchHosts(folder) {
  const seen = new Set(hostProcesses(folder));
  const timer = setInterval(() => hostProcesses(folder).forEach((pid) => seen.add(pid)), 50);
  return { seen, stop: () => clearInterval(timer) };
}

const oneSpare = (folder, other) => waitUntil('a spare', () => {
  const pids = hostProcesses(folder).filter((pid) => pid !== other);
  return pids.length === 1 && pids[0];
}, SPARE_MS);

// body(tab, browser, real) in KIND with the real host, once PAGE (of the case's server) shows COUNT
// stand-ins.
function onPage(kind, context, page, count, body) {
  const real = realHost(context.folder);
  return withBrowser(kind, { folder: context.folder, extension: context.extension, hostPath: real.hostPath, env: real.env },
    async (browser) => {
      const tab = await browser.newPage();
      await tab.goto(context.server.url(page));
      await shownStandIns(tab, count);
      try {
        await body(tab, browser, real);
      } finally {
        real.stop();
      }
    });
}

// The RICH page clicked once a spare waits, the spare first ended by its pid (at once, before the
// browser can notice) when endSpare: the confirmation answered, the client's line, and the hosts
// that ran: the spare and the next one, or with a host started for the click between them.
const rich = (kind, endSpare) => (context) => onPage(kind, context, '/examples/rich-download.html', 1, async (tab, browser, real) => {
  const { check, folder } = context;
  const spare = await oneSpare(folder);
  const watch = watchHosts(folder);
  if (endSpare) process.kill(spare, 'SIGKILL');
  const answering = real.answer('Tolvane Message =Yes');
  await clickStandIn(tab, 0);
  const seen = await whenStatus(tab, 0, (s) => s.status !== null && !s.button.disabled, CLICK_MS);
  const answered = await real.answered(answering);
  const next = await oneSpare(folder, spare);
  watch.stop();
  check('the confirmation, the status, what the client received', [answered, seen.status, await real.newJournalLines(1)],
    [{ code: 0, answers: [RICH_CONFIRMATION[1]] }, 'Document : Done', [RICH]]);
  check('the spare gone, the hosts that ran, the next spare among them',
    [hostProcesses(folder).includes(spare), watch.seen.size, watch.seen.has(next)], [false, endSpare ? 3 : 2, true]);
});

const LINE = (name) => `download\tDestBaseName="${name}" DestInitialDir="C:\\bx\\deliveries\\" NAME="${name}" ` +
  'SERVERNAME="srv1" SERVERPORT="610" TYPE="RICH"';

export const cases = [
  { name: 'spare_click', browser: 'chromium', run: rich('chromium', false) },
  { name: 'spare_ended_by_pid', browser: 'chromium', run: rich('chromium', true) },
  { name: 'firefox_spare_click', browser: 'firefox', run: rich('firefox', false) },
  { name: 'firefox_spare_ended_by_pid', browser: 'firefox', run: rich('firefox', true) },
  {
    // The second button clicked while the first one's confirmation is open: the first click takes
    // the spare, the second a host of its own; each host serves one click, and one spare waits
    // afterwards. (The second click waits for the first dialog: two hosts making their dialogs at
    // the same moment each take the foreground from the other, and neither confirmation arms until
    // the user brings one to the front, which the answerer does not do.)
    name: 'spare_two_quick_clicks',
    browser: 'chromium',
    run: (context) => onPage('chromium', context, '/two-rich.html', 2, async (tab, browser, real) => {
      const { check, folder } = context;
      const spare = await oneSpare(folder);
      const watch = watchHosts(folder);
      const answering = real.answer('Tolvane Message =Yes', 'Tolvane Message =Yes');
      await sleep(WARM_UP_MS);
      await clickStandIn(tab, 0);
      await waitUntil('the first confirmation', () => answering.lines.some((line) => line.text.includes('(open, ')), CLICK_MS);
      await clickStandIn(tab, 1);
      for (const index of [0, 1]) {
        const seen = await whenStatus(tab, index, (s) => s.status !== null && !s.button.disabled, CLICK_MS);
        check(`the status of button ${index}`, seen.status, 'Document : Done');
      }
      check('both confirmations answered', (await real.answered(answering)).answers.length, 2);
      const waiting = await oneSpare(folder, spare);
      watch.stop();
      check('what the client received', (await real.newJournalLines(2)).sort(), [LINE('first.dat'), LINE('second.dat')]);
      check('hosts that ran and ended (the spare among them), and the one spare left',
        [watch.seen.size - 1, hostProcesses(folder).includes(spare), watch.seen.has(waiting)], [2, false, true]);
    }),
  },
  {
    // Closing the browser ends the spare: it reads the end of its input and exits, under Wine too.
    name: 'spare_browser_closed',
    browser: 'chromium',
    run: (context) => onPage('chromium', context, '/examples/rich-download.html', 1, async (tab, browser) => {
      const { check, folder } = context;
      await oneSpare(folder);
      const started = Date.now();
      await browser.close();
      const closedIn = Date.now() - started;
      await waitUntil('the spare to end', () => hostProcesses(folder).length === 0, 10000).catch(() => {});
      check('closed within 10 s, then no host left', [closedIn < 10000, hostProcesses(folder)], [true, []]);
    }),
  },
];
