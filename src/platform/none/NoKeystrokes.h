#pragma once

#include "platform/Keystrokes.h"

// A session in which Palimo cannot press keys in other applications: never available, posts
// nothing, and sees no modifier held (so nothing waits on one).
class NoKeystrokes final : public Keystrokes {
public:
    bool isAvailable() const override;
    QCoro::Task<bool> modifiersHeld() override;
    QCoro::Task<bool> post(Command command) override;
};
