// The real bridge program for the browser cases, the bridge benchmark and the demo: vxbridge.exe
// under Wine, started by the browser through tests/browser/vxbridge-launcher.sh, in a Wine prefix of
// the run's own with the reference client installed, and vxanswer.exe answering its dialogs as the
// user would.
// The Windows programs come from the environment (scripts/test passes them), else from build/win:
//   VXBRIDGE_EXE, VXANSWER_EXE, VXCLIENT_EXE   Unix paths
//   VXBRIDGE_TEST_PREFIX                         the prefix (BUILD_DIR/browser-wineprefix)
// The prefix is prepared once per run, at the first call of realHost(); its wineserver runs (-p)
// until the run ends, when it is stopped (-k, for that prefix only). The demo only borrows wine(),
// wineserver() and startAnswering() for a prefix of its own that it prepares itself.
import fs from 'node:fs';
import path from 'node:path';
import { spawn, spawnSync } from 'node:child_process';
import { ROOT, waitUntil } from './harness.mjs';

const buildDir = process.env.BUILD_DIR ?? path.join(ROOT, 'build');
const programs = {
  bridge: process.env.VXBRIDGE_EXE ?? path.join(buildDir, 'win/bridge/vxbridge.exe'),
  answer: process.env.VXANSWER_EXE ?? path.join(buildDir, 'win/tools/vxanswer.exe'),
  client: process.env.VXCLIENT_EXE ?? path.join(buildDir, 'win/tools/vxclient.exe'),
};
const prefix = process.env.VXBRIDGE_TEST_PREFIX ?? path.join(buildDir, 'browser-wineprefix');
export const LAUNCHER = path.join(ROOT, 'tests/browser/vxbridge-launcher.sh');
const wineEnv = {
  ...process.env, WINEPREFIX: prefix, WINEARCH: 'win32', WINEDEBUG: '-all', WINEDLLOVERRIDES: 'mscoree,mshtml=',
};

// The client's folders inside the prefix, as Windows and as Unix paths.
const CLIENT_ROOT = 'C:\\bx';
const clientRoot = path.join(prefix, 'drive_c/bx');
const journalFile = path.join(clientRoot, 'client/journal.txt');

// The file dialogs' titles start with the site that asks.
export const saveTitle = (origin) => `${origin} asks: Tolvane : deliver package to ...`;
export const openTitle = (origin) => `${origin} asks: Select : package to deliver ...`;

// A Wine command in the prefix whose output nobody reads (never a pipe: a Wine process it starts
// could keep it open); its exit status.
export function wine(args, seconds = 30) {
  const run = spawnSync('wine', args, { env: wineEnv, stdio: 'ignore', timeout: seconds * 1000 });
  return run.status;
}
export function wineserver(option) {
  spawnSync('wineserver', [option], { env: wineEnv, stdio: 'ignore', timeout: 60000 });
}

export function installClient() {
  const status = wine([programs.client, '--install', '--data-dir', `${CLIENT_ROOT}\\client`,
    '--request-dir', `${CLIENT_ROOT}\\requests`, '--delivery-dir', `${CLIENT_ROOT}\\deliveries`]);
  if (status !== 0) throw new Error(`vxclient --install exited with ${status}`);
}

// Stops the client and removes its settings key: the machine of a user without the client.
export function uninstallClient() {
  wine([programs.client, '--stop']);
  wine([programs.client, '--uninstall']);
}

let prepared = null;
let serverStarted = false;

function prepare() {
  const missing = Object.entries(programs).filter(([, file]) => !fs.existsSync(file));
  if (missing.length) {
    throw new Error(`the real host needs ${missing.map(([, file]) => file).join(', ')} ` +
      '(build build/win, or set VXBRIDGE_EXE, VXANSWER_EXE and VXCLIENT_EXE)');
  }
  const started = Date.now();
  fs.mkdirSync(path.dirname(prefix), { recursive: true });
  if (!fs.existsSync(path.join(prefix, 'system.reg'))) {
    spawnSync('wineboot', ['-i'], { env: wineEnv, stdio: 'ignore', timeout: 180000 });
  }
  // Headless: the null graphics driver, chosen when the server's first processes start.
  if (wine(['reg', 'add', 'HKCU\\Software\\Wine\\Drivers', '/v', 'Graphics', '/d', 'null', '/f']) !== 0) {
    throw new Error(`Wine does not run in ${prefix}`);
  }
  wineserver('-k');
  wineserver('-w');
  wineserver('-p');
  serverStarted = true;
  uninstallClient();
  fs.rmSync(clientRoot, { recursive: true, force: true });
  for (const folder of ['dl', 'up']) fs.mkdirSync(path.join(clientRoot, folder), { recursive: true });
  fs.writeFileSync(path.join(clientRoot, 'up/minutes.txt'), 'Minutes of the delivery meeting.\r\n');
  installClient();
  prepared = { seconds: (Date.now() - started) / 1000 };
  return prepared;
}

