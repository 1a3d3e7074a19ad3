#pragma once

#include "platform/Keystrokes.h"

#include <memory>

class WaylandConnection;
struct org_kde_kwin_fake_input;

// Posts Copy, Select All and Paste through KWin's fake-input protocol, which KWin grants only to
// a program whose installed desktop entry lists org_kde_kwin_fake_input in
// X-KDE-Wayland-Interfaces (Palimo ships one). KWin merges every keyboard's state, so the
// modifiers the user may still hold are released through fake-input first.
class FakeInputKeystrokes final : public Keystrokes {
public:
    // Null when the compositor offers no fake-input of version 4 (the one with keys).
    static std::unique_ptr<FakeInputKeystrokes> create(std::shared_ptr<WaylandConnection> wayland);
    ~FakeInputKeystrokes() override;

    bool isAvailable() const override;
    // Wayland shows no client another keyboard's state: nothing to wait for.
    QCoro::Task<bool> modifiersHeld() override;
    QCoro::Task<bool> post(Command command) override;

private:
    FakeInputKeystrokes(std::shared_ptr<WaylandConnection> wayland, org_kde_kwin_fake_input* input);
    std::shared_ptr<WaylandConnection> m_wayland;
    org_kde_kwin_fake_input* m_input = nullptr;
};
