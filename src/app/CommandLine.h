#pragma once

#include <QString>
#include <QStringList>

// The process entry: --version/-v and --set-key are answered without any user interface,
// --rewrite and --prompt are handed to the running instance; anything else starts the
// application.
namespace CommandLine {

// What the arguments (without the program name) ask for.
struct Request {
    enum class Action {
        PrintVersion,
        SetKey,
        SetKeyUsage,
        TriggerRewrite, // what the rewrite shortcut does, in the running instance
        TriggerPrompt,  // what the prompt shortcut does, in the running instance
        StartApplication,
    };
    Action action = Action::StartApplication;
    QString key; // for SetKey: the argument after the first "--set-key", exactly as given
                 // ("-": read it from standard input)
};

// "--version" or "-v" anywhere wins; otherwise the first "--set-key" takes the next argument,
// whatever it looks like; otherwise the first of "--rewrite" and "--prompt".
Request parse(const QStringList& arguments);

int main(int argc, char** argv);

} // namespace CommandLine
