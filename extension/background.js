// One bridge program per click: the content script's port brings the click, a native port takes it to
// the host and brings back its status texts until `done` or `error`. The native port lives here, not
// in the tab, so closing the tab never ends a host that is showing the user a dialog.
'use strict';

if (typeof importScripts === 'function') importScripts('rules.js');

(() => {
  const api = globalThis.browser ?? globalThis.chrome;
  const rules = globalThis.vxRules;
  const HOST_NAME = 'example.tolvane.vxbridge';

  api.runtime.onConnect.addListener((page) => {
    if (page.name !== 'vxbridge-click') return;
    const onFirst = (message) => {
      page.onMessage.removeListener(onFirst);
      startClick(page, message);
    };
    page.onMessage.addListener(onFirst);
  });

  function startClick(page, message) {
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
    const click = rules.clickMessage(message);
    if (!click) {
      tell({ type: 'error', message: 'the page element could not be read' });
      page.disconnect();
      return;
    }

    let host;
    let answered = false;
    let ended = false;
    const end = (reply) => {
      ended = true;
      tell(reply);
      host?.disconnect();
      if (pageOpen) page.disconnect();
    };
    try {
      host = api.runtime.connectNative(HOST_NAME);
    } catch {
      end({ type: 'notInstalled' });
      return;
    }
    host.onMessage.addListener((reply) => {
      answered = true;
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
    });
    host.onDisconnect.addListener(() => {
      // Read so that Chromium does not report it as unchecked; Firefox puts it on the port.
      void api.runtime.lastError;
      if (!ended) end({ type: answered ? 'stopped' : 'notInstalled' });
    });
    host.postMessage(click);
  }
})();
