// The X11 clipboard backend against the X server: what goes out comes back byte for byte (large
// formats through INCR, MULTIPLE answered, types kept), oversized and slow formats are left out
// with a reason, a clipboard that cannot be read is never mistaken for an empty one, late answers
// never fill another format, and only the paste target's fetches of Palimo's text count.
#include "platform/x11/ClipboardOwner.h"
#include "platform/x11/ClipboardReader.h"
#include "platform/x11/X11Pasteboard.h"
#include "platform/x11/XcbSupport.h"

#include <QTest>

#include <qcoro/qcorotask.h>

#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <atomic>
#include <future>
#include <thread>

using State = PasteboardContents::State;
using namespace std::chrono_literals;

namespace {

bool isEvent(const void* e, std::uint8_t type) {
    return (static_cast<const xcb_generic_event_t*>(e)->response_type & 0x7f) == type;
}

// Another application's clipboard: owns CLIPBOARD on a connection and thread of its own and
// answers one request at a time, TARGETS after targetsDelay and every format after formatDelay,
// as a busy application does. Formats are sent whole (keep them small).
class SlowOwner {
public:
    SlowOwner(QMap<QByteArray, QByteArray> formats, std::chrono::milliseconds formatDelay,
              std::chrono::milliseconds targetsDelay)
        : m_formats(std::move(formats))
        , m_formatDelay(formatDelay)
        , m_targetsDelay(targetsDelay)
        , m_thread([this] { serve(); }) {}
    ~SlowOwner() {
        m_stop = true;
        m_thread.join();
    }
    SlowOwner(const SlowOwner&) = delete;
    SlowOwner& operator=(const SlowOwner&) = delete;

    bool own() { return m_owned.get_future().get(); }

private:
    void serve() {
        const XcbSupport::Connection connection = XcbSupport::connect();
        xcb_connection_t* c = connection.get();
        if (c == nullptr) {
            m_owned.set_value(false);
            return;
        }
        const xcb_window_t window = XcbSupport::createHelperWindow(c);
        const XcbSupport::Atom clipboard = XcbSupport::intern(c, "CLIPBOARD");
        const XcbSupport::Atom targets = XcbSupport::intern(c, "TARGETS");
        std::vector<XcbSupport::Atom> offered = {targets};
        QMap<XcbSupport::Atom, QByteArray> byAtom;
        for (auto it = m_formats.constBegin(); it != m_formats.constEnd(); ++it) {
            offered.push_back(XcbSupport::intern(c, it.key()));
            byAtom.insert(offered.back(), it.value());
        }
        xcb_set_selection_owner(c, window, clipboard,
                                XcbSupport::serverTime(c, window, XcbSupport::intern(c, "T")));
        xcb_get_selection_owner_reply_t* reply =
            xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, clipboard), nullptr);
        m_owned.set_value(reply != nullptr && reply->owner == window);
        std::free(reply); // NOLINT
        while (!m_stop) {
            const XcbSupport::Event event = XcbSupport::waitForEvent(
                c, [](const void* e) { return isEvent(e, XCB_SELECTION_REQUEST); }, 50ms);
            if (!event) {
                continue;
            }
            const auto& request = *static_cast<const xcb_selection_request_event_t*>(event.get());
            XcbSupport::Atom answer = request.property;
            std::this_thread::sleep_for(request.target == targets ? m_targetsDelay : m_formatDelay);
            if (request.target == targets) {
                xcb_change_property(c, XCB_PROP_MODE_REPLACE, request.requestor, request.property,
                                    XCB_ATOM_ATOM, 32, static_cast<std::uint32_t>(offered.size()),
                                    offered.data());
            } else if (byAtom.contains(request.target)) {
                const QByteArray& data = byAtom[request.target];
                xcb_change_property(c, XCB_PROP_MODE_REPLACE, request.requestor, request.property,
                                    request.target, 8, static_cast<std::uint32_t>(data.size()),
                                    data.constData());
            } else {
                answer = XCB_NONE;
            }
            XcbSupport::notifySelection(c, &request, answer);
        }
    }

    QMap<QByteArray, QByteArray> m_formats;
    std::chrono::milliseconds m_formatDelay;
    std::chrono::milliseconds m_targetsDelay;
    std::atomic<bool> m_stop{false};
    std::promise<bool> m_owned;
    std::thread m_thread;
};

