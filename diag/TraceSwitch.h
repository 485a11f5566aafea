// The support switch for the trace log. It lives in a key of its own beside the client's settings
// key: every value of the settings key is loaded as a client setting (one of another type or name
// would make every load fail) and written back after each request, and the key belongs to the
// client and its installer, which may rewrite or remove it.
#pragma once

// Under HKEY_CURRENT_USER; the REG_SZ value "TraceLog" names the log file. No key, no value or an
// empty value: the log stays closed.
extern const char* const kDiagnosticsKeyPath;  // "Software\TOLVANE\Tolvane Delivery\Diagnostics"
extern const char* const kTraceLogValueName;   // "TraceLog"

// At start-up: opens the trace log at the file the switch names (appending, unbuffered, so every
// entry is on disk when the box it goes with opens). True when the log is open by it.
bool OpenTraceLogWhenSwitchedOn();
// At shut-down: closes the log if OpenTraceLogWhenSwitchedOn opened it, so the next start writes
// a new header.
void CloseTraceLogOpenedAtStartUp();
