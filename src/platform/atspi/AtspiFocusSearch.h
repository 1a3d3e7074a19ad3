#pragma once

#include <QtGlobal>

// libatspi's type, named without its header (whose macros must stay out of headers).
struct _AtspiAccessible;

// Looking for the keyboard focus across the desktop's applications, for when no focus event has
// told us where it is. Blocking D-Bus round trips: call these on the accessibility thread only.
namespace AtspiFocusSearch {

struct Result {
    _AtspiAccessible* focus = nullptr;     // the focused element (a reference), or null
    _AtspiAccessible* activeApp = nullptr; // the application of the active window (a reference)
    bool complete = false;                 // every application was looked at within the budget
};

// The focused element below the active window of any application; no call starts once the
// search has run for budgetMs. Release the result's references with release().
Result search(qint64 budgetMs);
void release(Result& result);

// Asks an application whose accessible tree holds nothing but its window frames to build the rest.
// True when the application is one that builds it on request (Chromium and Electron do), or
// may be one: it did not say which toolkit it is.
bool askToBuildTree(_AtspiAccessible* app);

// Whether the element is in the state (an AtspiStateType); false when it cannot be asked.
bool hasState(_AtspiAccessible* accessible, int state);

} // namespace AtspiFocusSearch
