// The client at work: it takes the name that tells the plug-in a client runs, then takes up every
// submission file as it arrives, woken by the request directory and the load-request signal, until
// --stop sets its quit event.
#pragma once

#include <string>

// The event --stop sets; the running client ends when it is set.
std::string QuitEventName();

// Runs until stopped; 0 when it ran (or another copy runs already), 1 when it could not start.
int RunClient();
