#pragma once

#include <QSet>
#include <QString>

#include <cstdint>
#include <optional>

// How sway names a key combination in `bindsym` and `bindcode`, and which combinations the
// user's own configuration already binds, so that Palimo never replaces one of them.
namespace SwayBindings {

struct Combo {
    QString symbols; // "Ctrl+Mod1+r": sway's modifier names and the key a US keyboard has there
    QString code;    // "Ctrl+Mod1+27": the same key by its position, as `bindcode` takes it
};

// Nothing for a key with no position or no symbol on a US keyboard.
std::optional<Combo> combo(std::uint32_t carbonKeyCode, std::uint32_t carbonModifiers);

// The configuration text with each `include` replaced by the files it names: sway's IPC gives
// only the main file's text, and bindings often live in included files (Debian's own config
// includes /etc/sway/config.d/*). Relative paths are taken from configDirectory.
QString withIncludes(const QString& configText, const QString& configDirectory);

// The default mode's bindings in a configuration text, in a form `isBound` compares: variables
// (`set $mod Mod4`) substituted, modifier aliases unified, key symbols case-folded. Bindings
// inside blocks (other modes) are left out: they are not active while Palimo's are.
QSet<QString> configuredBindings(const QString& configText);

bool isBound(const QSet<QString>& configured, const Combo& combo);

} // namespace SwayBindings
