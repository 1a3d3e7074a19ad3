#pragma once

#include "platform/Workspace.h"

// A session that does not tell a background program which window is active, nor lets it
// activate one.
class NoWorkspace final : public Workspace {
public:
    QCoro::Task<std::optional<ActiveWindow>> activeWindow() override;
    QCoro::Task<bool> activate(ActiveWindow window) override;
};
