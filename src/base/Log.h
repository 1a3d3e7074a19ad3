#pragma once

#include <QString>

// The program's one diagnostic channel: every line goes to the console with the
// "[Palimo] " prefix and to $XDG_STATE_HOME/palimo/Palimo.log with a UTC timestamp.
// Never fails towards the caller; a file that cannot be written only loses the file line.
namespace Log {

void info(const QString& message);
void error(const QString& message);

// Where file lines go; follows XDG_STATE_HOME at the time of the call.
QString filePath();

} // namespace Log
