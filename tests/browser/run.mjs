// node tests/browser/run.mjs [--list] [CASE...]
// Packs the extension (scripts/pack-extension), then runs the cases (all, or those named), each with
// a browser of its own; prints PASS/FAIL per case and "N passed, N failed"; exits 1 on any failure.
import fs from 'node:fs';
import { cases as rulesCases } from './cases/rules.mjs';
import { cases as hostsCases } from './cases/hosts.mjs';
import { cases as chromiumCases } from './cases/chromium.mjs';
import { cases as firefoxCases } from './cases/firefox.mjs';
import { cases as trustCases } from './cases/trust.mjs';
import { cases as bridgeCases } from './cases/bridge.mjs';
import { cases as spareCases } from './cases/spare.mjs';
import { cases as packageCases } from './cases/packages.mjs';
import { cases as policyCases } from './cases/policy.mjs';
import * as harness from './lib/harness.mjs';

const CASE_SECONDS = 90;
const all = [...rulesCases, ...hostsCases, ...packageCases, ...chromiumCases, ...firefoxCases, ...trustCases, ...bridgeCases, ...spareCases, ...policyCases];
const args = process.argv.slice(2);
if (args.includes('--list')) {
  for (const c of all) console.log(c.name);
  process.exit(0);
}
const unknown = args.filter((name) => !all.some((c) => c.name === name));
if (unknown.length) {
  console.error(`no such case: ${unknown.join(', ')} (--list names them)`);
  process.exit(2);
}
const chosen = args.length ? all.filter((c) => args.includes(c.name)) : all;

// check(what, actual, expected): compares as JSON and keeps every mismatch for the report.
function checker(failures) {
  return (what, actual, expected) => {
    const a = JSON.stringify(actual);
    const e = JSON.stringify(expected);
    if (a !== e) failures.push(`${what}: expected ${e}, got ${a}`);
  };
}

async function runCase(testCase, extension) {
  const failures = [];
  const context = { check: checker(failures), extension };
  if (testCase.browser) {
    context.folder = harness.caseFolder(testCase.name);
    context.server = await harness.startServer();
  }
  let timer;
  try {
    await Promise.race([
      testCase.run(context),
      new Promise((_, reject) => { timer = setTimeout(() => reject(new Error(`more than ${CASE_SECONDS} s`)), CASE_SECONDS * 1000); }),
    ]);
  } catch (error) {
    failures.push(error?.stack ?? String(error));
  } finally {
    clearTimeout(timer);
    await context.server?.close();
    await context.other?.close();
  }
  if (context.folder && !failures.length && !process.env.KEEP_CASE_FOLDERS) {
    fs.rmSync(context.folder, { recursive: true, force: true });
  } else if (context.folder) {
    failures.push(`(files of the case kept in ${context.folder})`);
  }
  return failures;
}

const extension = harness.packExtension();
let passed = 0;
let failed = 0;
for (const testCase of chosen) {
  const started = Date.now();
  const failures = await runCase(testCase, extension);
  const seconds = ((Date.now() - started) / 1000).toFixed(1);
  if (failures.length) {
    failed++;
    console.log(`FAIL ${testCase.name}: ${failures[0]} (${seconds} s)`);
    for (const more of failures.slice(1)) console.log(`    ${more}`);
  } else {
    passed++;
    console.log(`PASS ${testCase.name} (${seconds} s)`);
  }
}
harness.killLaunchedBrowsers();
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
