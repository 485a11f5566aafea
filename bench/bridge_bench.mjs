// node bench/bridge_bench.mjs [--rows] [--clicks N] [--cold N]
// A RICH page (examples/rich-download.html) in headless Chromium with the extension, its hosts
// started by tests/browser/vxbridge-launcher.sh under Wine in one prefix with a running wineserver.
// - The warm click: the click to the confirmation on the screen through vxbridge.exe, the spare
//   host waiting, against the floor (bench/done_host.cpp): a host also started ahead as the spare,
//   which shows a message box when the click arrives. One browser per host, taking turns, N clicks
//   each (15) after two to warm up; before each click the last one's next spare has had SETTLE_MS
//   to start and warm up.
// - The cold click: a click that finds no spare (the spare ended by its pid first, so that a host
//   is started for the click, as before there were spares), through vxbridge.exe against the floor's
//   host started alike; and the first click after the browser starts, made as soon as the button
//   shows (a browser of its own each time, its spare just starting). Taking turns, N of each (7).
// The click is the button's `disabled` set, as Chromium's DevTools protocol reports it; the dialog
// shown and its answer are vxanswer's lines as they arrive (it looks every 10 ms); the confirmation's
// Yes takes input only after a second in the foreground, so "Yes to done" is also given.
// --rows prints the rows of scripts/bench-bridge's table (row|figure|median|floor|unit|goal, bench/table.awk).
// Programs as for tests/browser/lib/real-host.mjs, plus VXBENCH_DONE_HOST (the floor's host,
// BUILD_DIR/bench-win/bench/vxbench_done_host.exe). Never fails for a target.
import fs from 'node:fs';
import path from 'node:path';
import {
  ROOT, caseFolder, clickStandIn, packExtension, shownStandIns, sleep, startServer, waitUntil, withBrowser,
} from '../tests/browser/lib/harness.mjs';
import { hostProcesses, realHost, startAnswering } from '../tests/browser/lib/real-host.mjs';

const args = process.argv.slice(2);
const rowsWanted = args.includes('--rows');
const option = (name, otherwise) => (args.includes(name) ? Number(args[args.indexOf(name) + 1]) || otherwise : otherwise);
const clicks = option('--clicks', 15);
const coldClicks = option('--cold', 7);
const WARM_UP = 2;
const SETTLE_MS = 2500;
const buildDir = process.env.BUILD_DIR ?? path.join(ROOT, 'build');
const doneHost = process.env.VXBENCH_DONE_HOST ?? path.join(buildDir, 'bench-win/bench/vxbench_done_host.exe');
if (!fs.existsSync(doneHost)) throw new Error(`no ${doneHost} (build the target vxbench_done_host)`);

const now = () => performance.timeOrigin + performance.now();
const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
const CONFIRMATION = 'box "Tolvane Message "';
const FLOOR_BOX = 'box "Tolvane floor"';

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

const server = await startServer();
const extension = packExtension();
const hosts = ['bridge', 'floor', 'first'];
const folders = Object.fromEntries(hosts.map((name) => [name, caseFolder(`bench-${name}`)]));
const real = realHost(folders.bridge);
// Each browser's hosts write to a log of their own folder, by which hostProcesses finds them.
const environments = {
  bridge: real.env,
  floor: { ...real.env, VXBRIDGE_EXE: doneHost, VXBRIDGE_LOG: path.join(folders.floor, 'wine.err') },
  first: { ...real.env, VXBRIDGE_LOG: path.join(folders.first, 'wine.err') },
};
const warmClicks = clicks + WARM_UP;
const answering = startAnswering([
  ...Array(warmClicks + 2 * coldClicks).fill('Tolvane Message =Yes'),
  ...Array(warmClicks + coldClicks).fill('Tolvane floor=OK'),
], { seconds: 1800, pollMs: 10 });
const figures = { shown: [], fromYes: [], floorShown: [], floorFromOk: [], coldShown: [], floorColdShown: [], firstShown: [] };

// The dialog TITLE shown after AFTER and answered, as vxanswer saw it.
async function dialogTimes(title, after) {
  return waitUntil('the answerer\'s lines', () => {
    const lines = answering.lines;
    const shown = lines.find((line) => line.at >= after && line.text.startsWith(title) && line.text.includes('(open, '));
    const answered = shown && lines.find((line) => line.at >= shown.at && line.text.startsWith(title) && line.text.includes(' -> '));
    return answered && { shown: shown.at, answered: answered.at };
  }, 20000);
}