// Another client asking the clipboard's owner for target into property of its window: the
// notify's property (None when refused or unanswered).
xcb_atom_t convert(xcb_connection_t* c, xcb_window_t window, xcb_atom_t target,
                   xcb_atom_t property) {
    xcb_convert_selection(c, window, XcbSupport::intern(c, "CLIPBOARD"), target, property,
                          XCB_CURRENT_TIME);
    xcb_flush(c);
    const XcbSupport::Event event = XcbSupport::waitForEvent(
        c, [](const void* e) { return isEvent(e, XCB_SELECTION_NOTIFY); }, 2000ms);
    return event ? static_cast<const xcb_selection_notify_event_t*>(event.get())->property
                 : xcb_atom_t{XCB_NONE};
}

} // namespace

TEST(ClipboardSystem, FormatsAndTypesComeBackByteForByteUnlessOversized) {
    std::unique_ptr<X11Pasteboard> pasteboard = X11Pasteboard::create();
    ASSERT_TRUE(pasteboard);
    QByteArray big(3 * 1024 * 1024 + 17, Qt::Uninitialized); // well over one request: INCR
    for (qsizetype i = 0; i < big.size(); ++i) {
        big[i] = static_cast<char>((i * 131 + i / 251) & 0xff);
    }
    PasteboardContents saved;
    saved.state = State::data;
    saved.items = {{{"UTF8_STRING", "h\xc3\xa9llo\r\nworld"},
                    {"TEXT", "caf\xc3\xa9"},
                    {"text/html", "<b>h\xc3\xa9llo</b>"},
                    {"application/x-big", big},
                    {"application/x-empty", QByteArray()}}};
    saved.types = {{"TEXT", "UTF8_STRING"}};
    ASSERT_TRUE(QCoro::waitFor(pasteboard->writeAll(saved)));
    ClipboardReader reader;
    const ClipboardReader::Snapshot all = reader.readAll();
    EXPECT_EQ(all.contents, saved); // and no protocol targets
    EXPECT_TRUE(all.dropped.isEmpty());
    EXPECT_EQ(reader.readText(), QStringLiteral("h\u00e9llo\r\nworld"));

    ClipboardReader::Limits limits;
    limits.maxFormatBytes = 1024 * 1024;
    const ClipboardReader::Snapshot some = ClipboardReader(limits).readAll();
    PasteboardItem capped = saved.items.first();
    capped.remove("application/x-big");
    EXPECT_TRUE(some.contents.items == QList<PasteboardItem>{capped});
    EXPECT_EQ(some.dropped, (QList<std::pair<QString, QString>>{
                                {"application/x-big", "it is larger than 1 MiB"}}));

    // ICCCM MULTIPLE: pairs of target and property, None for the one that cannot be served.
    const XcbSupport::Connection connection = XcbSupport::connect();
    xcb_connection_t* c = connection.get();
    const xcb_window_t window = XcbSupport::createHelperWindow(c);
    const std::vector<XcbSupport::Atom> atoms = XcbSupport::intern(
        c, {"MULTIPLE", "TEXT", "text/html", "image/none", "P1", "P2", "P3", "PAIRS", "ATOM_PAIR"});
    std::vector<XcbSupport::Atom> pairs = {atoms[1], atoms[4], atoms[2],
                                           atoms[5], atoms[3], atoms[6]};
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, atoms[7], atoms[8], 32,
                        static_cast<std::uint32_t>(pairs.size()), pairs.data());
    ASSERT_EQ(convert(c, window, atoms[0], atoms[7]), atoms[7]);
    const auto answered = XcbSupport::readProperty(c, window, atoms[7], false, 1024);
    ASSERT_TRUE(answered);
    pairs[5] = XCB_NONE;
    EXPECT_EQ(answered->bytes, QByteArray(reinterpret_cast<const char*>(pairs.data()),
                                          static_cast<qsizetype>(pairs.size() * 4)));
    EXPECT_EQ(XcbSupport::readProperty(c, window, atoms[4], false, 1024)->bytes, "caf\xc3\xa9");
    EXPECT_EQ(XcbSupport::readProperty(c, window, atoms[5], false, 1024)->bytes,
              "<b>h\xc3\xa9llo</b>");

    ASSERT_TRUE(QCoro::waitFor(pasteboard->writeAll({}))); // cleared: no owner, nothing read
    EXPECT_EQ(reader.readAll().contents, PasteboardContents());
    EXPECT_FALSE(reader.readText().has_value());
}

