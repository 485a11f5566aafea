// The plug-in's rules as plain functions over strings and bytes, shared by the content script and the
// background script (and loaded by the tests without a browser). The values the plug-in and the
// bridge program share come from constants.js, which the pack step makes from
// shared/bridge-constants.json and the scripts load first.
'use strict';

globalThis.vxRules = (() => {
  const shared = globalThis.vxBridgeConstants;
  const HOST_NAME = shared.hostName;
  const MIME_TYPE = shared.mimeType;
  const REQUEST_FILE_SUFFIX = `.${shared.requestFileExtension}`;
  const DEFAULT_CAPTION = shared.defaultCaption;
  const CLIENT_DOWNLOAD_PAGE = shared.clientDownloadPage;
  const LARGEST_REQUEST_FILE = shared.largestRequestFile;
  const MOST_ATTRIBUTES = shared.mostClickAttributes;
  const HTML_SPACE = /^[\t\n\f\r ]+|[\t\n\f\r ]+$/g;

  // `type` as browsers matched plug-in MIME types: parameters and letter case do not count.
  function isPluginType(value) {
    if (typeof value !== 'string') return false;
    return value.split(';')[0].replace(HTML_SPACE, '').toLowerCase() === MIME_TYPE;
  }

  // A `src` (or `data`) whose path ends in the plug-in's file extension, as the browser chose a
  // plug-in by the URL's extension when no type was given.
  function namesRequestFile(value, base) {
    if (typeof value !== 'string') return false;
    let path;
    try {
      path = new URL(value.replace(HTML_SPACE, ''), base).pathname;
    } catch {
      path = value.split(/[?#]/)[0];
    }
    return path.toLowerCase().endsWith(REQUEST_FILE_SUFFIX);
  }

  // The HTML `width`/`height` attribute as a CSS length, or null when it holds none.
  function dimension(value) {
    if (typeof value !== 'string') return null;
    const match = /^[\t\n\f\r ]*(\d+(?:\.\d+)?)(%?)/.exec(value);
    if (!match) return null;
    return match[1] + (match[2] ? '%' : 'px');
  }

  // The value of the last pair named `name` (ASCII letter case ignored), as the plug-in read argn/argv.
  function lastAttribute(pairs, name) {
    let found;
    for (const [key, value] of pairs) {
      if (key.length === name.length && key.replace(/[A-Z]/g, (c) => c.toLowerCase()) === name) found = value;
    }
    return found;
  }

  function captionOf(pairs) {
    const caption = lastAttribute(pairs, 'caption');
    return caption === undefined ? DEFAULT_CAPTION : caption;
  }

  function isWebAddress(value) {
    if (typeof value !== 'string') return false;
    try {
      const protocol = new URL(value).protocol;
      return protocol === 'http:' || protocol === 'https:';
    } catch {
      return false;
    }
  }

  function base64(bytes) {
    let text = '';
    for (let i = 0; i < bytes.length; i += 0x8000) {
      text += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
    }
    return btoa(text);
  }

  const BASE64 = /^(?:[A-Za-z0-9+/]{4})*(?:[A-Za-z0-9+/]{2}==|[A-Za-z0-9+/]{3}=)?$/;
  const isText = (value) => typeof value === 'string';

  // The click as the host is to receive it, rebuilt from what the content script sent; null when it
  // does not keep to the bridge protocol (the content script never sends such a message).
  function clickMessage(message) {
    if (!message || message.type !== 'click' || !Array.isArray(message.attributes) ||
        message.attributes.length > MOST_ATTRIBUTES) {
      return null;
    }
    const attributes = [];
    for (const pair of message.attributes) {
      if (!Array.isArray(pair) || pair.length !== 2 || !isText(pair[0]) || !isText(pair[1])) return null;
      attributes.push([pair[0], pair[1]]);
    }
    const click = { type: 'click', attributes };
    const file = message.requestFile;
    if (file === undefined) return click;
    if (!file || !isText(file.url)) return null;
    const kinds = ['bytes', 'tooLarge', 'failed'].filter((kind) => file[kind] !== undefined);
    if (kinds.length !== 1) return null;
    if (kinds[0] === 'bytes') {
      if (!isText(file.bytes) || !BASE64.test(file.bytes)) return null;
      const padding = file.bytes.endsWith('==') ? 2 : file.bytes.endsWith('=') ? 1 : 0;
      if (file.bytes.length / 4 * 3 - padding > LARGEST_REQUEST_FILE) return null;
      click.requestFile = { url: file.url, bytes: file.bytes };
    } else if (kinds[0] === 'tooLarge') {
      if (file.tooLarge !== true) return null;
      click.requestFile = { url: file.url, tooLarge: true };
    } else {
      if (!isText(file.failed)) return null;
      click.requestFile = { url: file.url, failed: file.failed };
    }
    return click;
  }

  // The origin of a document as the bridge names it: "scheme://host[:port]" for http and https (the
  // URL parser's serialization: lower case, an ASCII (punycode) host, IPv6 in brackets, no default
  // port), "file://" for a page on this computer, null for an opaque origin ("null": a sandboxed
  // frame, a data: page), a file on another machine (which "file://" would pass off as this one's)
  // or another scheme. ORIGIN is what the browser attests; URL, the document's address, counts only
  // where the browser gives no origin.
  function documentOrigin(origin, url) {
    const text = typeof origin === 'string' ? origin : url;
    if (typeof text !== 'string') return null;
    let parsed;
    try {
      parsed = new URL(text);
    } catch {
      return null;
    }
    if (parsed.protocol === 'file:') return parsed.host === '' ? 'file://' : null;
    if (parsed.protocol !== 'http:' && parsed.protocol !== 'https:') return null;
    return parsed.origin;
  }

  // The Public Suffix List's rules (its text, one rule per blank-separated word, as the pack step
  // writes it) in the form registrableDomain looks them up: hosts in ASCII, wildcard and exception
  // rules without their "*." and "!".
  function publicSuffixRules(text) {
    const rules = { plain: new Set(), wildcard: new Set(), exception: new Set() };
    for (const rule of text.split(/\s+/)) {
      if (!rule) continue;
      const [set, name] = rule.startsWith('*.') ? [rules.wildcard, rule.slice(2)]
        : rule.startsWith('!') ? [rules.exception, rule.slice(1)] : [rules.plain, rule];
      const ascii = asciiHost(name);
      if (ascii) set.add(ascii);
    }
    return rules;
  }

  function asciiHost(name) {
    if (/^[a-z0-9.-]+$/.test(name)) return name;
    try {
      return new URL(`http://${name}/`).hostname;
    } catch {
      return null;
    }
  }

  // The registrable domain of a host (the public suffix and one label more) by the list's algorithm:
  // an exception rule prevails, else the matching rule of most labels, else the last label is the
  // suffix. Null when the host is a public suffix itself or has an empty label. A trailing dot is
  // kept, as browsers keep it: "a.example." is not the site of "a.example".
  function registrableDomain(host, rules) {
    const dotted = host.endsWith('.');
    const labels = (dotted ? host.slice(0, -1) : host).split('.');
    if (labels.some((label) => label === '')) return null;
    const suffixFrom = (i) => labels.slice(i).join('.');
    let suffixStart = labels.length - 1;
    const exception = labels.findIndex((_, i) => rules.exception.has(suffixFrom(i)));
    if (exception >= 0) {
      suffixStart = exception + 1;
    } else {
      const longest = labels.findIndex((_, i) => rules.plain.has(suffixFrom(i)) || rules.wildcard.has(suffixFrom(i + 1)));
      if (longest >= 0) suffixStart = longest;
    }
    if (suffixStart === 0) return null;
    return suffixFrom(suffixStart - 1) + (dotted ? '.' : '');
  }

  // The site of a serialized origin as browsers tell same-site from cross-site: its scheme and
  // registrable domain; the whole host for an IP address or a host with no registrable domain
  // (localhost, a public suffix); "file://" for pages on this computer.
  function siteOf(origin, rules) {
    if (origin === 'file://') return origin;
    const { protocol, hostname } = new URL(origin);
    const isAddress = hostname.startsWith('[') || /^\d+\.\d+\.\d+\.\d+$/.test(hostname);
    return `${protocol}//${(!isAddress && registrableDomain(hostname, rules)) || hostname}`;
  }

  // Who asks, from what the browser attests about a content script's port (its MessageSender), never
  // from what the page or the content script says: { sender } as the bridge receives it with a
  // click, or { refused } when the document has no origin to name ("noOrigin") or is a frame whose
  // top-level page the browser does not name ("unknownTop"). SITE_OF_ORIGIN gives an origin's site.
  function attestedSender(portSender, siteOfOrigin) {
    const origin = documentOrigin(portSender?.origin, portSender?.url);
    if (!origin) return { refused: 'noOrigin' };
    if (portSender.frameId === 0) return { sender: { origin, topOrigin: origin, frame: 'top' } };
    const topOrigin = documentOrigin(undefined, portSender.tab?.url);
    if (!topOrigin) return { refused: 'unknownTop' };
    const frame = siteOfOrigin(origin) === siteOfOrigin(topOrigin) ? 'sameSite' : 'crossSite';
    return { sender: { origin, topOrigin, frame } };
  }

  // Whether the browser's reason for closing a native port says the host is not there (no host
  // manifest, one that does not name this extension, a program that cannot be started), as against
  // a host that ran and ended. Chromium's texts (runtime.lastError), then Firefox's (port.error).
  const MISSING_HOST_TEXTS = [
    'Specified native messaging host not found.',
    'Access to the specified native messaging host is forbidden.',
    'Failed to start native messaging host.',
  ];
  function isMissingHost(reason) {
    if (typeof reason !== 'string') return false;
    return MISSING_HOST_TEXTS.includes(reason) || reason.startsWith('No such native application ');
  }

  return {
    HOST_NAME, MIME_TYPE, DEFAULT_CAPTION, CLIENT_DOWNLOAD_PAGE, LARGEST_REQUEST_FILE, MOST_ATTRIBUTES,
    isPluginType, namesRequestFile, dimension, lastAttribute, captionOf, isWebAddress, base64, clickMessage,
    documentOrigin, publicSuffixRules, siteOf, attestedSender, isMissingHost,
  };
})();
