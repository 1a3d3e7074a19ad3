#include "platform/x11/TargetList.h"

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

} // namespace TargetList
