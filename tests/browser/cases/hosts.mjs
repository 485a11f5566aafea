// The background script's hosts (extension/hosts.js) without a browser: native ports and timers of
// the test's own, so that a spare can die at any moment around a click.
import fs from 'node:fs';
import path from 'node:path';
import vm from 'node:vm';
import { ROOT } from '../lib/harness.mjs';

function loadHosts() {
  const context = vm.createContext({ setTimeout, clearTimeout });
  vm.runInContext(fs.readFileSync(path.join(ROOT, 'extension/hosts.js'), 'utf8'), context);
  return context.vxHosts;
}

const MISSING = 'Specified native messaging host not found.';

// A native port as the browsers give it: listeners, postMessage (throws once the port is known
// closed), disconnect; reply() and end() act as the host.
class Port {
  constructor(number) {
    this.number = number;
    this.sent = [];
    this.listeners = { message: new Set(), disconnect: new Set() };
    this.onMessage = this.events('message');
    this.onDisconnect = this.events('disconnect');
    this.closed = false;
    this.closedByUs = false;
  }

  events(kind) {
    return { addListener: (f) => this.listeners[kind].add(f), removeListener: (f) => this.listeners[kind].delete(f) };
  }

  postMessage(message) {
    if (this.closed) throw new Error('Attempting to use a disconnected port object');
    this.sent.push(message);
  }

  disconnect() {
    this.closed = true;
    this.closedByUs = true;
  }

  reply(message) {
    for (const listener of [...this.listeners.message]) listener(message);
  }

  // The host ended: the browser marks the port closed, then (later, as an event) tells the listeners.
  end(reason) {
    this.closed = true;
    this.error = reason;
    for (const listener of [...this.listeners.disconnect]) listener(this);
  }
}

// The keeper with ports and timers of the test's own. hosts() lists the ports opened; later(ms)
// runs the timers due within MS.
function world({ missing = false, refuse = false } = {}) {
  const { hostKeeper, SPARE_KEPT_MS, NEXT_SPARE_AFTER_MS } = loadHosts();
  const ports = [];
  let now = 0;
  const timers = new Map();
  let nextTimer = 1;
  const keeper = hostKeeper({
    connect() {
      if (refuse) throw new Error('no permission');
      const port = new Port(ports.length);
      ports.push(port);
      if (missing) queueMicrotask(() => port.end(MISSING));
      return port;
    },
    closeReason: (port) => port?.error,
    isMissingHost: (reason) => reason === MISSING,
    setTimer(f, ms) {
      timers.set(nextTimer, { at: now + ms, f });
      return nextTimer++;
    },
    clearTimer: (id) => timers.delete(id),
  });
  const events = [];
  const click = { type: 'click', attributes: [] };
  return {
    keeper,
    ports,
    events,
    SPARE_KEPT_MS,
    NEXT_SPARE_AFTER_MS,
    // What each port was sent, in order of opening.
    sent: () => ports.map((port) => port.sent.map((message) => message.type)),
    send: () => keeper.sendClick(click, { onReply: (reply) => events.push(reply.type), onEnd: (how) => events.push(how) }),
    later(ms) {
      now += ms;
      for (const [id, timer] of [...timers].sort(([, a], [, b]) => a.at - b.at)) {
        if (timer.at <= now && timers.delete(id)) timer.f();
      }
    },
  };
}

const settle = () => new Promise((resolve) => setTimeout(resolve, 0));

export const cases = [
  {
    name: 'hosts_spare_takes_the_click',
    async run({ check }) {
      // One spare at a time, sent nothing but warm; the click goes to it and the next one starts
      // when the click ends.
      let w = world();
      w.keeper.keepSpare();
      w.keeper.keepSpare();
      check('a spare, warmed', w.sent(), [['warm']]);
      const host = w.send();
      w.ports[0].reply({ type: 'taken' });
      w.ports[0].reply({ type: 'status', text: 'Document : Done' });
      check('the click to the spare, taken not passed on', [w.sent(), w.events], [[['warm', 'click']], ['status']]);
      host.disconnect();
      check('the next spare once the click ended', [w.ports[0].closedByUs, w.sent()], [true, [['warm', 'click'], ['warm']]]);

      // A click still open (a dialog) gets the next spare after a while, not at once.
      w = world();
      w.keeper.keepSpare();
      w.send();
      w.later(w.NEXT_SPARE_AFTER_MS - 1);
      check('no next spare just before', w.ports.length, 1);
      w.later(1);
      check('the next spare while the click is open', w.sent(), [['warm', 'click'], ['warm']]);

      // A spare not used in time is let go; the click then starts a host of its own.
      w = world();
      w.keeper.keepSpare();
      w.later(w.SPARE_KEPT_MS - 1);
      check('kept just before', w.ports[0].closedByUs, false);
      w.later(1);
      w.send();
      check('let go, then a click', [w.ports[0].closedByUs, w.sent()], [true, [['warm'], ['click']]]);
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
        // The ports opened after the click's: the next spare, started when the click ended.
        const clickPorts = w.sent().slice(0, sent.length);
        check(`${what}: sent`, clickPorts, sent);
        check(`${what}: told`, w.events, events);
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
      check('missing', [w.events, w.ports.length], [['notInstalled'], 2]);
      w.later(w.NEXT_SPARE_AFTER_MS);
      check('no spare after it', w.ports.length, 2);

      w = world({ refuse: true });
      w.keeper.keepSpare();
      w.send();
      check('a port the browser refuses at once', w.events, ['notInstalled']);
    },
  },
];
