#include "platform/sway/SwayWindows.h"

#include "platform/sway/SwayIpc.h"

#include <QJsonArray>

#include <optional>

namespace {

std::optional<QJsonObject> findFocused(const QJsonObject& node) {
    if (node.value(QStringLiteral("focused")).toBool()) {
        return node;
    }
    for (const char* children : {"nodes", "floating_nodes"}) {
        for (const QJsonValue& child : node.value(QLatin1String(children)).toArray()) {
            if (std::optional<QJsonObject> found = findFocused(child.toObject())) {
                return found;
            }
        }
    }
    return std::nullopt;
}

QPointF topLeft(const QJsonValue& rect) {
    return {rect[QStringLiteral("x")].toDouble(), rect[QStringLiteral("y")].toDouble()};
}

} // namespace

std::unique_ptr<SwayWindows> SwayWindows::create() {
    std::unique_ptr<SwayIpc> ipc = SwayIpc::connect(SwayIpc::sessionSocket());
    return ipc ? std::unique_ptr<SwayWindows>(new SwayWindows(std::move(ipc))) : nullptr;
}

SwayWindows::SwayWindows(std::unique_ptr<SwayIpc> ipc)
    : m_ipc(std::move(ipc)) {}

SwayWindows::~SwayWindows() = default;

WindowOrigin SwayWindows::focusedOrigin() {
    const std::optional<QJsonDocument> tree = m_ipc->request(SwayIpc::Request::getTree);
    return tree ? focusedOrigin(tree->object()) : WindowOrigin{WindowOrigin::Space::unknown, {}};
}

WindowOrigin SwayWindows::focusedOrigin(const QJsonObject& tree) {
    const std::optional<QJsonObject> focused = findFocused(tree);
    if (!focused || !focused->contains(QStringLiteral("shell"))) {
        return {WindowOrigin::Space::unknown, {}};
    }
    if (focused->value(QStringLiteral("shell")).toString() == QLatin1String("xwayland")) {
        return {};
    }
    // The container's place plus where the content sits in it (past borders and title).
    return {WindowOrigin::Space::window,
            topLeft(focused->value(QStringLiteral("rect"))) +
                topLeft(focused->value(QStringLiteral("window_rect")))};
}