// A slow owner is read whole while it keeps within the limits; past them it never turns into an
// empty clipboard, and an answer that comes after its request was given up never fills the
// format asked for next.
TEST(ClipboardSystem, SlowOwnersAreReadInTimeOrUnreadableNeverEmptyOrMixedUp) {
    const QMap<QByteArray, QByteArray> sent = {{"text/html", "<b>markup</b>"},
                                               {"UTF8_STRING", "plain"}};
    struct Row {
        const char* name;
        std::chrono::milliseconds formatDelay, targetsDelay;
        QString reason; // empty: read whole
    };
    for (const Row& row : {Row{"slow but in time", 150ms, 150ms, {}},
                           Row{"formats too slow", 700ms, 0ms, "its owner did not answer"},
                           Row{"TARGETS too slow", 0ms, 700ms, "its owner did not list"}}) {
        SlowOwner owner(sent, row.formatDelay, row.targetsDelay);
        ASSERT_TRUE(owner.own());
        const ClipboardReader::Snapshot snapshot = ClipboardReader().readAll();
        const PasteboardItem item = snapshot.contents.items.value(0);
        for (auto it = item.constBegin(); it != item.constEnd(); ++it) {
            EXPECT_EQ(*it, sent.value(it.key().toLatin1()))
                << row.name << ": " << it.key().toStdString();
        }
        if (row.reason.isEmpty()) {
            EXPECT_EQ(snapshot.contents.state, State::data) << row.name;
            EXPECT_EQ(item.size(), sent.size()) << row.name;
            continue;
        }
        EXPECT_EQ(snapshot.contents.state, State::unreadable) << row.name;
        ASSERT_FALSE(snapshot.dropped.isEmpty()) << row.name;
        EXPECT_TRUE(snapshot.dropped.first().second.startsWith(row.reason))
            << snapshot.dropped.first().second.toStdString();
    }
    std::unique_ptr<X11Pasteboard> pasteboard = X11Pasteboard::create();
    PasteboardContents unreadable;
    unreadable.state = State::unreadable;
    EXPECT_FALSE(QCoro::waitFor(pasteboard->writeAll(unreadable))) << "would clear the clipboard";
}

TEST(ClipboardSystem, OnlyTheTargetsFetchesOfTheTextCount) {
    std::unique_ptr<X11Pasteboard> pasteboard = X11Pasteboard::create();
    ASSERT_TRUE(pasteboard);
    const XcbSupport::Connection target = XcbSupport::connect();
    const xcb_window_t targetWindow = XcbSupport::createHelperWindow(target.get());
    const std::uint64_t changes = pasteboard->changeCount();
    ASSERT_TRUE(
        QCoro::waitFor(pasteboard->writeText(QStringLiteral("r\u00e9sultat"), targetWindow)));
    EXPECT_TRUE(pasteboard->holdsOwnWrite());
    EXPECT_TRUE(QTest::qWaitFor([&] { return pasteboard->changeCount() > changes; }, 2000));

    // Another client (a clipboard manager, say) reads every format: not the paste.
    const std::uint64_t fetches = pasteboard->fetchCount();
    ClipboardReader reader;
    EXPECT_EQ(reader.read(QStringLiteral("x-kde-passwordManagerHint")), QByteArray("secret"));
    EXPECT_EQ(reader.readText(), QStringLiteral("r\u00e9sultat"));
    EXPECT_EQ(reader.read(QStringLiteral("STRING")), QByteArray("r\xe9sultat")); // Latin-1
    EXPECT_FALSE(QTest::qWaitFor([&] { return pasteboard->fetchCount() > fetches; }, 2000));

    // The target's own window asks: that is the paste.
    xcb_connection_t* c = target.get();
    const xcb_window_t requestor = XcbSupport::createHelperWindow(c);
    const XcbSupport::Atom property = XcbSupport::intern(c, "PASTED");
    EXPECT_EQ(convert(c, requestor, XcbSupport::intern(c, "UTF8_STRING"), property), property);
    EXPECT_TRUE(QTest::qWaitFor([&] { return pasteboard->fetchCount() > fetches; }, 2000));

    // Text beyond Latin-1 is not offered as STRING with "?" in place of what does not fit.
    ASSERT_TRUE(QCoro::waitFor(pasteboard->writeText(QStringLiteral("\u65e5\u672c"), 0)));
    EXPECT_FALSE(reader.read(QStringLiteral("STRING")).has_value());
    EXPECT_EQ(reader.readText(), QStringLiteral("\u65e5\u672c"));

    ClipboardOwner other({}); // another application takes the clipboard
    std::promise<bool> owned;
    other.set({{{"UTF8_STRING", "UTF8_STRING", "newer"}}},
              [&owned](bool ok) { owned.set_value(ok); });
    ASSERT_TRUE(owned.get_future().get());
    // The loss arrives as an event on Palimo's own connection, which a busy machine delivers late.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !pasteboard->holdsOwnWrite(); }, 2000));
    ASSERT_TRUE(QCoro::waitFor(pasteboard->writeAll({})));
    EXPECT_EQ(QCoro::waitFor(pasteboard->readAll()), PasteboardContents());
}
