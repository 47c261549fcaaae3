#pragma once

#include <QIcon>

namespace zel::app {

// The tray icon's picture, drawn at the usual tray sizes: a small mouse in the skin's teal.
QIcon TrayPicture();

}  // namespace zel::app
