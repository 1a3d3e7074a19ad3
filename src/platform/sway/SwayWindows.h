#pragma once

#include "platform/WindowOrigin.h"

#include <QJsonObject>

#include <memory>

class SwayIpc;

// Where sway has put the window with the keyboard focus, from its layout tree.
class SwayWindows {
public:
    // Null outside sway, or when its socket does not answer.
    static std::unique_ptr<SwayWindows> create();
    ~SwayWindows();

    // Unknown when sway does not answer or nothing has the focus.
    WindowOrigin focusedOrigin();
    // The focused window's content in a layout tree as sway gives it; Xwayland windows report
    // screen positions themselves.
    static WindowOrigin focusedOrigin(const QJsonObject& tree);

private:
    explicit SwayWindows(std::unique_ptr<SwayIpc> ipc);
    std::unique_ptr<SwayIpc> m_ipc;
};
