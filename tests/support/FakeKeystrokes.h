#pragma once

#include "platform/Keystrokes.h"

#include <QList>

#include <functional>
#include <utility>

// Records every posted command; onPost lets a simulated application react to it.
class FakeKeystrokes : public Keystrokes {
public:
    bool isAvailable() const override { return available; }
    QCoro::Task<bool> post(Command command, Style style) override {
        posted.append({command, style});
        if (onPost) {
            onPost(command, style);
        }
        co_return true;
    }

    bool available = true;
    QList<std::pair<Command, Style>> posted;
    std::function<void(Command, Style)> onPost;
};
