#pragma once

#include <QString>

#include <optional>

// The API key typed or piped into standard input (`palimo --set-key -`), so that it never
// shows in the process list or the shell's history.
namespace KeyInput {

// From a terminal: asks on standard error and reads one line with echo off. From a pipe or a
// file: the first line. Nothing when the input ends before any key or cannot be read.
std::optional<QString> read();

} // namespace KeyInput
