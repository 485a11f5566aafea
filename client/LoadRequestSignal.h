// The load-request signal: a counter under the product key that the plug-in bumps after each
// submission, which the client watches.
//
// Errors are answers here, never exceptions (only std::bad_alloc gets out): the signal reads as 0
// when it cannot be read; a failed write is dropped, since the client also watches its request
// directory.
#pragma once

long ReadLoadRequestSignal();
void WriteLoadRequestSignal(long value);
// Adds one; a negative value belongs to the client and stays; LONG_MAX goes on at 1.
void BumpLoadRequestSignal();
