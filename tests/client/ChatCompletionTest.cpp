#include "client/ChatCompletion.h"
#include "ClientFixture.h"

// (A wrapper in a wrapper, and a wrapper around nothing, are rows of hostile-server-test.sh.)
TEST(ChatCompletionTest, StripTagsRemovesOneWrapperAtTheEdgesOnly) {
    const std::pair<QString, QString> cases[] = {
        {u"  <text>\n word \n</text>  "_s, u"word"_s},
        {u"\n\tplain text \n"_s, u"plain text"_s},
        {u"a <text>b</text> c"_s, u"a <text>b</text> c"_s},
        {u"<text>only open"_s, u"only open"_s},
        {u"only close</text>"_s, u"only close"_s},
        {u"<text>\n- a\n  - b\n</text>"_s, u"- a\n  - b"_s}, // inner layout survives
    };
    for (const auto& [content, cleaned] : cases) {
        EXPECT_EQ(ChatCompletion::stripTags(content), cleaned) << content.toStdString();
    }
}

// Answers a lax decoder would take; the plainer faults (not JSON, null content, no choices, no or
// negative usage, empty text) are rows of hostile-server-test.sh, run against the palimo binary.
TEST(ChatCompletionTest, DecodingIsStrictAboutShapeAndUsage) {
    const QByteArray broken = R"({"choices":{}}
{"choices":[{}]}
{"choices":[{"message":{"content":42}}]}
{"choices":[{"message":{"content":"ok"}},{"message":{"content":null}}]}
{"choices":[{"message":{"content":"ok"}}],"usage":{"prompt_tokens":1}}
{"choices":[{"message":{"content":"ok"}}],"usage":{"prompt_tokens":1.5,"completion_tokens":1}}
{"choices":[{"message":{"content":"ok"}}],"usage":{"prompt_tokens":"1","completion_tokens":1}}
{"choices":[{"message":{"content":"ok"}}],"usage":7})";
    for (const QByteArray& body : broken.split('\n')) {
        const RewriteError error = expect<RewriteError>(ChatCompletion::decodeAnswer(body));
        EXPECT_EQ(error.kind, Kind::decoding) << body.toStdString();
        EXPECT_FALSE(error.detail.isEmpty());
    }
}

// An error body goes into a log line: it must not forge lines, echo a key or fill the log.
TEST(ChatCompletionTest, BodyTextIsUtf8ShortOneLineAndKeyFree) {
    EXPECT_EQ(ChatCompletion::bodyText("caf\xc3\xa9"), u"caf\u00e9"_s);
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
