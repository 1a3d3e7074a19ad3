// The X11 clipboard backend against the X server: what goes out comes back byte for byte
// (large formats through INCR), a silent owner costs a bounded wait, oversized formats are left
// out, and fetches of Palimo's own text are seen.
#include "platform/x11/ClipboardOwner.h"
#include "platform/x11/ClipboardReader.h"
#include "platform/x11/X11Pasteboard.h"
#include "platform/x11/XcbSupport.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <qcoro/qcorotask.h>

#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <future>

namespace {

QByteArray pattern(qsizetype size) {
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 131 + i / 251) & 0xff);
    }
    return bytes;
}

bool own(ClipboardOwner& owner, ClipboardOwner::Contents contents) {
    std::promise<bool> done;
    owner.set(std::move(contents), [&done](bool ok) { done.set_value(ok); });
    return done.get_future().get();
}

// Another client that takes the clipboard and then never answers a request.
class SilentOwner {
public:
    SilentOwner()
        : m_connection(XcbSupport::connect()) {
        xcb_connection_t* c = m_connection.get();
        const xcb_window_t window = XcbSupport::createHelperWindow(c);
        xcb_set_selection_owner(c, window, XcbSupport::intern(c, "CLIPBOARD"), XCB_CURRENT_TIME);
        std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr)); // NOLINT
    }

private:
    XcbSupport::Connection m_connection;
};

template <typename T> T await(QCoro::Task<T> task) {
    return QCoro::waitFor(std::move(task));
}

} // namespace

TEST(ClipboardSystem, EveryFormatComesBackByteForByteLargeOnesInChunks) {
    ClipboardOwner owner({});
    ASSERT_TRUE(owner.isConnected());
    const QByteArray big = pattern(3 * 1024 * 1024 + 17); // well over one request: INCR
    ASSERT_TRUE(own(owner, {{{"UTF8_STRING", "UTF8_STRING", "h\xc3\xa9llo\r\nworld"},
                             {"text/html", "text/html", "<b>h\xc3\xa9llo</b>"},
                             {"application/x-big", "application/x-big", big},
                             {"application/x-empty", "application/x-empty", QByteArray()}},
                            false}));
    ClipboardReader reader;
    const QList<PasteboardItem> items = reader.readAll();
    ASSERT_EQ(items.size(), 1);
    EXPECT_EQ(items[0].value("UTF8_STRING"), QByteArray("h\xc3\xa9llo\r\nworld"));
    EXPECT_EQ(items[0].value("text/html"), QByteArray("<b>h\xc3\xa9llo</b>"));
    EXPECT_TRUE(items[0].value("application/x-big") == big);
    EXPECT_TRUE(items[0].contains("application/x-empty"));
    EXPECT_FALSE(items[0].contains("TARGETS"));
    EXPECT_FALSE(items[0].contains("TIMESTAMP"));
    EXPECT_EQ(reader.readText(), QStringLiteral("h\u00e9llo\r\nworld"));

    // Cleared: no owner, nothing read.
    ASSERT_TRUE(own(owner, {}));
    EXPECT_TRUE(reader.readAll().isEmpty());
    EXPECT_FALSE(reader.readText().has_value());
}

TEST(ClipboardSystem, ASilentOwnerCostsABoundedWait) {
    const SilentOwner silent;
    ClipboardReader::Limits limits;
    limits.perFormat = std::chrono::milliseconds(200);
    limits.total = std::chrono::milliseconds(600);
    ClipboardReader reader(limits);
    QElapsedTimer timer;
    timer.start();
    const QList<PasteboardItem> items = reader.readAll();
    EXPECT_LT(timer.elapsed(), 2000);
    ASSERT_EQ(items.size(), 1);
    EXPECT_TRUE(items[0].isEmpty());
    EXPECT_FALSE(reader.read(QStringLiteral("UTF8_STRING")).has_value());
}

TEST(ClipboardSystem, AnOversizedFormatIsLeftOutAndTheRestKept) {
    ClipboardOwner owner({});
    ASSERT_TRUE(own(owner, {{{"image/png", "image/png", pattern(2 * 1024 * 1024)},
                             {"text/plain", "text/plain", "small"}},
                            false}));
    ClipboardReader::Limits limits;
    limits.maxFormatBytes = 1024 * 1024;
    ClipboardReader reader(limits);
    const QList<PasteboardItem> items = reader.readAll();
    ASSERT_EQ(items.size(), 1);
    EXPECT_FALSE(items[0].contains("image/png"));
    EXPECT_EQ(items[0].value("text/plain"), QByteArray("small"));
}

TEST(ClipboardSystem, PasteboardSeesChangesAndFetchesOfItsText) {
    std::unique_ptr<X11Pasteboard> pasteboard = X11Pasteboard::create();
    ASSERT_TRUE(pasteboard);
    const std::uint64_t changes = pasteboard->changeCount();
    ASSERT_TRUE(await(pasteboard->writeText(QStringLiteral("r\u00e9sultat"))));

    const std::uint64_t fetches = pasteboard->fetchCount();
    ClipboardReader reader;
    EXPECT_EQ(reader.read(QStringLiteral("x-kde-passwordManagerHint")), QByteArray("secret"));
    EXPECT_EQ(reader.readText(), QStringLiteral("r\u00e9sultat"));
    EXPECT_EQ(reader.read(QStringLiteral("STRING")), QByteArray("r\xe9sultat"));

    QEventLoop loop;
    QTimer::singleShot(2000, &loop, &QEventLoop::quit);
    const int id = pasteboard->subscribe([&] {
        if (pasteboard->fetchCount() > fetches && pasteboard->changeCount() > changes) {
            loop.quit();
        }
    });
    loop.exec();
    pasteboard->unsubscribe(id);
    EXPECT_GT(pasteboard->changeCount(), changes);
    EXPECT_GT(pasteboard->fetchCount(), fetches); // the text, not the hint, counts

    ASSERT_TRUE(await(pasteboard->writeAll({})));
    EXPECT_TRUE(await(pasteboard->readAll()).isEmpty());
}
