#pragma once

#include <QIcon>

namespace zel::app {

// The program's icon (window, task bar, tray): a mouse drawn at the usual icon sizes.
QIcon AppIcon();

}  // namespace zel::app
