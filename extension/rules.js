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

  // The administrator's site policy, as the plug-in and the bridge program apply it
  // (client/SitePolicy.cpp, request/SiteDecision.cpp): the same grammar, order and texts, so that
  // the button is hidden exactly where the bridge program would refuse the click. A pattern is
  //   scheme "://" host [":" port]   or exactly   "file://"
  // with scheme http, https or * (both); host a name (labels of letters, digits, "-" and "_", 1 to
  // 63 long, none starting or ending with "-", at most 253 in all, no final dot), "*." and a name
  // (the name and every name below it), "*", a plain IPv4 address or an IPv6 address in brackets;
  // port 1 to 65535 without leading zeros, every port when none. Nothing else.
  const SITE_POLICY_VALUES = ['AllowedSites', 'BlockedSites', 'AllowFramedSites'];
  const LIST_OF_VALUE = { AllowedSites: 'allowedSites', BlockedSites: 'blockedSites', AllowFramedSites: 'allowFramedSites' };

  const asciiLower = (text) => text.replace(/[A-Z]/g, (c) => c.toLowerCase());
  const allDigits = (text) => /^[0-9]+$/.test(text);

  // A decimal number from 1 to LARGEST without leading zeros, or null.
  function parseNumber(text, largest) {
    if (!allDigits(text) || text.length > 5 || text[0] === '0') return null;
    const number = Number(text);
    return number <= largest ? number : null;
  }

  // Browsers read a host whose last label is a number (decimal, or 0x and hex digits) as an IPv4
  // address, never as a name.
  function endsInANumber(host) {
    const last = host.slice(host.lastIndexOf('.') + 1);
    return allDigits(last) || /^0[xX][0-9A-Fa-f]*$/.test(last);
  }

  // Four decimal parts of 0 to 255 without leading zeros (a browser reads 010 as octal).
  function isPlainIpv4(host) {
    let start = 0;
    for (let part = 0; part < 4; part++) {
      const end = part === 3 ? host.length : host.indexOf('.', start);
      if (end < 0) return false;
      const digits = host.slice(start, end);
      if (digits !== '0' && parseNumber(digits, 255) === null) return false;
      start = end + 1;
    }
    return true;
  }

  // The address inside the brackets as eight groups of four hex digits, in brackets, so that every
  // spelling of it compares equal; null when it is none.
  function canonicalIpv6(inside) {
    const head = [];
    const tail = [];
    let groups = head;
    let compressed = false;
    let at = 0;
    if (inside.startsWith('::')) {
      compressed = true;
      groups = tail;
      at = 2;
    }
    while (at < inside.length) {
      let end = inside.indexOf(':', at);
      if (end < 0) end = inside.length;
      const group = inside.slice(at, end);
      if (!/^[0-9A-Fa-f]{1,4}$/.test(group)) return null;
      groups.push(asciiLower(group).padStart(4, '0'));
      if (end === inside.length) break;
      if (end + 1 === inside.length) return null;
      if (inside[end + 1] === ':') {
        if (compressed) return null;
        compressed = true;
        groups = tail;
        at = end + 2;
      } else {
        at = end + 1;
      }
    }
    const written = head.length + tail.length;
    if (compressed ? written > 7 : written !== 8) return null;
    while (head.length + tail.length < 8) head.push('0000');
    return `[${[...head, ...tail].join(':')}]`;
  }

  // What is wrong with a host name of a pattern, or null.
  function hostNameProblem(name) {
    if (name === '') return 'has no host';
    if (name.endsWith('.')) return 'ends its host with a dot';
    if (name.length > 253) return 'has a host longer than 253 characters';
    for (const label of name.split('.')) {
      if (label === '') return 'has an empty label in its host';
      if (label.length > 63) return 'has a label longer than 63 characters';
      const wrong = [...label].find((c) => !/[A-Za-z0-9_-]/.test(c));
      if (wrong !== undefined) return `has the character '${wrong}' in its host`;
      if (label.startsWith('-') || label.endsWith('-')) return "has a label that starts or ends with '-'";
    }
    return endsInANumber(name) ? 'has a host that ends in a number but is no plain IPv4 address' : null;
  }

  // "host[:port]", the host possibly in brackets: { host, portText } (portText null without a
  // port), or { whyNot }.
  function splitHostAndPort(authority) {
    let hostEnd;
    if (authority.startsWith('[')) {
      hostEnd = authority.indexOf(']');
      if (hostEnd < 0) return { whyNot: 'has an IPv6 address not closed by ]' };
      hostEnd++;
    } else {
      hostEnd = authority.indexOf(':');
      if (hostEnd < 0) hostEnd = authority.length;
    }
    const host = authority.slice(0, hostEnd);
    if (hostEnd === authority.length) return { host, portText: null };
    if (authority[hostEnd] !== ':') return { whyNot: 'has something other than a port after its IPv6 address' };
    return { host, portText: authority.slice(hostEnd + 1) };
  }

  // { pattern: { text, schemes, hosts, host, port } } (schemes: http, https, httpAndHttps or file;
  // hosts: any, exact or domainAndBelow; host canonical; port 0 for every port), or { whyNot }.
  function parseOriginPattern(text) {
    const refused = (whyNot) => ({ whyNot });
    if (text === '') return refused('is empty');
    if (/[^\x21-\x7e]/.test(text)) {
      return refused('holds a blank or a character outside printable ASCII (write an internationalised host in its xn-- form)');
    }
    const schemeEnd = text.indexOf('://');
    if (schemeEnd < 0) return refused('has no scheme (https://, http://, *:// or file://)');
    const scheme = asciiLower(text.slice(0, schemeEnd));
    const rest = text.slice(schemeEnd + 3);
    const pattern = { text, schemes: 'file', hosts: 'any', host: '', port: 0 };
    if (scheme === 'file') {
      return rest === '' ? { pattern } : refused('adds something to file:// (which stands for every page on this computer)');
    }
    if (scheme === 'http' || scheme === 'https') pattern.schemes = scheme;
    else if (scheme === '*') pattern.schemes = 'httpAndHttps';
    else return refused('has a scheme other than https, http, * or file');

    const extra = rest.search(/[/\\?#@]/);
    if (extra >= 0) {
      const kinds = { '?': 'a query', '#': 'a fragment', '@': 'a user name' };
      return refused(kinds[rest[extra]] ? `has ${kinds[rest[extra]]} (write the site only)`
        : 'has a path (write the site only, without even a final /)');
    }
    const split = splitHostAndPort(rest);
    if (split.whyNot) return split;
    if (split.portText !== null) {
      pattern.port = parseNumber(split.portText, 65535);
      if (pattern.port === null) return refused('has a port that is not a number from 1 to 65535 without leading zeros');
    }
    const host = split.host;
    if (host === '*') return { pattern };
    pattern.hosts = 'exact';
    if (host.startsWith('[')) {
      pattern.host = canonicalIpv6(host.slice(1, -1));
      return pattern.host ? { pattern } : refused('has no valid IPv6 address in its brackets');
    }
    if (host.startsWith('*.')) {
      const domain = host.slice(2);
      if (domain.includes('*')) return refused('has more than one * in its host');
      const problem = hostNameProblem(domain);
      if (problem) return refused(problem);
      Object.assign(pattern, { hosts: 'domainAndBelow', host: asciiLower(domain) });
      return { pattern };
    }
    if (host.includes('*')) return refused('has a * in its host other than a whole first label followed by a dot');
    if (endsInANumber(host)) {
      if (!isPlainIpv4(host)) return refused('has a host that is no plain IPv4 address (four numbers 0 to 255, no leading zeros)');
      pattern.host = host;
      return { pattern };
    }
    const problem = hostNameProblem(host);
    if (problem) return refused(problem);
    pattern.host = asciiLower(host);
    return { pattern };
  }

  // Who asks, from a serialized origin: { scheme, host, port } (the host canonical as in a pattern,
  // the scheme's default port where none is written, "" and 0 for file://), or null for one that
  // cannot be placed ("null", another scheme, not of the serialized form).
  function parseSiteOrigin(serialized) {
    if (typeof serialized !== 'string') return null;
    const schemeEnd = serialized.indexOf('://');
    if (schemeEnd < 0) return null;
    const scheme = asciiLower(serialized.slice(0, schemeEnd));
    const rest = serialized.slice(schemeEnd + 3);
    if (scheme === 'file') return rest === '' ? { scheme, host: '', port: 0 } : null;
    if (scheme !== 'http' && scheme !== 'https') return null;
    if (/[^\x21-\x7e]|[/\\?#@*]/.test(rest)) return null;
    const split = splitHostAndPort(rest);
    if (split.whyNot) return null;
    const port = split.portText === null ? (scheme === 'http' ? 80 : 443) : parseNumber(split.portText, 65535);
    if (port === null) return null;
    let host = split.host;
    if (host.startsWith('[')) {
      host = canonicalIpv6(host.slice(1, -1));
      return host ? { scheme, host, port } : null;
    }
    // "host." names the same server as "host": a final dot must not take a page past a pattern.
    if (host.endsWith('.')) host = host.slice(0, -1);
    if (host === '' || host.startsWith('.') || host.endsWith('.') || host.includes('..') || /[[\]]/.test(host)) return null;
    return { scheme, host: asciiLower(host), port };
  }

  function patternMatches(pattern, origin) {
    if (pattern.schemes === 'file' || origin.scheme === 'file') return pattern.schemes === origin.scheme;
    if (pattern.schemes !== 'httpAndHttps' && pattern.schemes !== origin.scheme) return false;
    if (pattern.port !== 0 && pattern.port !== origin.port) return false;
    if (pattern.hosts === 'any') return true;
    if (origin.host === pattern.host) return true;
    return pattern.hosts === 'domainAndBelow' && origin.host.endsWith(`.${pattern.host}`);
  }

  // The policy from the extension's managed storage: each value, when present, an array of pattern
  // texts (an empty one is as none). Anything else, or an entry that does not parse, makes the
  // policy malformed: it then refuses every site. The first fault found is the one named.
  function sitePolicy(stored) {
    const policy = { allowedSites: [], blockedSites: [], allowFramedSites: [], malformedValue: '', malformedReason: '' };
    const malformed = (name, reason) => {
      if (policy.malformedValue) return;
      policy.malformedValue = name;
      policy.malformedReason = reason;
    };
    for (const name of SITE_POLICY_VALUES) {
      const value = stored?.[name];
      if (value === undefined) continue;
      if (!Array.isArray(value) || !value.every((entry) => typeof entry === 'string')) {
        malformed(name, `${name} (managed storage) is not a list of texts`);
        continue;
      }
      const parsed = value.map(parseOriginPattern);
      const wrong = parsed.findIndex((entry) => entry.whyNot);
      if (wrong >= 0) {
        malformed(name, `${name} (managed storage), entry ${wrong + 1} '${value[wrong]}', ${parsed[wrong].whyNot}`);
        continue;
      }
      policy[LIST_OF_VALUE[name]] = parsed.map((entry) => entry.pattern);
    }
    return policy;
  }

  // Whether the site that asks may start a delivery, in the bridge program's order: a malformed
  // policy refuses every site; an origin that cannot be placed is refused where AllowedSites or
  // BlockedSites lists anything; BlockedSites refuses the origin and every frame in a top-level page
  // it matches; with AllowedSites only a matching origin asks; a frame of another site needs
  // AllowFramedSites. { allowed, refusingValue, statusText }: refusingValue is the list that
  // refused, empty for the refusal of a frame of another site where no AllowFramedSites is set.
  function decideSite(policy, origin, topOrigin, crossSiteFrame) {
    const refused = (refusingValue, statusText) => ({ allowed: false, refusingValue, statusText });
    const notFromThisSite = (value) => refused(value, `Tolvane delivery is not allowed from this site by your administrator (${value}).`);
    if (policy.malformedValue) {
      return refused(policy.malformedValue,
        `Tolvane delivery is turned off: your administrator's site policy (${policy.malformedValue}) is not valid.`);
    }
    const first = (patterns, site) => patterns.find((pattern) => patternMatches(pattern, site));
    const asking = parseSiteOrigin(origin);
    if (!asking && (policy.allowedSites.length || policy.blockedSites.length)) {
      const value = policy.allowedSites.length ? 'AllowedSites' : 'BlockedSites';
      return refused(value, `Tolvane delivery is not allowed by your administrator where the browser does not tell the site (${value}).`);
    }
    if (asking && first(policy.blockedSites, asking)) return notFromThisSite('BlockedSites');
    const top = topOrigin ? parseSiteOrigin(topOrigin) : null;
    if (top && first(policy.blockedSites, top)) return notFromThisSite('BlockedSites');
    if (policy.allowedSites.length && !first(policy.allowedSites, asking)) return notFromThisSite('AllowedSites');
    if (crossSiteFrame && !(asking && first(policy.allowFramedSites, asking))) {
      if (!policy.allowFramedSites.length) return refused('', 'Tolvane delivery is not allowed in a frame of another site.');
      return refused('AllowFramedSites',
        'Tolvane delivery is not allowed from this site in a frame of another site by your administrator (AllowFramedSites).');
    }
    return { allowed: true, refusingValue: '', statusText: '' };
  }

  return {
    HOST_NAME, MIME_TYPE, DEFAULT_CAPTION, CLIENT_DOWNLOAD_PAGE, LARGEST_REQUEST_FILE, MOST_ATTRIBUTES,
    isPluginType, namesRequestFile, dimension, lastAttribute, captionOf, isWebAddress, base64, clickMessage,
    documentOrigin, publicSuffixRules, siteOf, attestedSender, isMissingHost,
    SITE_POLICY_VALUES, parseOriginPattern, parseSiteOrigin, patternMatches, sitePolicy, decideSite,
  };
})();
