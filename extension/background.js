// One bridge program per click: the content script's port brings the click, a native port takes it to
// the host (a spare started ahead of need, hosts.js) and brings back its status texts until `done`
// or `error`. The native port lives here, not in the tab, so closing the tab never ends a host that
// is showing the user a dialog.
// Who asks is what the browser attests about the content script's port (its sender), added to the
// click here; the page and the content script only say what the element holds.
'use strict';

if (typeof importScripts === 'function') importScripts('constants.js', 'rules.js', 'public_suffixes.js', 'hosts.js');

(() => {
  const api = globalThis.browser ?? globalThis.chrome;
  const rules = globalThis.vxRules;
  const hosts = globalThis.vxHosts.hostKeeper({
    connect: () => api.runtime.connectNative(rules.HOST_NAME),
    // Chromium gives the reason in runtime.lastError (read, so that it is not reported as
    // unchecked), Firefox on the port.
    closeReason: (port) => api.runtime.lastError?.message ?? port?.error?.message,
    isMissingHost: rules.isMissingHost,
  });

  // Read only when a frame asks: most clicks come from the top-level page and need no site.
  let publicSuffixes = null;
  const siteOf = (origin) => {
    publicSuffixes ??= rules.publicSuffixRules(globalThis.vxPublicSuffixList);
    return rules.siteOf(origin, publicSuffixes);
  };

  // The administrator's site policy, from managed storage, read anew each time: Chromium hands
  // over a change at once, Firefox reads its policies.json only when it starts. Firefox rejects
  // the read where no policy names the extension; that, like any failure to read, is no policy.
  async function sitePolicy() {
    let stored = {};
    try {
      stored = await api.storage.managed.get(rules.SITE_POLICY_VALUES);
    } catch {
      // no policy for the extension
    }
    const policy = rules.sitePolicy(stored);
    if (policy.malformedValue) console.warn(`Tolvane site policy not valid, every site refused: ${policy.malformedReason}`);
    return policy;
  }

  // { sender } for the clicks of the document behind PORT_SENDER, or { refused: REASON } (with the
  // notice that names the policy, where the administrator's policy refused it). The bridge program
  // decides again at the click, under the policy in the registry.
  async function whoAsks(portSender) {
    const found = rules.attestedSender(portSender, siteOf);
    if (found.refused) return found;
    const { origin, topOrigin, frame } = found.sender;
    const decision = rules.decideSite(await sitePolicy(), origin, topOrigin, frame === 'crossSite');
    if (decision.allowed) return found;
    if (!decision.refusingValue) return { refused: 'crossSite' };
    return { refused: 'policy', notice: decision.statusText };
  }

  // Asked once per document that has elements, so that one which may not ask shows why before a click.
  api.runtime.onMessage.addListener((message, messageSender, sendResponse) => {
    if (message?.type !== 'whoAsks') return false;
    whoAsks(messageSender).then(
      (found) => {
        // A document that may ask is about to be clicked: a host waits for it.
        if (!found.refused) hosts.keepSpare();
        sendResponse({ refused: found.refused ?? null, notice: found.notice ?? null });
      },
      () => sendResponse({ refused: null }));
    return true;
  });

  api.runtime.onConnect.addListener((page) => {
    if (page.name !== 'vxbridge-click') return;
    const onFirst = (message) => {
      page.onMessage.removeListener(onFirst);
      startClick(page, message);
    };
    page.onMessage.addListener(onFirst);
  });

  async function startClick(page, message) {
    let pageOpen = true;
    page.onDisconnect.addListener(() => { pageOpen = false; });
    const tell = (reply) => {
      if (!pageOpen) return;
      try {
        page.postMessage(reply);
      } catch {
        pageOpen = false;
      }
    };
    const refuse = (reply) => {
      tell(reply);
      if (pageOpen) page.disconnect();
    };
    const click = rules.clickMessage(message);
    if (!click) {
      refuse({ type: 'error', message: 'the page element could not be read' });
      return;
    }
    let found;
    try {
      found = await whoAsks(page.sender);
    } catch {
      found = { refused: 'noOrigin' };
    }
    if (found.refused) {
      refuse({ type: 'refused', reason: found.refused, notice: found.notice ?? null });
      return;
    }
    click.sender = found.sender;

    let host;
    let ended = false;
    const end = (reply) => {
      ended = true;
      tell(reply);
      host?.disconnect();
      if (pageOpen) page.disconnect();
    };
    // A host that ran and ended is "stopped", whenever it ended.
    host = hosts.sendClick(click, {
      onReply(reply) {
        if (ended) return;
        switch (reply?.type) {
          case 'status':
            if (typeof reply.text === 'string') tell({ type: 'status', text: reply.text });
            break;
          case 'openUrl':
            if (rules.isWebAddress(reply.url)) api.tabs.create({ url: reply.url }).catch(() => {});
            break;
          case 'done':
            end({ type: 'done', result: String(reply.result) });
            break;
          case 'error':
            end({ type: 'error', message: String(reply.message) });
            break;
        }
      },
      onEnd(how) {
        if (!ended) end({ type: how });
      },
    });
  }
})();
