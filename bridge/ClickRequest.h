// The click as the plug-in's request code takes a page: the attributes in the ANSI code page, the
// extension's request file as the bytes a browser would have delivered.
#pragma once

#include <windows.h>

#include "bridge/BridgeClick.h"
#include "request/PageRequest.h"

// The click's attributes as RequestFromAttributes takes them, converted with Utf8ToAnsi. A name that does
// not convert is none the request knows (they are ASCII) and is left out. A value the request
// reads (IsRequestAttribute) or a request file's URL that does not convert exactly (no best-fit
// look-alike may become "\", '"' or ":") names it in unrepresentableAttribute: a bad request. So
// does a src value, as "src"; the element has a src all the same.
// The sender's origins become the request's origin and topOrigin (ASCII, unconverted), and a
// crossSite frame its crossSiteFrame, for the site policy.
// The request file: bytes are kept under its URL, the name its reports show; tooLarge is kept as
// such; a failed fetch leaves none, as a stream that never arrived.
PageRequest PageRequestFromClick(const BridgeClick& click, UINT codePage = CP_ACP);
