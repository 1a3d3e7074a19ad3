#pragma once

#include "platform/Accessibility.h"

#include <memory>

// The focused element of other applications through AT-SPI. The element is tracked from focus
// events (never by walking every application's tree on each query). libatspi's calls are
// synchronous D-Bus round trips, so all of them run on a thread of their own with its own GLib
// main context, each bounded by a quarter-second time-out: a hung application costs that much,
// and never the main thread. A look that finds no usable focus is made once more with a second per
// call, for a loaded machine. Chromium and Electron applications show an empty tree until asked
// to build it; when one is in front with no focus to be found, it is asked and given up to
// five seconds (a second per call) to show its focus.
class AtspiAccessibility final : public Accessibility {
public:
    AtspiAccessibility();
    ~AtspiAccessibility() override;
    AtspiAccessibility(const AtspiAccessibility&) = delete;
    AtspiAccessibility& operator=(const AtspiAccessibility&) = delete;

    QCoro::Task<FocusedElement> focusedElement() override;
    QCoro::Task<std::optional<TextRange>> selectedTextRange() override;
    QCoro::Task<std::optional<QRectF>> boundsForRange(TextRange range) override;
    QCoro::Task<std::optional<QRectF>> frame() override;
    QCoro::Task<std::optional<QStringList>> interfaceNames() override;

private:
    class Thread;
    std::unique_ptr<Thread> m_thread;
};
