#pragma once

#include <QStringList>

// The process entry: --version/-v and --set-key are answered without any user interface;
// anything else starts the application.
namespace CommandLine {

int main(int argc, char** argv);

} // namespace CommandLine
