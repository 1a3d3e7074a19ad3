#pragma once

#include <QString>

// What the pill shows: the working mark, a check mark (with a note when the user has something
// left to do), a cross, or a failure's message.
struct PillState {
    enum class Kind { failed, working, done, cancelled };

    Kind kind = Kind::working;
    QString message; // failed: why; done: the note, if any

    static PillState failedWith(const QString& text) { return {Kind::failed, text}; }
    bool operator==(const PillState&) const = default;
};
