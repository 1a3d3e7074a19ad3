#include "app/CommandLine.h"

#include <gtest/gtest.h>

using CommandLine::parse;
using Action = CommandLine::Request::Action;

namespace {

QStringList args(std::initializer_list<const char*> list) {
    QStringList out;
    for (const char* arg : list) {
        out << QString::fromUtf8(arg);
    }
    return out;
}

} // namespace

TEST(CommandLine, VersionWinsOverSetKeyWhereverItStands) {
    EXPECT_EQ(parse(args({"--version"})).action, Action::PrintVersion);
    EXPECT_EQ(parse(args({"-v"})).action, Action::PrintVersion);
    EXPECT_EQ(parse(args({"--set-key", "sk-x", "--version"})).action, Action::PrintVersion);
    EXPECT_EQ(parse(args({"--set-key", "-v"})).action, Action::PrintVersion);
}

TEST(CommandLine, SetKeyTakesTheArgumentAfterItsFirstOccurrenceUnchanged) {
    const auto request = parse(args({"--set-key", "  sk-test \n"}));
    EXPECT_EQ(request.action, Action::SetKey);
    EXPECT_EQ(request.key, QStringLiteral("  sk-test \n"));

    EXPECT_EQ(parse(args({"x", "--set-key", "first", "--set-key", "second"})).key,
              QStringLiteral("first"));
    EXPECT_EQ(parse(args({"--set-key", "--set-key"})).key, QStringLiteral("--set-key"));
    EXPECT_EQ(parse(args({"--set-key", "--sk-dashes"})).key, QStringLiteral("--sk-dashes"));
    EXPECT_EQ(parse(args({"--set-key", ""})).action, Action::SetKey);
}

TEST(CommandLine, SetKeyAsTheLastArgumentAsksForUsage) {
    EXPECT_EQ(parse(args({"--set-key"})).action, Action::SetKeyUsage);
    EXPECT_EQ(parse(args({"sk-before", "--set-key"})).action, Action::SetKeyUsage);
}

TEST(CommandLine, TheFirstTriggerNamedIsHandedOnUnlessVersionOrSetKeyIsAsked) {
    const struct {
        std::initializer_list<const char*> arguments;
        Action action;
    } cases[] = {
        {{"--rewrite"}, Action::TriggerRewrite},
        {{"--prompt"}, Action::TriggerPrompt},
        {{"--prompt", "--rewrite"}, Action::TriggerPrompt},
        {{"--rewrite", "-v"}, Action::PrintVersion},
        {{"--set-key", "--rewrite"}, Action::SetKey},
        {{"--rewrite=1", "rewrite"}, Action::StartApplication},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parse(args(c.arguments)).action, c.action) << *c.arguments.begin();
    }
}

TEST(CommandLine, AnythingElseStartsTheApplication) {
    EXPECT_EQ(parse({}).action, Action::StartApplication);
    EXPECT_EQ(parse(args({"--set-keys", "x", "-version"})).action, Action::StartApplication);
}
