#include "platform/x11/TargetList.h"

#include <QSet>

#include <cstring>
#include <unordered_set>

namespace TargetList {

std::vector<std::uint32_t> atoms(const QByteArray& bytes) {
    const auto count = static_cast<std::size_t>(bytes.size()) / sizeof(std::uint32_t);
    std::vector<std::uint32_t> offered;
    std::unordered_set<std::uint32_t> seen;
    for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t atom = 0;
        // The bytes need not be aligned for a 32-bit load.
        std::memcpy(&atom, bytes.constData() + i * sizeof atom, sizeof atom);
        if (atom != 0 && seen.insert(atom).second) {
            offered.push_back(atom);
        }
    }
    return offered;
}

bool isProtocolTarget(const QByteArray& name) {
    // ICCCM's side-effect and meta targets, X resources that die with their owner, and Qt's
    // and GTK's internal bookkeeping.
    static const QSet<QByteArray> names = {
        "TARGETS",
        "MULTIPLE",
        "TIMESTAMP",
        "SAVE_TARGETS",
        "DELETE",
        "INSERT_SELECTION",
        "INSERT_PROPERTY",
        "LENGTH",
        "LIST_LENGTH",
        "HOST_NAME",
        "USER",
        "CLIENT_WINDOW",
        "OWNER_OS",
        "PROCESS",
        "TASK",
        "CLASS",
        "NAME",
        "PIXMAP",
        "BITMAP",
        "DRAWABLE",
        "COLORMAP",
        "ATOM",
        "ATOM_PAIR",
        "SPAN",
        "_QT_SELECTION",
        "_GTK_TEXT_BUFFER_CONTENTS_FORMATS",
        "GTK_TEXT_BUFFER_CONTENTS",
    };
    return names.contains(name);
}

} // namespace TargetList
