#include "app/CommandLine.h"

#include <gtest/gtest.h>

using Action = CommandLine::Request::Action;

// --version wins wherever it stands; --set-key takes the argument after its first occurrence
// unchanged, even one that looks like an option; otherwise the first trigger named is handed on;
// anything else starts the application. (A key with spaces and --set-key alone go through the
// binary in set-key-cli.sh; --version alone is here too, as there a regression only times out.)
TEST(CommandLine, ActionAndKey) {
    const struct {
        QStringList args;
        Action action;
        QString key = {};
    } cases[] = {
        {{"--version"}, Action::PrintVersion},
        {{"--set-key", "-v"}, Action::PrintVersion},
        {{"x", "--set-key", "first", "--set-key", "second"}, Action::SetKey, "first"},
        {{"--set-key", "--set-key"}, Action::SetKey, "--set-key"},
        {{"--set-key", ""}, Action::SetKey},
        {{"sk-before", "--set-key"}, Action::SetKeyUsage},
        {{"--prompt", "--rewrite"}, Action::TriggerPrompt},
        {{"--rewrite", "-v"}, Action::PrintVersion},
        {{"--set-key", "--rewrite"}, Action::SetKey, "--rewrite"},
        {{}, Action::StartApplication},
        {{"--set-keys", "x", "-version"}, Action::StartApplication},
        {{"--rewrite=1", "rewrite"}, Action::StartApplication},
    };
    for (const auto& c : cases) {
        const CommandLine::Request request = CommandLine::parse(c.args);
        EXPECT_EQ(request.action, c.action) << c.args.join(' ').toStdString();
        if (c.action == Action::SetKey) {
            EXPECT_EQ(request.key, c.key) << c.args.join(' ').toStdString();
        }
    }
}
