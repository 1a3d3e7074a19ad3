#pragma once

// Whether a compositing manager runs on the display of Qt's connection (it owns the
// _NET_WM_CM_Sn selection of the screen). Without one, translucent windows show black where
// they should be clear. False when the question cannot be asked. Main thread only.
namespace X11Compositor {

bool isRunning();

} // namespace X11Compositor