process.on('exit', () => {
  if (serverStarted) wineserver('-k');
});

// The process ids of the hosts (PROGRAM under Wine) that browsers started for the case whose
// folder is FOLDER: those whose environment names the case's log (realHost's env).
export function hostProcesses(folder, program = 'vxbridge.exe') {
  const mark = Buffer.from(`\0VXBRIDGE_LOG=${path.join(folder, 'wine.err')}\0`);
  const pids = [];
  for (const name of fs.readdirSync('/proc')) {
    if (!/^\d+$/.test(name)) continue;
    try {
      if (!fs.readFileSync(`/proc/${name}/cmdline`, 'latin1').includes(program)) continue;
      if (Buffer.concat([Buffer.from([0]), fs.readFileSync(`/proc/${name}/environ`)]).includes(mark)) pids.push(Number(name));
    } catch {
      // ended meanwhile, or another user's
    }
  }
  return pids;
}

// The journal's lines as "kind<TAB>entries" (without the time and the file name).
export function journal() {
  if (!fs.existsSync(journalFile)) return [];
  return fs.readFileSync(journalFile, 'latin1').split(/\r?\n/).filter(Boolean).map((line) => line.split('\t').slice(2).join('\t'));
}

// The files waiting in the client's request directory (submissions it has not taken up).
export function waitingRequests() {
  const folder = path.join(clientRoot, 'requests');
  return fs.existsSync(folder) ? fs.readdirSync(folder) : [];
}

// Starts vxanswer with the answers ("TITLE=VALUE"); its lines arrive with the time each was read
// (ms, the wall clock of performance.timeOrigin). finished: { code, lines: [{ at, text }] }.
export function startAnswering(answers, { seconds = 30, pollMs } = {}) {
  const args = [programs.answer, '--timeout', String(seconds), ...(pollMs ? ['--poll', String(pollMs)] : []), ...answers];
  const child = spawn('wine', args, { env: wineEnv, stdio: ['ignore', 'pipe', 'ignore'] });
  const lines = [];
  let partial = '';
  child.stdout.on('data', (chunk) => {
    const at = performance.timeOrigin + performance.now();
    const parts = (partial + chunk.toString('latin1')).split('\n');
    partial = parts.pop();
    for (const text of parts) lines.push({ at, text: text.replace(/\r$/, '').replace(/^vxanswer: /, '') });
  });
  const finished = new Promise((resolve) => {
    child.on('exit', (code) => setTimeout(() => resolve({ code, lines }), 200));
  });
  return {
    lines,
    finished,
    // Ends it if it is still waiting (a case that failed before its dialogs came).
    stop() {
      if (child.exitCode === null && child.signalCode === null) child.kill('SIGKILL');
    },
  };
}

// What a case with the real host needs: prepares the prefix on the first call; launcher and env go
// to withBrowser. answer(...) starts vxanswer for the case, dialogs(...) waits for it and gives the
// answers it gave, newJournalLines(n) the n lines the client recorded since the call to realHost.
// Each case starts with the client's settings as installed.
export function realHost(folder) {
  if (!prepared) console.error(`    (the Wine prefix for the real host prepared in ${prepare().seconds.toFixed(1)} s)`);
  // The settings as installed: no delivery folder remembered from an earlier case.
  else installClient();
  const journalBefore = journal().length;
  const answering = [];
  return {
    hostPath: LAUNCHER,
    env: { VXBRIDGE_EXE: programs.bridge, VXBRIDGE_WINEPREFIX: prefix, VXBRIDGE_LOG: path.join(folder, 'wine.err') },
    answer(...answers) {
      const started = startAnswering(answers);
      answering.push(started);
      return started;
    },
    // The lines "DIALOG (foreground) -> ANSWER" of the answers given, once vxanswer ended; and its
    // exit code.
    async answered(started) {
      const { code, lines } = await started.finished;
      return { code, answers: lines.map((line) => line.text).filter((text) => text.includes(' -> ')) };
    },
    async newJournalLines(count) {
      await waitUntil(`${count} new journal line(s)`, () => journal().length >= journalBefore + count, 15000)
        .catch(() => {});
      return journal().slice(journalBefore);
    },
    stop() {
      for (const started of answering) started.stop();
    },
  };
}
