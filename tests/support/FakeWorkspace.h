#pragma once

#include "platform/Workspace.h"

#include <QList>

// One active window set by the test; records activations.
class FakeWorkspace : public Workspace {
public:
    QCoro::Task<std::optional<ActiveWindow>> activeWindow() override {
        co_return std::optional<ActiveWindow>(active);
    }
    QCoro::Task<bool> activate(ActiveWindow window) override {
        activated.append(window.window);
        co_return activationWorks;
    }

    std::optional<ActiveWindow> active = ActiveWindow{42, 43, "editor", "Editor", 1234};
    QList<std::uint64_t> activated;
    bool activationWorks = true; // false: the window is gone
};
