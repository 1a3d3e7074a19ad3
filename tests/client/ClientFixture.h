#pragma once

#include "client/OpenAIClient.h"
#include "support/FakeProvider.h"

#include <gtest/gtest.h>

#include <qcoro/qcorotask.h>

#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

// A client wired to an in-process fake provider, with a key and a base address the test
// can change between calls.
class ClientFixture : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(fake.listen()); }

    OpenAIClient::Options options() {
        OpenAIClient::Options result;
        // A copy: QCoro moves from an lvalue handed to co_return.
        result.apiKey = [this]() -> QCoro::Task<std::optional<QString>> {
            std::optional<QString> copy = key;
            co_return copy;
        };
        result.baseAddress = [this] { return base.isEmpty() ? fake.baseAddress() : base; };
        return result;
    }

    static RewriteRequest job(const QString& text = QStringLiteral("hello world"),
                              const QString& instructions = QStringLiteral("Be brief.")) {
        RewriteRequest request;
        request.text = text;
        request.instructions = instructions;
        return request;
    }

    static RewriteOutcome run(OpenAIClient& client, const RewriteRequest& request,
                              CancellationToken token = {}) {
        return QCoro::waitFor(client.rewrite(request, token));
    }

    // The error of a failed call; a test failure (and a blank error) when it succeeded.
    static RewriteError errorOf(const RewriteOutcome& outcome) {
        if (const auto* error = std::get_if<RewriteError>(&outcome)) {
            return *error;
        }
        ADD_FAILURE() << "expected a failure, got the text: "
                      << std::get<RewriteResult>(outcome).text.toStdString();
        return {};
    }

    static RewriteResult resultOf(const RewriteOutcome& outcome) {
        if (const auto* result = std::get_if<RewriteResult>(&outcome)) {
            return *result;
        }
        ADD_FAILURE() << "expected a result, got: "
                      << std::get<RewriteError>(outcome).description().toStdString();
        return {};
    }

    FakeProvider fake;
    std::optional<QString> key = QStringLiteral("sk-test");
    QString base; // empty: the fake's own address
};
