// node bench/bridge_bench.mjs [--rows] [--clicks N]
// A warm click on a RICH page (examples/rich-download.html) in headless Chromium with the extension,
// through vxbridge.exe, against the same click through a host that only reads the message and
// answers done (bench/done_host.cpp, the floor); all started by tests/browser/vxbridge-launcher.sh
// under Wine in one prefix with a running wineserver, one browser per host taking turns, N clicks
// each (15) after two to warm up. Medians. A third host, the done host that first makes a window,
// shows what of the difference any program that shows a dialog pays under Wine.
// The bridge's every click shows the confirmation, whose Yes takes input only after a second in the
// foreground; the time it waits for the user is left out: the bridge's own time is from the click to
// the confirmation's appearance plus from the Yes to done. The click and done: the button's
// `disabled` set and removed, as Chromium's DevTools protocol reports them; the appearance and the
// Yes: vxanswer's lines as they arrive (it looks every 10 ms).
// --rows prints the rows of scripts/bench-bridge's table (row|figure|median|floor|unit|goal, bench/table.awk).
// Programs as for tests/browser/lib/real-host.mjs, plus VXBENCH_DONE_HOST (the floor's host,
// BUILD_DIR/bench-win/bench/vxbench_done_host.exe). Never fails for a target.
import fs from 'node:fs';
import path from 'node:path';
import {
  ROOT, caseFolder, clickStandIn, packExtension, shownStandIns, startServer, waitUntil, withBrowser,
} from '../tests/browser/lib/harness.mjs';
import { realHost, startAnswering } from '../tests/browser/lib/real-host.mjs';

const args = process.argv.slice(2);
const rowsWanted = args.includes('--rows');
const clicks = Number(args[args.indexOf('--clicks') + 1]) || 15;
const WARM_UP = 2;
const buildDir = process.env.BUILD_DIR ?? path.join(ROOT, 'build');
const doneHost = process.env.VXBENCH_DONE_HOST ?? path.join(buildDir, 'bench-win/bench/vxbench_done_host.exe');
if (!fs.existsSync(doneHost)) throw new Error(`no ${doneHost} (build the target vxbench_done_host)`);

const now = () => performance.timeOrigin + performance.now();
const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

// The page's button as Chromium reports it: its `disabled` set at the click and removed at the end.
async function buttonOf(page) {
  const session = await page.createCDPSession();
  const { root } = await session.send('DOM.getDocument', { depth: -1, pierce: true });
  const find = (node) => {
    if (node.localName === 'button') return node;
    for (const child of [...(node.children ?? []), ...(node.shadowRoots ?? [])]) {
      const hit = find(child);
      if (hit) return hit;
    }
    return null;
  };
  const button = find(root).nodeId;
  const events = [];
  session.on('DOM.attributeModified', (e) => e.nodeId === button && e.name === 'disabled' && events.push({ set: true, at: now() }));
  session.on('DOM.attributeRemoved', (e) => e.nodeId === button && e.name === 'disabled' && events.push({ set: false, at: now() }));
  // One click: when it was taken and when it ended.
  return async () => {
    const from = events.length;
    await clickStandIn(page, 0);
    return waitUntil('the click to end', () => {
      const since = events.slice(from);
      const taken = since.find((e) => e.set);
      const ended = taken && since.find((e) => !e.set && e.at >= taken.at);
      return ended && { taken: taken.at, ended: ended.at };
    }, 60000);
  };
}

// In the answerer's lines: the first appearance of a confirmation after AFTER, and its Yes.
function dialogTimes(lines, after) {
  const shown = lines.find((line) => line.at >= after && line.text.includes('(open, '));
  const answered = shown && lines.find((line) => line.at >= shown.at && line.text.endsWith(' -> Yes'));
  return answered && { shown: shown.at, answered: answered.at };
}

