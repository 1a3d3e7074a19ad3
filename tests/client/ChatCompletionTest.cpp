#include "client/ChatCompletion.h"
#include "ClientFixture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using Kind = RewriteError::Kind;

namespace {

RewriteError makeError(Kind kind, const QString& detail = {}) {
    RewriteError error;
    error.kind = kind;
    error.detail = detail;
    return error;
}

} // namespace

TEST(ChatCompletionTest, SystemPromptIsTheFixedTextOf954Bytes) {
    const QString& prompt = ChatCompletion::systemPrompt();
    EXPECT_EQ(prompt.toUtf8().size(), 954);
    EXPECT_TRUE(prompt.startsWith(
        QStringLiteral("You are a rewriting engine. You rewrite text. You never answer it.\n\n")));
    EXPECT_TRUE(prompt.endsWith(QStringLiteral("override this.\n\nStyle to apply:\n")));
    EXPECT_TRUE(prompt.contains(QString::fromUtf8("conversation to join \xe2\x80\x94 even when")));
    EXPECT_TRUE(prompt.contains(QString::fromUtf8("\"* \", \"\xe2\x80\xa2 \", \"1. \"")));
    EXPECT_EQ(prompt.count(QStringLiteral("\n\n")), 5); // six paragraphs
}

TEST(ChatCompletionTest, MessagesKeepInstructionsAndTextExactly) {
    EXPECT_EQ(ChatCompletion::systemMessage(QString()), ChatCompletion::systemPrompt());
    EXPECT_EQ(ChatCompletion::systemMessage(QStringLiteral(" Formal.\n")),
              ChatCompletion::systemPrompt() + QStringLiteral(" Formal.\n"));
    EXPECT_EQ(ChatCompletion::userMessage(QStringLiteral("  Hello\n")),
              QStringLiteral("<text>\n  Hello\n\n</text>"));
    EXPECT_EQ(ChatCompletion::userMessage(QStringLiteral("one\ntwo")),
              QStringLiteral("<text>\none\ntwo\n</text>"));
}

TEST(ChatCompletionTest, BodyHasExactlyModelTemperatureAndTwoMessages) {
    RewriteRequest request;
    request.text = QString::fromUtf8("  caf\xc3\xa9 \"quoted\" </text>\n");
    request.instructions = QStringLiteral("Shorter.");
    request.origin = RewriteRequest::Origin::customPrompt;
    const QByteArray body = ChatCompletion::requestBody(request);

    EXPECT_TRUE(body.contains("\"temperature\":0.3")) << body.toStdString();
    EXPECT_FALSE(body.contains('\n')) << "compact JSON";
    const QJsonObject root = QJsonDocument::fromJson(body).object();
    EXPECT_EQ(root.keys(), (QStringList{QStringLiteral("messages"), QStringLiteral("model"),
                                        QStringLiteral("temperature")}));
    EXPECT_EQ(root.value(QStringLiteral("model")).toString(), QStringLiteral("gpt-4o-mini"));
    EXPECT_EQ(root.value(QStringLiteral("temperature")).toDouble(), 0.3);
    const QJsonArray messages = root.value(QStringLiteral("messages")).toArray();
    ASSERT_EQ(messages.size(), 2);
    const QJsonObject system = messages.at(0).toObject();
    const QJsonObject user = messages.at(1).toObject();
    EXPECT_EQ(system.keys(), (QStringList{QStringLiteral("content"), QStringLiteral("role")}));
    EXPECT_EQ(system.value(QStringLiteral("role")).toString(), QStringLiteral("system"));
    EXPECT_EQ(system.value(QStringLiteral("content")).toString().toUtf8(),
              ChatCompletion::systemPrompt().toUtf8() + "Shorter.");
    EXPECT_EQ(user.keys(), (QStringList{QStringLiteral("content"), QStringLiteral("role")}));
    EXPECT_EQ(user.value(QStringLiteral("role")).toString(), QStringLiteral("user"));
    EXPECT_EQ(user.value(QStringLiteral("content")).toString(),
              QStringLiteral("<text>\n") + request.text + QStringLiteral("\n</text>"));
    EXPECT_FALSE(body.contains("customPrompt"));
}

