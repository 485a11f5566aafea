// The boundary between the browser (or Win32, for a window procedure) and the plug-in's own code:
// nothing thrown inside may unwind into a frame of theirs. Each export, each NPP_* function that
// does more than assign and compare, and the window procedure run their body through Guarded,
// once, with the answers that function may give.
#pragma once

#include <new>

// Runs body and returns its answer. When it throws instead: std::bad_alloc answers outOfMemory,
// anything else answers otherwise.
template <typename Answer, typename Body>
Answer Guarded(Answer outOfMemory, Answer otherwise, Body&& body) noexcept
{
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return outOfMemory;
    } catch (...) {
        return otherwise;
    }
}

// For a body that answers nothing (its result, if any, is not used): whatever it throws ends here.
template <typename Body>
void Guarded(Body&& body) noexcept
{
    Guarded(0, 0, [&] {
        body();
        return 0;
    });
}
