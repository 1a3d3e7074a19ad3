// The X11 clipboard backend against the X server: what goes out comes back byte for byte
// (large formats through INCR), oversized formats are left out, a silent owner costs a bounded
// wait, and fetches of Palimo's own text are seen.
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

bool own(ClipboardOwner& owner, ClipboardOwner::Contents contents) {
    std::promise<bool> done;
    owner.set(std::move(contents), [&done](bool ok) { done.set_value(ok); });
    return done.get_future().get();
}

} // namespace

TEST(ClipboardSystem, EveryFormatComesBackByteForByteUnlessOversized) {
    ClipboardOwner owner({});
    ASSERT_TRUE(owner.isConnected());
    QByteArray big(3 * 1024 * 1024 + 17, Qt::Uninitialized); // well over one request: INCR
    for (qsizetype i = 0; i < big.size(); ++i) {
        big[i] = static_cast<char>((i * 131 + i / 251) & 0xff);
    }
    const PasteboardItem sent = {{"UTF8_STRING", "h\xc3\xa9llo\r\nworld"},
                                 {"text/html", "<b>h\xc3\xa9llo</b>"},
                                 {"application/x-big", big},
                                 {"application/x-empty", QByteArray()}};
    ClipboardOwner::Contents contents;
    for (auto it = sent.constBegin(); it != sent.constEnd(); ++it) {
        contents.formats.append({it.key().toLatin1(), it.key().toLatin1(), it.value()});
    }
    ASSERT_TRUE(own(owner, contents));
    ClipboardReader reader;
    EXPECT_TRUE(reader.readAll() == QList<PasteboardItem>{sent}); // and no protocol targets
    EXPECT_EQ(reader.readText(), QStringLiteral("h\u00e9llo\r\nworld"));

    ClipboardReader::Limits limits;
    limits.maxFormatBytes = 1024 * 1024;
    PasteboardItem capped = sent;
    capped.remove("application/x-big");
    EXPECT_TRUE(ClipboardReader(limits).readAll() == QList<PasteboardItem>{capped});

    ASSERT_TRUE(own(owner, {})); // cleared: no owner, nothing read
    EXPECT_TRUE(reader.readAll().isEmpty());
    EXPECT_FALSE(reader.readText().has_value());
}

TEST(ClipboardSystem, ASilentOwnerCostsABoundedWait) {
    // Another client takes the clipboard and then never answers a request.
    const XcbSupport::Connection silent = XcbSupport::connect();
    xcb_connection_t* c = silent.get();
    xcb_set_selection_owner(c, XcbSupport::createHelperWindow(c),
                            XcbSupport::intern(c, "CLIPBOARD"), XCB_CURRENT_TIME);
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr)); // NOLINT
    ClipboardReader::Limits limits;
    limits.perFormat = std::chrono::milliseconds(200);
    limits.total = std::chrono::milliseconds(600);
    ClipboardReader reader(limits);
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(reader.readAll(), QList<PasteboardItem>{PasteboardItem()});
    EXPECT_LT(timer.elapsed(), 2000);
    EXPECT_FALSE(reader.read(QStringLiteral("UTF8_STRING")).has_value());
}

TEST(ClipboardSystem, PasteboardSeesChangesAndFetchesOfItsText) {
    std::unique_ptr<X11Pasteboard> pasteboard = X11Pasteboard::create();
    ASSERT_TRUE(pasteboard);
    const std::uint64_t changes = pasteboard->changeCount();
    ASSERT_TRUE(QCoro::waitFor(pasteboard->writeText(QStringLiteral("r\u00e9sultat"))));

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

    ASSERT_TRUE(QCoro::waitFor(pasteboard->writeAll({})));
    EXPECT_TRUE(QCoro::waitFor(pasteboard->readAll()).isEmpty());
}
