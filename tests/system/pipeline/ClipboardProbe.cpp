// palimo-clipboard-probe: another X client for the system tests and the soak. It puts known
// contents on the CLIPBOARD and reads it back byte for byte, and competes for key grabs.
//   own NAME=FILE...         take the clipboard with these formats and keep serving them (Qt
//                            serves them, large ones by INCR; prints "owned") until killed
//   clear                    leave the clipboard without an owner
//   dump                     one line per data format: NAME SIZE SHA-256 TYPE, sorted; "empty"
//                            when the clipboard has no owner or no data, "unreadable" when its
//                            owner did not answer
//   grab KEYCODE MASK        a passive grab of the key with these X modifier bits, held until
//                            killed (prints "grabbed"); exits 1 when the server refuses it
//   move-num-lock ROW        puts Num Lock on modifier row ROW (3 Mod1 ... 7 Mod5)
//   manage                   a stand-in freedesktop clipboard manager: owns CLIPBOARD_MANAGER
//                            (prints "managing"); asked to SAVE_TARGETS, it takes the clipboard
//                            over with the same bytes and types (prints "saved") and serves it
#include "CommandReader.h"

#include "platform/x11/ClipboardOwner.h"
#include "platform/x11/ClipboardReader.h"
#include "platform/x11/XcbSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QCryptographicHash>
#include <QFile>
#include <QMimeData>
#include <QThread>
#include <QTimer>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <algorithm>
#include <cstdio>
#include <future>
#include <memory>
#include <vector>

