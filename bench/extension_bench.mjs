// node bench/extension_bench.mjs [--rows] [--runs N]
// What the content script costs a page that has none of our elements: the same pages in headless
// Chromium with the extension and without it (the floor), as the median CPU time of the page's
// renderer over N runs (30); three browsers side by side take turns: with it, without it, and a
// second one without it whose ratio to the first shows what a busy machine lets the figures resolve.
//   parse:        a page of 10,000 elements, loaded (until the load event)
//   innerHTML:    10,000 elements set as HTML by a script, until the next task
//   appendChild:  10,000 elements appended one by one, until the next task
//   attributes:   10,000 changes of `type`, `src` or `data` attributes (the ones the script watches)
// --rows prints the rows of scripts/bench-bridge's table (row|figure|median|floor|unit|goal, bench/table.awk) instead.
// VX_BENCH_EXTENSION=DIR measures another unpacked build instead of build/extension/unpacked.
// Needs tests/browser/node_modules (npm ci there) and Debian's chromium. Never fails for a target.
import fs from 'node:fs';
import { caseFolder, packExtension, startServer, withBrowser } from '../tests/browser/lib/harness.mjs';

const args = process.argv.slice(2);
const rowsWanted = args.includes('--rows');
const runs = Number(args[args.indexOf('--runs') + 1]) || 30;
const ELEMENTS = 10000;

function bigPage() {
  const kinds = [
    (i) => `<div class="c${i % 7}">item ${i}</div>`,
    (i) => `<span title="t${i}">${i}</span>`,
    (i) => `<a href="#a${i}">link ${i}</a>`,
    (i) => `<p><b>${i}</b></p>`,
    (i) => `<input type="text" value="${i}">`,
  ];
  let body = '';
  for (let i = 0; i < ELEMENTS; i++) body += kinds[i % kinds.length](i) + '\n';
  return `<!DOCTYPE html><html><head><title>10,000 elements</title></head><body>${body}</body></html>`;
}

const SCRIPTED = `<!DOCTYPE html><html><head><title>scripted</title></head><body><div id="box"></div><script>
const N = ${ELEMENTS};
const nextTask = () => new Promise((resolve) => setTimeout(resolve, 0));
// Last run's nodes go, and the garbage with them, before the next run is measured.
window.prepare = async () => {
  document.getElementById('box').textContent = '';
  await nextTask();
  gc();
};
window.measure = async (kind) => {
  const box = document.getElementById('box');
  if (kind === 'innerHTML') {
    let html = '';
    for (let i = 0; i < N; i++) html += '<div><span>' + i + '</span></div>';
    box.innerHTML = html;
  } else if (kind === 'appendChild') {
    for (let i = 0; i < N; i++) {
      const div = document.createElement('div');
      div.textContent = i;
      box.appendChild(div);
    }
  } else {
    for (let i = 0; i < 100; i++) box.appendChild(document.createElement('div'));
    const divs = box.children;
    for (let i = 0; i < N; i++) divs[i % 100].setAttribute(['type', 'src', 'data'][i % 3], 'v' + i);
  }
  await nextTask();
};
</script></body></html>`;

const median = (values) => {
  const sorted = [...values].sort((a, b) => a - b);
  return sorted[Math.floor(sorted.length / 2)];
};

// CPU time (ns) of the page's renderer processes (not the extension's own): every thread's time on a
// processor from /proc, so that other work on a busy machine does not count, as wall time would.
function rendererCpu(browserPid) {
  const parents = new Map();
  for (const entry of fs.readdirSync('/proc')) {
    if (!/^\d+$/.test(entry)) continue;
    try {
      const stat = fs.readFileSync(`/proc/${entry}/stat`, 'utf8');
      parents.set(Number(entry), Number(stat.slice(stat.lastIndexOf(')') + 2).split(' ')[1]));
    } catch {
      // gone meanwhile
    }
  }
  const inTree = (pid) => {
    for (let p = pid; p > 1; p = parents.get(p)) if (p === browserPid) return true;
    return false;
  };
  let total = 0;
  for (const pid of parents.keys()) {
    if (!inTree(pid)) continue;
    try {
      const command = fs.readFileSync(`/proc/${pid}/cmdline`, 'utf8');
      if (!command.includes('--type=renderer') || command.includes('--extension-process')) continue;
      for (const thread of fs.readdirSync(`/proc/${pid}/task`)) {
        total += Number(fs.readFileSync(`/proc/${pid}/task/${thread}/schedstat`, 'utf8').split(' ')[0]);
      }
    } catch {
      // gone meanwhile
    }
  }
  return total;
}

