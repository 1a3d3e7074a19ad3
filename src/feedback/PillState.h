#pragma once

#include <QString>

// What the pill shows: the working mark, a check mark, a cross, or a failure's message.
struct PillState {
    enum class Kind { failed, working, done, cancelled };

    Kind kind = Kind::working;
    QString message; // only for failed

    static PillState failedWith(const QString& text) { return {Kind::failed, text}; }
    bool operator==(const PillState&) const = default;
};