namespace {

bool grabKey(xcb_connection_t* c, std::uint8_t keyCode, std::uint16_t modifiers) {
    xcb_generic_error_t* error = xcb_request_check(
        c, xcb_grab_key_checked(c, 0, XcbSupport::rootWindow(c), modifiers, keyCode,
                                XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    std::free(error);
    return error == nullptr;
}

// Rows one wider than before, the Num Lock keys taken out of their old row and put into the new.
bool moveNumLock(xcb_connection_t* c, int modifier) {
    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(c);
    xcb_keycode_t* found = xcb_key_symbols_get_keycode(symbols, 0xff7f); // XK_Num_Lock
    xcb_key_symbols_free(symbols);
    std::vector<xcb_keycode_t> codes;
    for (const xcb_keycode_t* code = found; code && *code != XCB_NO_SYMBOL; ++code) {
        codes.push_back(*code);
    }
    std::free(found);
    xcb_get_modifier_mapping_reply_t* mapping =
        xcb_get_modifier_mapping_reply(c, xcb_get_modifier_mapping(c), nullptr);
    if (mapping == nullptr || codes.empty()) {
        std::free(mapping);
        return false;
    }
    const int oldPer = mapping->keycodes_per_modifier;
    const int newPer = oldPer + static_cast<int>(codes.size());
    const xcb_keycode_t* rows = xcb_get_modifier_mapping_keycodes(mapping);
    std::vector<xcb_keycode_t> table(static_cast<std::size_t>(8 * newPer), 0);
    for (int row = 0; row < 8; ++row) {
        auto out = std::copy_if(rows + row * oldPer, rows + (row + 1) * oldPer,
                                table.begin() + row * newPer, [&](auto code) {
                                    return code != 0 && std::find(codes.begin(), codes.end(),
                                                                  code) == codes.end();
                                });
        if (row == modifier) {
            std::copy(codes.begin(), codes.end(), out);
        }
    }
    std::free(mapping);
    // The server answers Busy while a key of the old or new map is down; ask again briefly.
    for (int attempt = 0; attempt < 50; ++attempt) {
        xcb_set_modifier_mapping_reply_t* reply = xcb_set_modifier_mapping_reply(
            c, xcb_set_modifier_mapping(c, static_cast<std::uint8_t>(newPer), table.data()),
            nullptr);
        const int status = reply ? reply->status : -1;
        std::free(reply);
        if (status != XCB_MAPPING_STATUS_BUSY) {
            return status == XCB_MAPPING_STATUS_SUCCESS;
        }
        QThread::msleep(20);
    }
    return false;
}

bool own(ClipboardOwner& owner, const ClipboardOwner::Contents& contents) {
    std::promise<bool> done;
    owner.set(contents, [&done](bool ok) { done.set_value(ok); });
    return done.get_future().get();
}

bool takeOver(ClipboardOwner& owner) {
    const PasteboardContents saved = ClipboardReader().readAll().contents;
    if (saved.state != PasteboardContents::State::data) {
        return false;
    }
    ClipboardOwner::Contents contents;
    const PasteboardItem& item = saved.items.first();
    for (auto it = item.constBegin(); it != item.constEnd(); ++it) {
        contents.formats.append(
            {it.key().toLatin1(), saved.types.value(it.key(), it.key()).toLatin1(), it.value()});
    }
    return own(owner, contents);
}

int manage(xcb_connection_t* c) {
    const xcb_window_t window = XcbSupport::createHelperWindow(c);
    const XcbSupport::Atom saveTargets = XcbSupport::intern(c, "SAVE_TARGETS");
    xcb_set_selection_owner(c, window, XcbSupport::intern(c, "CLIPBOARD_MANAGER"),
                            XcbSupport::serverTime(c, window, XcbSupport::intern(c, "MGR_TIME")));
    xcb_flush(c);
    ClipboardOwner owner({});
    say(QStringLiteral("managing"));
    for (;;) {
        const XcbSupport::Event event = XcbSupport::waitForEvent(
            c,
            [](const void* e) {
                return (static_cast<const xcb_generic_event_t*>(e)->response_type & 0x7f) ==
                       XCB_SELECTION_REQUEST;
            },
            std::chrono::hours(1));
        if (!event) {
            continue;
        }
        const auto& request = *static_cast<const xcb_selection_request_event_t*>(event.get());
        const bool saved = request.target == saveTargets && takeOver(owner);
        if (saved) {
            say(QStringLiteral("saved"));
        }
        XcbSupport::notifySelection(c, &request, saved ? request.property : XCB_NONE);
    }
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString mode = args.value(1);
    if (mode == QLatin1String("own")) {
        auto data = std::make_unique<QMimeData>();
        for (const QString& arg : args.mid(2)) { // NAME=FILE
            QFile file(arg.section(u'=', 1));
            if (!file.open(QIODevice::ReadOnly)) {
                return 2;
            }
            data->setData(arg.section(u'=', 0, 0), file.readAll());
        }
        QApplication::clipboard()->setMimeData(data.release());
        // Qt sends the ownership request from its event loop: say so once it has gone out.
        QTimer::singleShot(100, &app, [] { say(QStringLiteral("owned")); });
        return app.exec();
    }
    if (QStringList{"grab", "move-num-lock", "manage"}.contains(mode)) {
        const XcbSupport::Connection connection = XcbSupport::connect();
        if (!connection) {
            return 2;
        }
        if (mode == QLatin1String("manage")) {
            return manage(connection.get());
        }
        if (mode == QLatin1String("move-num-lock")) {
            return moveNumLock(connection.get(), args.value(2).toInt()) ? 0 : 1;
        }
        if (!grabKey(connection.get(), static_cast<std::uint8_t>(args.value(2).toUInt()),
                     static_cast<std::uint16_t>(args.value(3).toUInt()))) {
            return 1;
        }
        say(QStringLiteral("grabbed"));
        return app.exec();
    }
    if (mode == QLatin1String("clear")) {
        ClipboardOwner owner({});
        return own(owner, {}) ? 0 : 1;
    }
    if (mode == QLatin1String("dump")) {
        // Patient, unlike Palimo: the reference to compare with must not miss a slow format.
        const PasteboardContents contents = ClipboardReader({.perFormat = std::chrono::seconds(3),
                                                             .total = std::chrono::seconds(20)})
                                                .readAll()
                                                .contents;
        const PasteboardItem item = contents.items.value(0);
        if (contents.state == PasteboardContents::State::unreadable) {
            std::printf("unreadable\n");
        } else if (item.isEmpty()) {
            std::printf("empty\n");
        }
        for (auto it = item.constBegin(); it != item.constEnd(); ++it) {
            const QByteArray sha = QCryptographicHash::hash(*it, QCryptographicHash::Sha256);
            std::printf("%s %lld %s %s\n", qPrintable(it.key()), static_cast<long long>(it->size()),
                        sha.toHex().constData(),
                        qPrintable(contents.types.value(it.key(), it.key())));
        }
        return 0;
    }
    std::fprintf(stderr, "usage: palimo-clipboard-probe own NAME=FILE... | clear | dump | "
                         "grab KEYCODE MASK | move-num-lock ROW | manage\n");
    return 2;
}
