#pragma once

#include <QString>

// The built-in default instructions: used until the user stores their own, and brought back
// by the settings window's "Reset to default".
namespace DefaultInstructions {

const QString& text();

} // namespace DefaultInstructions
