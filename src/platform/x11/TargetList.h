#pragma once

#include <QByteArray>

#include <cstdint>
#include <vector>

// The answer of a clipboard owner to a TARGETS request: the formats it offers, as a list of
// 32-bit atoms. The bytes come from another program, so nothing about them is trusted.
namespace TargetList {

// The atoms in the order offered, without None and without repeats (an owner that names one
// format thousands of times would otherwise cost a server round trip for each). Bytes after
// the last whole atom are ignored.
std::vector<std::uint32_t> atoms(const QByteArray& bytes);

// Whether the named target describes the selection rather than holds its data, and so is never
// saved.
bool isProtocolTarget(const QByteArray& name);

} // namespace TargetList
