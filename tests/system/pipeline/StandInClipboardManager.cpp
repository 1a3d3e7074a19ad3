// palimo-clipboard-manager: a stand-in for a freedesktop clipboard manager. It owns the
// CLIPBOARD_MANAGER selection (prints "managing"), and when an application asks it to
// SAVE_TARGETS before quitting, it reads the clipboard, takes it over with the same bytes and
// types, and answers the request. It serves the saved clipboard until killed.
#include "platform/x11/ClipboardOwner.h"
#include "platform/x11/ClipboardReader.h"
#include "platform/x11/XcbSupport.h"

#include <QCoreApplication>

#include <xcb/xcb.h>

#include <cstdio>
#include <future>

namespace {

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
    std::promise<bool> done;
    owner.set(contents, [&done](bool ok) { done.set_value(ok); });
    return done.get_future().get();
}

} // namespace

int main(int argc, char** argv) {
    const QCoreApplication app(argc, argv);
    const XcbSupport::Connection connection = XcbSupport::connect();
    xcb_connection_t* c = connection.get();
    if (c == nullptr) {
        return 2;
    }
    const xcb_window_t window = XcbSupport::createHelperWindow(c);
    const XcbSupport::Atom manager = XcbSupport::intern(c, "CLIPBOARD_MANAGER");
    const XcbSupport::Atom saveTargets = XcbSupport::intern(c, "SAVE_TARGETS");
    xcb_set_selection_owner(c, window, manager,
                            XcbSupport::serverTime(c, window, XcbSupport::intern(c, "MGR_TIME")));
    xcb_flush(c);
    ClipboardOwner owner({});
    std::printf("managing\n");
    std::fflush(stdout);
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
            std::printf("saved\n");
            std::fflush(stdout);
        }
        XcbSupport::notifySelection(c, &request, saved ? request.property : XCB_NONE);
    }
}
