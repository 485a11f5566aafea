// The bridge programs the background script talks to: one per click, as ever, but started ahead of
// need. One spare host is kept waiting, with what its dialogs need already loaded, so that a click
// does not wait for a process to start: it is started when a page with one of our elements is seen
// and again after each click, and let go after SPARE_KEPT_MS (the host itself gives up a minute
// later). The spare is sent {"type":"warm"} and nothing of any page until a click takes it.
// A spare that ended before the click reached it is replaced by a host started for the click; one
// that ended after it answered `taken` had the click, which is never sent twice.
'use strict';

globalThis.vxHosts = (() => {
  const SPARE_KEPT_MS = 4 * 60 * 1000;
  // The next spare starts when the click ends, or this long after it began when it is still open
  // (a dialog the user reads): not at once, where it would compete with the click's own dialog.
  const NEXT_SPARE_AFTER_MS = 1500;

  // connect() opens a native port to the host (it may throw); closeReason(port) reads the
  // browser's reason for a port that closed (which also marks it as read); isMissingHost(reason)
  // tells a host that is not installed from one that ran and ended. The timers are the browser's
  // unless a test gives its own.
  function hostKeeper({ connect, closeReason, isMissingHost, setTimer = setTimeout, clearTimer = clearTimeout }) {
    let spare = null; // { port, onDisconnect, timer }

    function dropSpare() {
      const kept = spare;
      spare = null;
      clearTimer(kept.timer);
      kept.port.onDisconnect.removeListener(kept.onDisconnect);
      return kept.port;
    }

    // Starts the spare unless one waits.
    function keepSpare() {
      if (spare) return;
      let port;
      try {
        port = connect();
      } catch {
        return;
      }
      const kept = { port };
      kept.onDisconnect = (closed) => {
        closeReason(closed);
        if (spare === kept) dropSpare();
      };
      kept.timer = setTimer(() => {
        if (spare === kept) dropSpare().disconnect();
      }, SPARE_KEPT_MS);
      port.onDisconnect.addListener(kept.onDisconnect);
      spare = kept;
      try {
        port.postMessage({ type: 'warm' });
      } catch {
        if (spare === kept) dropSpare();
      }
    }

    // Sends CLICK to the spare, or to a host started for it, and passes the host's replies to
    // onReply; onEnd('notInstalled' or 'stopped') when the host's port closed unless the caller
    // closed it. Answers { disconnect() }, which closes the host's port.
    function sendClick(click, { onReply, onEnd }) {
      let current = null;
      let closed = false;
      const nextSpare = setTimer(keepSpare, NEXT_SPARE_AFTER_MS);
      const finish = (how) => {
        if (closed) return;
        closed = true;
        clearTimer(nextSpare);
        if (how !== 'notInstalled') keepSpare();
        if (how) onEnd(how);
      };

      const send = (port, fromSpare) => {
        current = port;
        // Whether the host has the click: a cold host from the start, a spare once it replies.
        let taken = !fromSpare;
        port.onMessage.addListener((reply) => {
          if (closed || port !== current) return;
          taken = true;
          if (reply?.type !== 'taken') onReply(reply);
        });
        port.onDisconnect.addListener((ended) => {
          const reason = closeReason(ended);
          if (closed || port !== current) return;
          if (taken) finish(isMissingHost(reason) ? 'notInstalled' : 'stopped');
          else startCold();
        });
        try {
          port.postMessage(click);
        } catch {
          if (fromSpare) startCold();
          else finish('stopped');
        }
      };
      const startCold = () => {
        let port;
        try {
          port = connect();
        } catch {
          finish('notInstalled');
          return;
        }
        send(port, false);
      };

      if (spare) send(dropSpare(), true);
      else startCold();
      return {
        disconnect() {
          finish(null);
          try {
            current?.disconnect();
          } catch {
            // already closed
          }
        },
      };
    }

    return { keepSpare, sendClick };
  }

  return { SPARE_KEPT_MS, NEXT_SPARE_AFTER_MS, hostKeeper };
})();
