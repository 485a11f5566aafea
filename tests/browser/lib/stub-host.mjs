// A stand-in for the bridge program, started by the browser through a host manifest: it records the
// message it received and answers as the case's script in its folder says.
//   node stub-host.mjs FOLDER [browser arguments...]
// FOLDER/script.json: a list of steps, run in order after the click arrived:
//   {"send": MESSAGE}   a framed message to the extension
//   {"waitFor": NAME}   wait until the file FOLDER/NAME exists (the case releases the host)
//   {"exit": CODE}      exit at once
// Without a script: {"type":"status","text":"Document : Done"} and {"type":"done","result":"submitted"}.
// FOLDER/events.jsonl gets one line per event, with the process id: started (with the arguments),
// warmed (a spare's warm message), received (the click), sent, stdin-closed, exit. A spare answers
// its click with taken first, as the real host does.
import fs from 'node:fs';
import path from 'node:path';

const folder = process.argv[2];
const events = path.join(folder, 'events.jsonl');
const record = (event) => fs.appendFileSync(events, JSON.stringify({ ...event, pid: process.pid, at: Date.now() }) + '\n');

const defaultScript = [
  { send: { type: 'status', text: 'Document : Done' } },
  { send: { type: 'done', result: 'submitted' } },
];

function send(message) {
  const body = Buffer.from(JSON.stringify(message), 'utf8');
  const length = Buffer.alloc(4);
  length.writeUInt32LE(body.length);
  fs.writeSync(1, Buffer.concat([length, body]));
  record({ event: 'sent', message });
}

function exit(code) {
  record({ event: 'exit', code });
  process.exit(code);
}

async function waitFor(name) {
  const file = path.join(folder, name);
  while (!fs.existsSync(file)) await new Promise((resolve) => setTimeout(resolve, 50));
}

async function answer() {
  const scriptFile = path.join(folder, 'script.json');
  const script = fs.existsSync(scriptFile) ? JSON.parse(fs.readFileSync(scriptFile, 'utf8')) : defaultScript;
  for (const step of script) {
    if (step.send) send(step.send);
    else if (step.waitFor) await waitFor(step.waitFor);
    else if ('exit' in step) exit(step.exit);
  }
  exit(0);
}

record({ event: 'started', argv: process.argv.slice(3) });
// Never outlive a case that went wrong.
setTimeout(() => exit(3), 60000).unref();

let input = Buffer.alloc(0);
let answering = false;
let warmed = false;
process.stdin.on('data', (chunk) => {
  input = Buffer.concat([input, chunk]);
  while (!answering && input.length >= 4 && input.length >= 4 + input.readUInt32LE(0)) {
    const length = input.readUInt32LE(0);
    const message = JSON.parse(input.subarray(4, 4 + length).toString('utf8'));
    input = input.subarray(4 + length);
    if (!warmed && message?.type === 'warm') {
      warmed = true;
      record({ event: 'warmed' });
      continue;
    }
    answering = true;
    record({ event: 'received', message });
    if (warmed) send({ type: 'taken' });
    answer().catch((error) => {
      record({ event: 'failed', error: String(error) });
      exit(2);
    });
  }
});
// The browser closed the port (or died): a real host would be killed or see the end of its input.
process.stdin.on('end', () => {
  record({ event: 'stdin-closed' });
  exit(answering ? 0 : 1);
});
