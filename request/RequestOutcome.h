// How a click's request ended, from the flows through the dispatch to the native messaging host's
// done reply. No platform header: the host's portable core builds natively.
#pragma once

enum class RequestOutcome {
    submitted,  // the request is in the client's hands
    cancelled,  // the user said no: a dialog cancelled, a confirmation not given
    failed,     // it could not go (the site policy refused the site, no client configured, a bad
                // request, a file or recipient list refused, a file error), and the user was told why
};
