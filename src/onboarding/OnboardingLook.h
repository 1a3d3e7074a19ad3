#pragma once

#include <QColor>
#include <QIcon>

#include <optional>

// The brand's accent colour and mark, handed in by the application that owns them.
struct OnboardingLook {
    QColor accent;
    std::optional<QIcon> mark; // nothing: the steps draw no mark
};
