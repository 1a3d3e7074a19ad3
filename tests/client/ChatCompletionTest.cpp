#include "client/ChatCompletion.h"
#include "ClientFixture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

TEST(ChatCompletionTest, BodyIsModelTemperatureAndTheTwoMessagesExactly) {
    // The prompt's text itself is pinned by the digest of the whole body in OpenAIClientTest.
    const QString& prompt = ChatCompletion::systemPrompt();
    RewriteRequest request;
    request.text = u"  caf\u00e9 \"quoted\" </text>\n"_s;
    request.instructions = u" Shorter.\n"_s;
    request.origin = RewriteRequest::Origin::customPrompt;
    const QByteArray body = ChatCompletion::requestBody(request, u"llama3.2"_s);
    const auto message = [](const QString& role, const QString& content) {
        return QJsonObject{{u"role"_s, role}, {u"content"_s, content}};
    };
    EXPECT_EQ(
        QJsonDocument::fromJson(body).object(),
        (QJsonObject{{u"model"_s, u"llama3.2"_s},
                     {u"temperature"_s, 0.3},
                     {u"messages"_s,
                      QJsonArray{message(u"system"_s, prompt + request.instructions),
                                 message(u"user"_s, "<text>\n" + request.text + "\n</text>")}}}));
}

TEST(ChatCompletionTest, StripTagsRemovesOneWrapperAtTheEdgesOnly) {
    const std::pair<QString, QString> cases[] = {
        {u"  <text>\n word \n</text>  "_s, u"word"_s},
        {u"\n\tplain text \n"_s, u"plain text"_s},
        {u"<text><text>x</text></text>"_s, u"<text>x</text>"_s},
        {u"a <text>b</text> c"_s, u"a <text>b</text> c"_s},
        {u"<text>only open"_s, u"only open"_s},
        {u"only close</text>"_s, u"only close"_s},
        {u"<text>\n</text>"_s, QString()},
        {u"<text>\n- a\n  - b\n</text>"_s, u"- a\n  - b"_s}, // inner layout survives
    };
    for (const auto& [content, cleaned] : cases) {
        EXPECT_EQ(ChatCompletion::stripTags(content), cleaned) << content.toStdString();
    }
}

TEST(ChatCompletionTest, DecodesContentAndUsageStrictly) {
    const auto full = expect<RewriteResult>(ChatCompletion::decodeAnswer(
        R"({"id":"x","choices":[{"message":{"role":"assistant","content":"<text>\nHi\n</text>"}},
            {"message":{"content":"second"}}],"usage":{"prompt_tokens":12,"completion_tokens":3}})"));
    EXPECT_EQ(full.text, u"Hi"_s);
    EXPECT_EQ(full.promptTokens, 12);
    EXPECT_EQ(full.completionTokens, 3);
    const auto noUsage = expect<RewriteResult>(
        ChatCompletion::decodeAnswer(R"({"choices":[{"message":{"content":"ok"}}],"usage":null})"));
    EXPECT_EQ(noUsage.promptTokens + noUsage.completionTokens, 0);

    // One answer per line: the first ones break the shape, the last ones the usage counts.
    const QByteArray broken = R"(not json
[1,2]
{"usage":{"prompt_tokens":1,"completion_tokens":1}}
{"choices":{}}
{"choices":[{}]}
{"choices":[{"message":{"content":null}}]}
{"choices":[{"message":{"content":42}}]}
{"choices":[{"message":{"content":"ok"}},{"message":{"content":null}}]}
{"choices":[{"message":{"content":"ok"}}],"usage":{"prompt_tokens":1}}
{"choices":[{"message":{"content":"ok"}}],"usage":{"prompt_tokens":1.5,"completion_tokens":1}}
{"choices":[{"message":{"content":"ok"}}],"usage":{"prompt_tokens":"1","completion_tokens":1}}
{"choices":[{"message":{"content":"ok"}}],"usage":{"prompt_tokens":-4,"completion_tokens":1}}
{"choices":[{"message":{"content":"ok"}}],"usage":7})";
    for (const QByteArray& body : broken.split('\n')) {
        const RewriteError error = expect<RewriteError>(ChatCompletion::decodeAnswer(body));
        EXPECT_EQ(error.kind, Kind::decoding) << body.toStdString();
        EXPECT_FALSE(error.detail.isEmpty());
    }
    for (const char* body : {R"({"choices":[]})", R"({"choices":[{"message":{"content":" "}}]})"}) {
        EXPECT_EQ(expect<RewriteError>(ChatCompletion::decodeAnswer(body)).kind,
                  Kind::emptyCompletion);
    }
}

// An error body goes into a log line: it must not forge lines, echo a key or fill the log.
TEST(ChatCompletionTest, BodyTextIsUtf8ShortOneLineAndKeyFree) {
    EXPECT_EQ(ChatCompletion::bodyText("caf\xc3\xa9"), u"caf\u00e9"_s);
    EXPECT_EQ(ChatCompletion::bodyText(QByteArray()), QString());
    EXPECT_EQ(ChatCompletion::bodyText("cut \xc3"), u"<no body>"_s);
    const QByteArray huge =
        "{\"error\": \"Incorrect API key provided: sk-proj-Ab12_cd34-EF56. "
        "See Bearer abc.def-123456\"}\n2026-01-01T00:00:00Z forged line\r\x1b[2J" +
        QByteArray(8 * 1024 * 1024, 'x');
    const QString text = ChatCompletion::bodyText(huge);
    EXPECT_LE(text.size(), ChatCompletion::bodyTextLimit + 40);
    EXPECT_TRUE(
        text.startsWith(u"{\"error\": \"Incorrect API key provided: sk-<redacted> See "
                        u"Bearer <redacted>\"}\\n2026-01-01T00:00:00Z forged line\\r\\u001b[2J"_s))
        << text.left(200).toStdString();
    EXPECT_TRUE(text.endsWith(u" \u2026 (%1 bytes in all)"_s.arg(huge.size())))
        << text.right(40).toStdString();
}
