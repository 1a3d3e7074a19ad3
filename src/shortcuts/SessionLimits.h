#pragma once

#include "platform/SessionAbilities.h"

#include <QString>
#include <QStringList>

// What Palimo tells the user (in the log and in Settings) about a session that does not let it
// do every step of a rewrite, and what to do instead.
namespace SessionLimits {

// One sentence for each thing Palimo cannot do with these abilities, each saying what the user
// can do instead; empty when everything works. `desktop` ($XDG_CURRENT_DESKTOP) only names
// where that desktop keeps its own shortcut settings.
QStringList describe(const SessionAbilities& abilities, const QString& desktop);

// Whether a rewrite has to work from the clipboard alone: the user copies, Palimo rewrites what
// is on the clipboard and leaves the result there for the user to paste.
inline bool clipboardOnly(const SessionAbilities& abilities) {
    return abilities.clipboard && !abilities.keystrokes;
}

} // namespace SessionLimits
