#pragma once

#include <chrono>

// The waits of one run. The defaults are the product's; tests shorten them.
struct PipelineTiming {
    using ms = std::chrono::milliseconds;

    // The user may still hold the hotkey's modifiers: wait this long, checking every
    // modifierPoll, for them to come up before posting a key (a key posted meanwhile would
    // arrive with them); after that they are released for the user. This is the only wait
    // before Copy: the hot-key service has ended its keyboard grab, and sent that to the
    // display, before a run starts, so nothing else is left to settle.
    ms modifierRelease{600};
    ms modifierPoll{10};
    // How long a Copy may take to change the clipboard before it counts as "nothing selected".
    ms copyDeadline{500};
    // After a Copy that changed nothing in time, how long an answer to it that comes late is
    // still taken for the Copy's (and the user's clipboard put back over it).
    ms lateCopyWatch{2000};
    // After Select All, before the second Copy.
    ms afterSelectAll{50};
    // Prompt path: after re-activating the user's window, before calling the model.
    ms afterReactivate{120};
    // After Paste, the clipboard keeps the rewritten text at least this long...
    ms pasteMinimum{150};
    // ...and, once the target has fetched it, this much longer (it may fetch more formats)...
    ms pasteSettle{50};
    // ...but never longer than this when the target does not fetch it at all.
    ms pasteDeadline{1500};
};
