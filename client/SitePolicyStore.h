// The site policy where an administrator sets it: the key Software\Policies\Tolvane\Delivery under
// HKEY_LOCAL_MACHINE, then under HKEY_CURRENT_USER. Machine policy wins value by value, as in
// browsers' own policies: a list the machine key sets is taken whole and the user key's list of
// that name is not read; a list the machine key leaves unset (or empty) is read from the user key.
//
// Each list may be written in either of two forms, never both in one key:
//   - a REG_MULTI_SZ value of its name, one pattern per string;
//   - a subkey of its name holding REG_SZ values named 1, 2, 3... (the form of Chromium's and
//     Firefox's list policies, and of Group Policy's list elements); the numbers give the order,
//     gaps are allowed.
// The registry's own text is read (its UTF-16), so a character outside ASCII is refused as such
// rather than as whatever the ANSI code page makes of it. Software\Policies is shared between the
// 32-bit and 64-bit views, so both DLLs and the bridge read the same key.
#pragma once

#include "client/SitePolicy.h"

extern const char* const kSitePolicyKeyPath;  // "Software\Policies\Tolvane\Delivery"

// Read anew at every click, so that an administrator's change applies without restarting the
// browser. Any value of the wrong type, a list in both forms, an entry that does not parse or a
// key that exists but cannot be read makes the policy malformed (it then refuses every site);
// other values of the key are not ours and are left alone. Throws only std::bad_alloc.
SitePolicy ReadSitePolicy();
