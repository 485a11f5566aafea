// The plug-in's rules as plain functions over strings and bytes, shared by the content script and the
// background script (and loaded by the tests without a browser).
'use strict';

globalThis.vxRules = (() => {
  const MIME_TYPE = 'application/x-vnxclient';
  const DEFAULT_CAPTION = 'Vexo Save File';
  const CLIENT_DOWNLOAD_PAGE = 'http://www.tolvane.example/download.html';
  const LARGEST_REQUEST_FILE = 16384;
  const MOST_ATTRIBUTES = 256;
  const LONGEST_DOWNLOAD_URL = 248;
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
    return path.toLowerCase().endsWith('.vnxclient');
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

  function utf8Length(text) {
    return new TextEncoder().encode(text).length;
  }

  // The page's `downloadurl` when it is safe to offer, else the client download page.
  function downloadPage(value) {
    if (typeof value === 'string' && /^https?:/i.test(value) && utf8Length(value) <= LONGEST_DOWNLOAD_URL &&
        !/["\x00-\x1f\x7f]/.test(value)) {
      return value;
    }
    return CLIENT_DOWNLOAD_PAGE;
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

  return {
    MIME_TYPE, DEFAULT_CAPTION, CLIENT_DOWNLOAD_PAGE, LARGEST_REQUEST_FILE, MOST_ATTRIBUTES,
    isPluginType, namesRequestFile, dimension, lastAttribute, captionOf, downloadPage, isWebAddress,
    base64, clickMessage,
  };
})();
