#pragma once

#include <QString>

// Runs a shell line (xdotool, mostly) while the event loop keeps turning, as it would in the
// application; fails the current test when the line fails.
void runShellLine(const QString& line);

// Gives events that are still on their way time to arrive before counting them.
void letEventsArrive();
