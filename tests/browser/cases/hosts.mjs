// The background script's hosts (extension/hosts.js) without a browser: native ports and timers of
// the test's own, so that a spare can die at any moment around a click.
import fs from 'node:fs';
import path from 'node:path';
import vm from 'node:vm';
import { ROOT } from '../lib/harness.mjs';

const MISSING = 'Specified native messaging host not found.';

// A native port as the browsers give it; reply() and end() act as the host. postMessage throws once
// the port is known closed; end() closes it, then tells the listeners, as the browser's event does.
function port() {
  const listeners = { message: new Set(), disconnect: new Set() };
  const events = (kind) => ({ addListener: (f) => listeners[kind].add(f), removeListener: (f) => listeners[kind].delete(f) });
  const self = {
    sent: [], closed: false, closedByUs: false, onMessage: events('message'), onDisconnect: events('disconnect'),
    postMessage(message) {
      if (self.closed) throw new Error('Attempting to use a disconnected port object');
      self.sent.push(message.type);
    },
    disconnect() { self.closed = self.closedByUs = true; },
    reply(message) { for (const f of [...listeners.message]) f(message); },
    end(reason) {
      self.closed = true;
      self.error = reason;
      for (const f of [...listeners.disconnect]) f(self);
    },
  };
  return self;
}

// The keeper over ports and timers of the test's own: ports lists those opened, later(ms) runs the
// timers due within MS, send() a click whose replies and end go to events.
function world({ missing = false, refuse = false } = {}) {
  const context = vm.createContext({ setTimeout, clearTimeout });
  vm.runInContext(fs.readFileSync(path.join(ROOT, 'extension/hosts.js'), 'utf8'), context);
  const { hostKeeper, SPARE_KEPT_MS, NEXT_SPARE_AFTER_MS } = context.vxHosts;
  const ports = [];
  const events = [];
  const timers = new Map();
  let now = 0;
  let id = 0;
  const keeper = hostKeeper({
    connect() {
      if (refuse) throw new Error('no permission');
      ports.push(port());
      if (missing) queueMicrotask(() => ports.at(-1).end(MISSING));
      return ports.at(-1);
    },
    closeReason: (closed) => closed?.error,
    isMissingHost: (reason) => reason === MISSING,
    setTimer: (f, ms) => (timers.set(++id, { at: now + ms, f }), id),
    clearTimer: (timer) => timers.delete(timer),
  });
  return {
    keeper, ports, events, SPARE_KEPT_MS, NEXT_SPARE_AFTER_MS,
    sent: () => ports.map((p) => p.sent),
    send: () => keeper.sendClick({ type: 'click' }, { onReply: (r) => events.push(r.type), onEnd: (how) => events.push(how) }),
    later(ms) {
      now += ms;
      for (const [timer, { at, f }] of timers) if (at <= now && timers.delete(timer)) f();
    },
  };
}

const settle = () => new Promise((resolve) => setTimeout(resolve, 0));

export const cases = [
  {
    name: 'hosts_spare_takes_the_click',
    async run({ check }) {
      // One spare at a time, sent nothing but warm; the click goes to it (taken not passed on), and
      // the next one starts when the click ends.
      let w = world();
      w.keeper.keepSpare();
      w.keeper.keepSpare();
      check('a spare, warmed', w.sent(), [['warm']]);
      const host = w.send();
      w.ports[0].reply({ type: 'taken' });
      w.ports[0].reply({ type: 'status' });
      host.disconnect();
      check('the click to the spare, then the next spare', [w.events, w.ports[0].closedByUs, w.sent()],
        [['status'], true, [['warm', 'click'], ['warm']]]);

      // A click still open (a dialog) gets the next spare after a while; a spare not used in time is
      // let go. Each at its edge.
      for (const [what, act, limit, opened] of [
        ['next spare while open', (x) => { x.keeper.keepSpare(); x.send(); }, 'NEXT_SPARE_AFTER_MS', 2],
        ['spare let go', (x) => x.keeper.keepSpare(), 'SPARE_KEPT_MS', 1],
      ]) {
        w = world();
        act(w);
        w.later(w[limit] - 1);
        const before = [w.ports.length, w.ports[0].closedByUs];
        w.later(1);
        check(`${what}: just before, at`, [before, [w.ports.length, w.ports[0].closedByUs]],
          [[1, false], [opened, opened === 1]]);
      }
    },
  },
  {
    name: 'hosts_dead_spare_replaced',
    async run({ check }) {
      // Each way a spare can die around the click: the click reaches exactly one host that takes it.
      const rows = [
        ['ended before the click', (w) => { w.ports[0].end(); w.send(); }, [['warm'], ['click']], []],
        ['ended, not yet told', (w) => { w.ports[0].closed = true; w.send(); }, [['warm'], ['click']], []],
        ['ended after the click, before taken', (w) => { w.send(); w.ports[0].end(); }, [['warm', 'click'], ['click']], []],
        ['taken, then ended', (w) => { w.send(); w.ports[0].reply({ type: 'taken' }); w.ports[0].end(); },
          [['warm', 'click']], ['stopped']],
        ['a refusal, then ended', (w) => { w.send(); w.ports[0].reply({ type: 'error' }); w.ports[0].end(); },
          [['warm', 'click']], ['error', 'stopped']],
      ];
      for (const [what, act, sent, events] of rows) {
        const w = world();
        w.keeper.keepSpare();
        act(w);
        // Left out: the next spare, started when the click ended.
        check(what, [w.sent().slice(0, sent.length), w.events], [sent, events]);
      }
    },
  },
  {
    name: 'hosts_missing',
    async run({ check }) {
      // No host: the spare fails quietly, the click says not installed, and no new spare is tried.
      let w = world({ missing: true });
      w.keeper.keepSpare();
      await settle();
      w.send();
      await settle();
      w.later(w.NEXT_SPARE_AFTER_MS);
      check('missing', [w.events, w.ports.length], [['notInstalled'], 2]);

      w = world({ refuse: true });
      w.keeper.keepSpare();
      w.send();
      check('a port the browser refuses at once', w.events, ['notInstalled']);
    },
  },
];
