// A clipboard owner's answer to TARGETS, as any program on the display may send it.
#include "FuzzCheck.h"

#include "platform/x11/TargetList.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <set>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const std::vector<std::uint32_t> atoms = TargetList::atoms(bytes);

    std::set<std::uint32_t> offered;
    for (std::size_t i = 0; i + 4 <= size; i += 4) {
        std::uint32_t atom = 0;
        std::memcpy(&atom, data + i, sizeof atom);
        offered.insert(atom);
    }
    const std::set<std::uint32_t> distinct(atoms.begin(), atoms.end());
    fuzzCheck(distinct.size() == atoms.size(), "no format is listed twice");
    fuzzCheck(!distinct.contains(0), "None is not a format");
    for (const std::uint32_t atom : atoms) {
        fuzzCheck(offered.contains(atom), "every format listed was offered");
    }
    fuzzCheck(atoms.size() == offered.size() - (offered.contains(0) ? 1 : 0),
              "every format offered is listed");
    return 0;
}
