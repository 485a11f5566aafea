// Stands in for npVxPlug.dll on pages written for it: each <embed>/<object> the plug-in would have
// handled becomes the plug-in's push button, and a trusted click on it goes through the background
// script to the bridge program.
// Out of the page's reach: the button lives in a closed shadow root on a <span>, which no page can
// define as a custom element (a custom element's own code could take the root through
// ElementInternals); this script's DOM calls are its world's own, untouched by the page's patches;
// and every text it shows is generated content (::before), which the page's window.find() does
// not search, as it does a closed root's text.
'use strict';

(() => {
  const api = globalThis.browser ?? globalThis.chrome;
  const rules = globalThis.vxRules;
  const HTML_NAMESPACE = 'http://www.w3.org/1999/xhtml';
  // Marks our elements for page authors' style rules; nothing here looks them up by it.
  const STAND_IN_MARK = 'data-tolvane-delivery-button';
  const REFUSALS = {
    crossSite: 'Deliveries cannot be started from a frame of another site.',
    noOrigin: 'Deliveries cannot be started from a sandboxed page or frame.',
    unknownTop: 'Deliveries cannot be started here: the browser does not say which page holds this frame.',
  };

  const instances = new WeakMap(); // the page's element -> its Instance

  // Everything stays inside the element's box: a status line below it would cover what the page has
  // there and take its clicks. The status is the button's second line, so all the box stays the button.
  const baseSheet = styleSheet(`
    :host { display: inline-block; position: relative; width: 300px; height: 150px; }
    .face, .notice { all: initial; position: absolute; inset: 0; box-sizing: border-box; overflow: hidden; }
    .face { display: block; }
    button { box-sizing: border-box; width: 100%; height: 100%; margin: 0; padding: 1px 4px; overflow: hidden;
             font: 13px/1.2 system-ui, sans-serif; }
    .caption { display: block; }
    .status { display: block; overflow: hidden; white-space: nowrap; text-overflow: ellipsis; color: #222;
              font: 11px/1.2 system-ui, sans-serif; }
    .notice { display: block; overflow: auto; padding: 2px 4px; border: 1px solid #999; background: #ffffe1;
              color: #000; font: 12px/1.2 system-ui, sans-serif; }
    .notice a { color: #00c; }
    [data-text]::before { content: attr(data-text); }
    :host([hidden]), [hidden] { display: none; }
  `);

  function styleSheet(text) {
    const sheet = new CSSStyleSheet();
    sheet.replaceSync(text);
    return sheet;
  }

  function isPluginElement(element) {
    if (element.namespaceURI !== HTML_NAMESPACE) return false;
    const name = element.localName;
    if (name !== 'embed' && name !== 'object') return false;
    return rules.isPluginType(element.getAttribute('type')) ||
      rules.namesRequestFile(element.getAttribute(name === 'embed' ? 'src' : 'data'), document.baseURI);
  }

  // argn/argv as the browser built them: the attributes in document order; for <object>, `data` as
  // `src`, then one pair per named <param> child.
  function attributesOf(element) {
    const isObject = element.localName === 'object';
    const pairs = [];
    const attributes = element.attributes;
    for (let i = 0; i < attributes.length; i++) {
      const name = attributes[i].name;
      pairs.push([isObject && name === 'data' ? 'src' : name, attributes[i].value]);
    }
    if (isObject) {
      for (let child = element.firstElementChild; child; child = child.nextElementSibling) {
        if (child.localName === 'param' && child.hasAttribute('name')) {
          pairs.push([child.getAttribute('name'), child.getAttribute('value') ?? '']);
        }
      }
    }
    return pairs.slice(0, rules.MOST_ATTRIBUTES);
  }

  async function fetchRequestFile(address) {
    let url;
    try {
      url = new URL(address, document.baseURI).href;
    } catch {
      return { url: address, failed: 'not a valid address' };
    }
    if (address.trim() === '') return { url, failed: 'empty address' };
    let response;
    try {
      response = await fetch(url, { credentials: 'include' });
    } catch {
      return { url, failed: 'network error or refused by CORS' };
    }
    if (!response.ok) return { url, failed: `HTTP status ${response.status}` };
    const parts = [];
    let size = 0;
    try {
      if (response.body) {
        const reader = response.body.getReader();
        for (;;) {
          const { done, value } = await reader.read();
          if (done) break;
          // A copy of our own: in Firefox the chunk's buffer may belong to the page.
          const chunk = new Uint8Array(value);
          size += chunk.length;
          if (size > rules.LARGEST_REQUEST_FILE) {
            reader.cancel().catch(() => {});
            return { url, tooLarge: true };
          }
          parts.push(chunk);
        }
      }
    } catch {
      return { url, failed: 'the transfer broke off' };
    }
    const bytes = new Uint8Array(size);
    let offset = 0;
    for (const part of parts) {
      bytes.set(part, offset);
      offset += part.length;
    }
    return { url, bytes: rules.base64(bytes) };
  }

  class Instance {
    constructor(element) {
      this.element = element;
      this.host = document.createElement('span');
      this.host.setAttribute(STAND_IN_MARK, '');
      for (const name of ['id', 'class', 'hidden']) {
        if (element.hasAttribute(name)) this.host.setAttribute(name, element.getAttribute(name));
      }
      // Through the CSSOM, which a page's style-src policy does not block.
      if (element.style.cssText) this.host.style.cssText = element.style.cssText;
      const root = this.host.attachShadow({ mode: 'closed' });
      // The width and height attributes rank as the browser ranked them: below the page's own CSS.
      const width = rules.dimension(element.getAttribute('width'));
      const height = rules.dimension(element.getAttribute('height'));
      const sizeSheet = styleSheet(`:host { ${width ? `width: ${width};` : ''} ${height ? `height: ${height};` : ''} }`);
      root.adoptedStyleSheets = [baseSheet, sizeSheet];
      this.face = root.appendChild(document.createElement('div'));
      this.face.className = 'face';
      this.button = this.face.appendChild(document.createElement('button'));
      this.button.type = 'button';
      this.button.addEventListener('click', (event) => this.onClick(event));
      this.caption = this.button.appendChild(document.createElement('span'));
      this.caption.className = 'caption';
      this.status = this.button.appendChild(document.createElement('span'));
      this.status.className = 'status';
      this.status.hidden = true;
      this.notice = root.appendChild(document.createElement('div'));
      this.notice.className = 'notice';
      this.notice.hidden = true;
      // Read once, as NPP_New received them.
      this.attributes = attributesOf(element);
      this.caption.dataset.text = rules.captionOf(this.attributes);
      this.busy = false;
      this.requestFile = null;
      const address = element.getAttribute(element.localName === 'embed' ? 'src' : 'data');
      if (address !== null) this.requestFile = fetchRequestFile(address);
      refusalHere().then((refusal) => {
        if (refusal.refused) this.showRefusal(refusal.refused, refusal.notice);
      });
    }

    onClick(event) {
      if (!event.isTrusted || this.busy) return;
      this.busy = true;
      this.button.disabled = true;
      this.send().catch(() => {
        // The extension was updated or removed since the page loaded.
        this.showStatus('The Tolvane bridge could not be reached: reload the page');
        this.finish();
      });
    }

    async send() {
      const click = { type: 'click', attributes: this.attributes };
      if (this.requestFile) click.requestFile = await this.requestFile;
      const port = api.runtime.connect({ name: 'vxbridge-click' });
      port.onMessage.addListener((message) => this.onBridgeMessage(message));
      port.onDisconnect.addListener(() => this.finish());
      port.postMessage(click);
    }

    onBridgeMessage(message) {
      switch (message?.type) {
        case 'status':
          this.showStatus(message.text);
          break;
        case 'error':
          this.showStatus(`Tolvane bridge error: ${message.message}`);
          this.finish();
          break;
        case 'stopped':
          this.showStatus('The Tolvane bridge stopped before the request was finished');
          this.finish();
          break;
        case 'notInstalled':
          this.showNotInstalled();
          this.finish();
          break;
        case 'refused':
          this.showRefusal(message.reason, message.notice);
          this.finish();
          break;
        case 'done':
          this.finish();
          break;
      }
    }

    showStatus(text) {
      const shown = String(text);
      this.status.dataset.text = shown;
      this.status.title = shown;
      this.status.hidden = shown === '';
    }

    // In place of the button, which stays out of use.
    showNotice(text, link) {
      this.notice.replaceChildren();
      this.notice.appendChild(document.createElement('span')).dataset.text = text;
      if (link) {
        const anchor = this.notice.appendChild(document.createElement('a'));
        anchor.href = link.href;
        anchor.target = '_blank';
        anchor.rel = 'noopener noreferrer';
        anchor.dataset.text = link.text;
      }
      this.notice.hidden = false;
      this.face.hidden = true;
    }

    // Our own download page only: an address the page chose would be offered in our words.
    showNotInstalled() {
      this.showNotice('Tolvane Delivery bridge not installed. ',
        { href: rules.CLIENT_DOWNLOAD_PAGE, text: 'Get the client software' });
    }

    // NOTICE: the background script's own words for the administrator's refusal, naming the policy.
    showRefusal(reason, notice) {
      this.showNotice(typeof notice === 'string' ? notice : REFUSALS[reason] ?? 'Deliveries cannot be started from this page.');
    }

    finish() {
      this.busy = false;
      this.button.disabled = false;
    }
  }

  // Whether this document may start deliveries at all, as the background script finds from what the
  // browser attests about it and the administrator's site policy: asked once, when its first element
  // is taken ({ refused: REASON or null, notice: TEXT or null }). The click is refused there as
  // well; this only shows the reason before anyone clicks.
  let refusal = null;
  function refusalHere() {
    refusal ??= (async () => {
      try {
        const answer = await api.runtime.sendMessage({ type: 'whoAsks' });
        return { refused: answer?.refused ?? null, notice: answer?.notice ?? null };
      } catch {
        return { refused: null }; // the extension was updated or removed: the click says so
      }
    })();
    return refusal;
  }

  const notOurs = new WeakSet(); // checked, and not retyped since
  const embeds = document.getElementsByTagName('embed');
  const objects = document.getElementsByTagName('object');
  // Only the <embed>s and <object>s that are not ours are watched for a new type, src or data, so
  // that other elements' attributes cost nothing.
  const retyped = new MutationObserver((records) => {
    for (const record of records) {
      notOurs.delete(record.target);
      claim(record.target);
    }
  });

  function claim(element) {
    const known = instances.get(element);
    if (known) {
      // The page put the element back: its stand-in goes there instead.
      if (element.isConnected) element.replaceWith(known.host);
      return;
    }
    if (notOurs.has(element) || !element.isConnected) return;
    if (!isPluginElement(element)) {
      notOurs.add(element);
      retyped.observe(element, { attributes: true, attributeFilter: ['type', 'src', 'data'] });
      return;
    }
    const instance = new Instance(element);
    instances.set(element, instance);
    element.replaceWith(instance.host);
  }

  // The live collections hold every <embed> and <object> in the document, so new ones are found
  // without looking at each node a script inserts; taken ones have left the document.
  function claimAll() {
    if (embeds.length) for (const element of Array.from(embeds)) claim(element);
    if (objects.length) for (const element of Array.from(objects)) claim(element);
  }

  // Elements are taken once the parser is done (so an <object> has all its <param>s) and whenever a
  // script adds or retypes one later. Until then hidden.css keeps them from loading; watching every
  // node the parser inserts would cost every page a good part of its parse time.
  function start() {
    claimAll();
    new MutationObserver(claimAll).observe(document, { childList: true, subtree: true });
  }

  if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', start, { once: true });
  else start();
})();