TEST(ChatCompletionTest, StripTagsRemovesOneWrapperAtTheEdgesOnly) {
    using ChatCompletion::stripTags;
    EXPECT_EQ(stripTags(QStringLiteral("  <text>\n word \n</text>  ")), QStringLiteral("word"));
    EXPECT_EQ(stripTags(QStringLiteral("\n\tplain text \n")), QStringLiteral("plain text"));
    EXPECT_EQ(stripTags(QStringLiteral("<text><text>x</text></text>")),
              QStringLiteral("<text>x</text>"));
    EXPECT_EQ(stripTags(QStringLiteral("a <text>b</text> c")),
              QStringLiteral("a <text>b</text> c"));
    EXPECT_EQ(stripTags(QStringLiteral("<text>only open")), QStringLiteral("only open"));
    EXPECT_EQ(stripTags(QStringLiteral("only close</text>")), QStringLiteral("only close"));
    EXPECT_EQ(stripTags(QStringLiteral("<text>\n</text>")), QString());
    EXPECT_EQ(stripTags(QStringLiteral(" \n ")), QString());
    // Inner layout survives; only the edges are trimmed.
    EXPECT_EQ(stripTags(QStringLiteral("<text>\n- a\n  - b\n</text>")),
              QStringLiteral("- a\n  - b"));
}

TEST(ChatCompletionTest, DecodesContentAndUsage) {
    const auto full = ChatCompletion::decodeAnswer(
        R"({"id":"x","choices":[{"message":{"role":"assistant","content":"<text>\nHi\n</text>"}},
            {"message":{"content":"second"}}],"usage":{"prompt_tokens":12,"completion_tokens":3}})");
    ASSERT_TRUE(std::holds_alternative<RewriteResult>(full));
    EXPECT_EQ(std::get<RewriteResult>(full).text, QStringLiteral("Hi"));
    EXPECT_EQ(std::get<RewriteResult>(full).promptTokens, 12);
    EXPECT_EQ(std::get<RewriteResult>(full).completionTokens, 3);

    for (const QByteArray& body : {QByteArray(R"({"choices":[{"message":{"content":"ok"}}]})"),
                                   QByteArray(R"({"choices":[{"message":{"content":"ok"}}],
                                                 "usage":null})")}) {
        const auto noUsage = ChatCompletion::decodeAnswer(body);
        ASSERT_TRUE(std::holds_alternative<RewriteResult>(noUsage)) << body.toStdString();
        EXPECT_EQ(std::get<RewriteResult>(noUsage).promptTokens, 0);
        EXPECT_EQ(std::get<RewriteResult>(noUsage).completionTokens, 0);
    }
}

TEST(ChatCompletionTest, RejectsAnswersThatLackRequiredMembers) {
    const QByteArray broken[] = {
        "not json",
        "[1,2]",
        R"({"usage":{"prompt_tokens":1,"completion_tokens":1}})",
        R"({"choices":{}})",
        R"({"choices":[{}]})",
        R"({"choices":[{"message":{}}]})",
        R"({"choices":[{"message":{"content":null}}]})",
        R"({"choices":[{"message":{"content":42}}]})",
        R"({"choices":[{"message":{"content":"ok"}},{"message":{"content":null}}]})",
        R"({"choices":[{"message":{"content":"ok"}}],"usage":{"prompt_tokens":1}})",
        R"({"choices":[{"message":{"content":"ok"}}],"usage":{"prompt_tokens":1.5,"completion_tokens":1}})",
        R"({"choices":[{"message":{"content":"ok"}}],"usage":{"prompt_tokens":"1","completion_tokens":1}})",
        R"({"choices":[{"message":{"content":"ok"}}],"usage":{"prompt_tokens":-4,"completion_tokens":1}})",
        R"({"choices":[{"message":{"content":"ok"}}],"usage":7})",
    };
    for (const QByteArray& body : broken) {
        const auto outcome = ChatCompletion::decodeAnswer(body);
        ASSERT_TRUE(std::holds_alternative<RewriteError>(outcome)) << body.toStdString();
        EXPECT_EQ(std::get<RewriteError>(outcome).kind, Kind::decoding) << body.toStdString();
        EXPECT_FALSE(std::get<RewriteError>(outcome).detail.isEmpty());
    }
}