const server = await startServer();
const extension = packExtension();
// Three browsers, each with its host behind the same launcher: the bridge, the done host (the floor)
// and the done host that first makes a window (what any program showing a dialog starts with).
const hosts = ['bridge', 'floor', 'window'];
const folders = hosts.map((name) => caseFolder(`bench-${name}`));
const real = realHost(folders[0]);
const environments = {
  bridge: real.env,
  floor: { ...real.env, VXBRIDGE_EXE: doneHost },
  window: { ...real.env, VXBRIDGE_EXE: doneHost, VXBENCH_DONE_HOST_WINDOW: '1' },
};
const answering = startAnswering(Array(clicks + WARM_UP).fill('Tolvane Message =Yes'), { seconds: 900, pollMs: 10 });
const figures = { own: [], toShown: [], fromYes: [], waited: [], whole: [], floor: [], window: [] };

// body(clicks): CLICKS[name]() clicks in that host's browser, all of them open on the RICH page.
async function withBrowsers(names, body, opened = {}) {
  if (!names.length) return body(opened);
  const [name, ...rest] = names;
  const env = environments[name];
  return withBrowser('chromium', { folder: folders[hosts.indexOf(name)], extension, hostPath: real.hostPath, env }, async (browser) => {
    const page = await browser.newPage();
    await page.goto(server.url('/examples/rich-download.html'));
    await shownStandIns(page, 1);
    return withBrowsers(rest, body, { ...opened, [name]: await buttonOf(page) });
  });
}

try {
  await withBrowsers(hosts, async (click) => {
    for (let i = 0; i < clicks + WARM_UP; i++) {
      // Each host first, second and third in turn.
      for (const name of [...hosts.slice(i % 3), ...hosts.slice(0, i % 3)]) {
        const { taken, ended } = await click[name]();
        if (name !== 'bridge') {
          if (i >= WARM_UP) figures[name].push(ended - taken);
          continue;
        }
        const dialog = await waitUntil('the answerer\'s lines', () => dialogTimes(answering.lines, taken), 10000);
        if (i < WARM_UP) continue;
        figures.toShown.push(dialog.shown - taken);
        figures.fromYes.push(ended - dialog.answered);
        figures.own.push(dialog.shown - taken + ended - dialog.answered);
        figures.waited.push(dialog.answered - dialog.shown);
        figures.whole.push(ended - taken);
      }
    }
  });
} finally {
  answering.stop();
  await server.close();
  for (const folder of folders) fs.rmSync(folder, { recursive: true, force: true });
}

const m = Object.fromEntries(Object.entries(figures).map(([name, values]) => [name, median(values)]));
const rows = [
  ['bridge: warm RICH click to "Document : Done", the bridge\'s own time', m.own, m.floor, '<=1.25'],
  ['  the same against a done host that first makes a window', m.own, m.window, '-'],
  ['  a done host that first makes a window (Wine\'s user32 and gdi32)', m.window, m.floor, '-'],
  ['  click to the confirmation shown', m.toShown, 0, '-'],
  ['  Yes to done at the page', m.fromYes, 0, '-'],
  ['  the confirmation waiting for the Yes (left out)', m.waited, 0, '-'],
  ['  the whole click, with that wait', m.whole, 0, '-'],
];
if (rowsWanted) {
  for (const [figure, value, floor, target] of rows) {
    console.log(`row|${figure}|${(value * 1000).toFixed(0)}|${(floor * 1000).toFixed(0)}|us|${target}`);
  }
} else {
  console.log(`Chromium, a warm click through each host, median of ${clicks} each (ms)`);
  for (const [figure, value, floor] of rows) {
    console.log(`${figure.padEnd(72)} ${value.toFixed(1).padStart(8)} ${floor ? `${floor.toFixed(1).padStart(8)} ${(value / floor).toFixed(2)}x` : ''}`);
  }
  console.log('floor: the same click through a host that only answers done; target: the bridge\'s own time <= 1.25x the floor');
}
