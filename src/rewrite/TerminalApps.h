#pragma once

#include "platform/Workspace.h"

#include <QString>

#include <optional>

// Terminal emulators read Ctrl+C as "interrupt the program" and a pasted line break as "run
// it": they get no keystroke from Palimo at all.
namespace TerminalApps {

// Whether a window's class hint names a known terminal emulator (case-insensitive).
bool isTerminalWindow(const std::optional<Workspace::ActiveWindow>& window);

// The accessibility role a terminal's text area reports.
inline const QString terminalRole = QStringLiteral("AXTerminal");

} // namespace TerminalApps