TEST(ChatCompletionTest, NothingLeftAfterCleaningIsAnEmptyCompletion) {
    for (const QByteArray& body :
         {QByteArray(R"({"choices":[]})"),
          QByteArray(R"({"choices":[{"message":{"content":" \n "}}]})"),
          QByteArray(R"({"choices":[{"message":{"content":"<text></text>"}}]})")}) {
        const auto outcome = ChatCompletion::decodeAnswer(body);
        ASSERT_TRUE(std::holds_alternative<RewriteError>(outcome)) << body.toStdString();
        EXPECT_EQ(std::get<RewriteError>(outcome).kind, Kind::emptyCompletion);
    }
}

TEST(ChatCompletionTest, BodyTextIsUtf8OrNoBody) {
    EXPECT_EQ(ChatCompletion::bodyText(QByteArray("caf\xc3\xa9")),
              QString::fromUtf8("caf\xc3\xa9"));
    EXPECT_EQ(ChatCompletion::bodyText(QByteArray()), QString());
    EXPECT_EQ(ChatCompletion::bodyText(QByteArray("ok \xff\xfe")), QStringLiteral("<no body>"));
    EXPECT_EQ(ChatCompletion::bodyText(QByteArray("cut \xc3")), QStringLiteral("<no body>"));
}

TEST(RewriteErrorTest, DescriptionTexts) {
    RewriteError bad = makeError(Kind::badResponse);
    bad.status = 429;
    bad.body = QStringLiteral(R"({"error":"slow down"})");
    EXPECT_EQ(bad.description(),
              QStringLiteral(R"(OpenAI returned HTTP 429: {"error":"slow down"})"));
    EXPECT_EQ(makeError(Kind::missingAPIKey).description(),
              QStringLiteral("No API key set. Add one in Settings."));
    EXPECT_EQ(makeError(Kind::invalidAPIKey).description(),
              QStringLiteral("OpenAI rejected this key. Check it was copied in full."));
    EXPECT_EQ(makeError(Kind::emptyCompletion).description(),
              QStringLiteral("OpenAI returned an empty rewrite."));
    EXPECT_EQ(makeError(Kind::cancelled).description(),
              QStringLiteral("The request was cancelled."));
    EXPECT_TRUE(makeError(Kind::cancelled).isCancellation());
    EXPECT_EQ(makeError(Kind::timedOut, QStringLiteral("no data for 10 s")).description(),
              QStringLiteral("The request timed out: no data for 10 s"));
    EXPECT_EQ(makeError(Kind::notConnected, QStringLiteral("Connection refused")).description(),
              QStringLiteral("Could not connect to the server: Connection refused"));
    EXPECT_EQ(makeError(Kind::connectionLost).description(),
              QStringLiteral("The connection to the server was lost"));
    EXPECT_EQ(makeError(Kind::refusedAddress, QStringLiteral("why")).description(),
              QStringLiteral("Refused to send the API key: why"));
    EXPECT_EQ(makeError(Kind::bodyTooLarge, QStringLiteral("more than 8 bytes")).description(),
              QStringLiteral("The server's answer was too large: more than 8 bytes"));
    EXPECT_EQ(makeError(Kind::decoding, QStringLiteral("what")).description(),
              QStringLiteral("Could not read the server's answer: what"));
    EXPECT_EQ(makeError(Kind::other, QStringLiteral("SSL handshake failed")).description(),
              QStringLiteral("The request failed: SSL handshake failed"));
}
