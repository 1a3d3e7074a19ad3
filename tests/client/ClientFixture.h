#pragma once

#include "client/OpenAIClient.h"
#include "support/FakeProvider.h"

#include <gtest/gtest.h>

#include <qcoro/qcorotask.h>

#include <ostream>

using namespace Qt::StringLiterals;

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

using Kind = RewriteError::Kind;

// The alternative a test expects; a test failure, and a blank value, when it got the other one.
template <typename T> T expect(const RewriteOutcome& outcome) {
    if (const auto* value = std::get_if<T>(&outcome)) {
        return *value;
    }
    if (const auto* error = std::get_if<RewriteError>(&outcome)) {
        ADD_FAILURE() << "failed: " << error->description().toStdString();
    } else {
        ADD_FAILURE() << "succeeded: " << std::get<RewriteResult>(outcome).text.toStdString();
    }
    return {};
}

// A client wired to an in-process fake provider, with a key and a base address the test
// can change between calls.
class ClientFixture : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(fake.listen()); }

    OpenAIClient::Options options() {
        // A copy of the key: QCoro moves from an lvalue handed to co_return.
        return {.apiKey = [this]() -> QCoro::Task<std::optional<QString>> {
                    std::optional<QString> copy = key;
                    co_return copy;
                },
                .baseAddress = [this] { return base.isEmpty() ? fake.baseAddress() : base; },
                .model = [this] { return model; },
                .extraCertificates = {}};
    }

    static RewriteRequest job(const QString& text = u"hello world"_s) {
        return {.text = text, .instructions = u"Be brief."_s};
    }

    static RewriteOutcome run(OpenAIClient& client, const RewriteRequest& request = job(),
                              CancellationToken token = {}) {
        return QCoro::waitFor(client.rewrite(request, token));
    }
    static RewriteError failure(OpenAIClient& client) { return expect<RewriteError>(run(client)); }
    // The kind of failure of a key test; nothing when the key was accepted.
    static std::optional<Kind> keyTest(OpenAIClient& client, const QString& key) {
        const auto error = QCoro::waitFor(client.validateKey(key));
        return error ? std::optional(error->kind) : std::nullopt;
    }

    FakeProvider fake;
    std::optional<QString> key = u"sk-test"_s;
    QString base; // empty: the fake's own address
    QString model = u"gpt-4o-mini"_s;
};
