#pragma once

#include "platform/Accessibility.h"
#include "platform/Keystrokes.h"
#include "platform/Pasteboard.h"
#include "platform/Workspace.h"

// The desktop services one rewrite run talks to. The composition root owns them.
struct RewritePlatform {
    Pasteboard& pasteboard;
    Keystrokes& keystrokes;
    Accessibility& accessibility;
    Workspace& workspace;
};