async function cpuOf(browser, action) {
  const pid = browser.process().pid;
  const before = rendererCpu(pid);
  await action();
  return (rendererCpu(pid) - before) / 1e6;
}

// One measurement of KIND in a tab of its own: its renderer's CPU time in ms.
async function measureOnce(tab, kind) {
  await tab.page.evaluate(() => window.gc());
  if (kind === 'parse') return cpuOf(tab.browser, () => tab.page.goto(tab.server.url('/big.html')));
  await tab.page.evaluate(() => window.prepare());
  return cpuOf(tab.browser, () => tab.page.evaluate((k) => window.measure(k), kind));
}

const KINDS = ['parse', 'innerHTML', 'appendChild', 'attributes'];

// The browsers take turns, run by run, so that whatever else the machine does falls on all alike.
async function measureInTurns(tabs) {
  const figures = Object.fromEntries(tabs.map((tab) => [tab.label, Object.fromEntries(KINDS.map((k) => [k, []]))]));
  for (const kind of KINDS) {
    for (const tab of tabs) {
      await tab.page.goto(tab.server.url(kind === 'parse' ? '/big.html' : '/scripted.html'));
      await measureOnce(tab, kind);
    }
    for (let i = 0; i < runs; i++) {
      for (const tab of i % 2 ? tabs : [...tabs].reverse()) figures[tab.label][kind].push(await measureOnce(tab, kind));
    }
  }
  return figures;
}

const server = await startServer();
const big = bigPage();
const serve = (text) => (request, response) => {
  response.writeHead(200, { 'Content-Type': 'text/html; charset=utf-8', 'Cache-Control': 'no-store' });
  response.end(text);
};
server.routes.set('/big.html', serve(big));
server.routes.set('/scripted.html', serve(SCRIPTED));

const extension = process.env.VX_BENCH_EXTENSION ?? packExtension();
// gc() for the pages: a collection falling into one run and not another would outweigh the script.
const GC = ['--js-flags=--expose-gc'];
const folders = [caseFolder('bench'), caseFolder('bench'), caseFolder('bench')];
const results = await withBrowser('chromium', { folder: folders[0], extension: null, hostPath: null, args: GC }, (without) =>
  withBrowser('chromium', { folder: folders[1], extension: null, hostPath: null, args: GC }, (control) =>
    withBrowser('chromium', { folder: folders[2], extension, hostPath: null, args: GC }, async (withExtension) => {
      const tabs = [];
      for (const [label, browser] of [['without', without], ['control', control], ['with', withExtension]]) {
        tabs.push({ label, browser, server, page: await browser.newPage() });
      }
      return measureInTurns(tabs);
    })));
for (const folder of folders) fs.rmSync(folder, { recursive: true, force: true });
await server.close();

const labels = {
  parse: 'page of 10,000 elements loaded',
  innerHTML: '10,000 elements set by innerHTML',
  appendChild: '10,000 elements appended one by one',
  attributes: '10,000 type/src/data attribute changes',
};
const rows = [];
for (const kind of Object.keys(labels)) {
  const withExtension = median(results.with[kind]);
  const without = median(results.without[kind]);
  const control = median(results.control[kind]);
  rows.push({ figure: `extension: ${labels[kind]}`, label: labels[kind], withExtension, without, ratio: withExtension / without, control: control / without });
}
if (rowsWanted) {
  for (const row of rows) {
    console.log(`row|${row.figure}|${(row.withExtension * 1000).toFixed(1)}|${(row.without * 1000).toFixed(1)}|us|<=1.05`);
    // Each row its own name: the table makes one row of the lines that share a name.
    console.log(`row|  a second browser without it: ${row.label}|${(row.control * row.without * 1000).toFixed(1)}|${(row.without * 1000).toFixed(1)}|us|-`);
  }
} else {
  console.log(`Chromium, renderer CPU time, median of ${runs} runs each, with the extension against without;`);
  console.log('A/A ratio: a second browser without the extension against the first, what the machine lets this resolve');
  console.log(`${'figure'.padEnd(68)} ${'with'.padStart(10)} ${'without'.padStart(10)} ${'ratio'.padStart(6)}  <= 1.05  A/A ratio`);
  for (const row of rows) {
    console.log(`${row.figure.padEnd(68)} ${row.withExtension.toFixed(2).padStart(7)} ms ${row.without.toFixed(2).padStart(7)} ms ` +
      `${row.ratio.toFixed(3).padStart(6)}  ${(row.ratio <= 1.05 ? 'met' : 'NOT MET').padEnd(7)}  ${row.control.toFixed(3)}`);
  }
}
