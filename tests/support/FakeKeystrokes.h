#pragma once

#include "platform/Keystrokes.h"

#include <QList>

#include <functional>
#include <utility>

// Records every posted command; onPost lets a simulated application react to it.
class FakeKeystrokes : public Keystrokes {
public:
    bool isAvailable() const override { return available; }
    QCoro::Task<bool> modifiersHeld() override {
        ++modifierQueries;
        if (heldForQueries > 0) {
            --heldForQueries;
            co_return true;
        }
        co_return false;
    }
    QCoro::Task<bool> post(Command command, Style style) override {
        posted.append({command, style});
        if (onPost) {
            onPost(command, style);
        }
        co_return true;
    }

    bool available = true;
    int heldForQueries = 0; // modifiersHeld() answers true this many times
    int modifierQueries = 0;
    QList<std::pair<Command, Style>> posted;
    std::function<void(Command, Style)> onPost;
};