// A click in the browser of NAME; its figures (click to the dialog shown, its answer to done).
async function measure(click, title) {
  const { taken, ended } = await click();
  const dialog = await dialogTimes(title, taken);
  return { shown: dialog.shown - taken, fromAnswer: ended - dialog.answered };
}

function openBrowser(name, body) {
  return withBrowser('chromium', { folder: folders[name], extension, hostPath: real.hostPath, env: environments[name] }, async (browser) => {
    const page = await browser.newPage();
    await page.goto(server.url('/examples/rich-download.html'));
    await shownStandIns(page, 1);
    return body(await buttonOf(page));
  });
}

// The click that finds no spare: the spare (a PROGRAM) ended by its pid, and the browser given time
// to see it.
async function withoutSpare(folder, program) {
  const spares = await waitUntil('the spare', () => hostProcesses(folder, program).length === 1 && hostProcesses(folder, program), 30000);
  process.kill(spares[0], 'SIGKILL');
  await waitUntil('the spare to end', () => hostProcesses(folder, program).length === 0, 10000);
  await sleep(500);
}

try {
  await openBrowser('bridge', (bridge) => openBrowser('floor', async (floor) => {
    for (let i = 0; i < warmClicks; i++) {
      // Each host first in turn.
      for (const name of i % 2 ? ['floor', 'bridge'] : ['bridge', 'floor']) {
        await sleep(SETTLE_MS);
        const m = name === 'bridge' ? await measure(bridge, CONFIRMATION) : await measure(floor, FLOOR_BOX);
        if (i < WARM_UP) continue;
        figures[name === 'bridge' ? 'shown' : 'floorShown'].push(m.shown);
        figures[name === 'bridge' ? 'fromYes' : 'floorFromOk'].push(m.fromAnswer);
      }
    }
    const cold = {
      bridge: async () => {
        await withoutSpare(folders.bridge, 'vxbridge.exe');
        figures.coldShown.push((await measure(bridge, CONFIRMATION)).shown);
      },
      floor: async () => {
        await withoutSpare(folders.floor, path.basename(doneHost));
        figures.floorColdShown.push((await measure(floor, FLOOR_BOX)).shown);
      },
      first: async () => figures.firstShown.push((await openBrowser('first', (first) => measure(first, CONFIRMATION))).shown),
    };
    const kinds = Object.keys(cold);
    for (let i = 0; i < coldClicks; i++) {
      for (const kind of [...kinds.slice(i % 3), ...kinds.slice(0, i % 3)]) {
        await sleep(SETTLE_MS);
        await cold[kind]();
      }
    }
  }));
} catch (error) {
  console.error(`the answerer's lines:\n${answering.lines.map((line) => line.text).join('\n')}`);
  throw error;
} finally {
  answering.stop();
  await server.close();
  for (const folder of Object.values(folders)) fs.rmSync(folder, { recursive: true, force: true });
}

const m = Object.fromEntries(Object.entries(figures).map(([name, values]) => [name, median(values)]));
const rows = [
  ['bridge: warm RICH click to the confirmation shown (the spare waiting)', m.shown, m.floorShown, '<=1.25'],
  ['  the floor: a spare host\'s message box, click to shown', m.floorShown, 0, '-'],
  ['  Yes to done at the page (the floor: OK to done)', m.fromYes, m.floorFromOk, '-'],
  ['bridge: cold RICH click (no spare: a host started for it) to the confirmation shown', m.coldShown, m.floorColdShown, '-'],
  ['  the first click after the browser starts (its spare just starting)', m.firstShown, m.coldShown, '-'],
];
if (rowsWanted) {
  for (const [figure, value, floor, target] of rows) {
    console.log(`row|${figure}|${(value * 1000).toFixed(0)}|${(floor * 1000).toFixed(0)}|us|${target}`);
  }
} else {
  console.log(`Chromium, medians of ${clicks} warm clicks each and ${coldClicks} cold ones each (ms)`);
  for (const [figure, value, floor] of rows) {
    console.log(`${figure.padEnd(80)} ${value.toFixed(1).padStart(8)} ${floor ? `${floor.toFixed(1).padStart(8)} ${(value / floor).toFixed(2)}x` : ''}`);
  }
}
