#include "platform/x11/X11KeyChoice.h"

#include <algorithm>
#include <cstddef>

using std::size_t;

namespace X11KeyChoice {

std::uint8_t keyCodeForLetter(const KeyboardMapping& mapping, std::uint32_t letterKeysym,
                              std::uint8_t positionalKeyCode) {
    const int perKey = mapping.keysymsPerKeyCode;
    if (perKey <= 0) {
        return positionalKeyCode;
    }
    const std::uint32_t upper = letterKeysym - 0x20; // Latin-1 keysyms: 'c' 0x63, 'C' 0x43
    // A mapping longer than the key codes X has (up to 255) must not wrap round to low codes.
    const size_t keys = std::min(mapping.keysyms.size() / static_cast<size_t>(perKey),
                                 size_t{256} - mapping.minKeyCode);
    // Column pairs are groups (0-1 group 1, 2-3 group 2, ...): the first group wins.
    for (int column = 0; column < perKey; ++column) {
        for (size_t key = 0; key < keys; ++key) {
            const std::uint32_t keysym =
                mapping.keysyms[key * static_cast<size_t>(perKey) + static_cast<size_t>(column)];
            if (keysym == letterKeysym || keysym == upper) {
                return static_cast<std::uint8_t>(mapping.minKeyCode + key);
            }
        }
    }
    return positionalKeyCode;
}

const std::vector<int>& releaseOrder() {
    static const std::vector<int> order = {3, 6, 7, 5, 4, 0, 1, 2};
    return order;
}

} // namespace X11KeyChoice
