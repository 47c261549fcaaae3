#pragma once

// The program's icon (window, task bar, tray, desktop entry): a small mouse in the skin's teal,
// drawn at every size a desktop asks for.

#include <QImage>
#include <QString>
#include <array>

#include "platform/outcome.h"

namespace zel::skin::painter {

// The sizes written, in pixels; the icon theme's folders are named after them.
inline constexpr std::array<int, 7> kAppIconSizes = {16, 24, 32, 48, 64, 128, 256};

QImage RenderAppIcon(int size);

// Writes hicolor/<N>x<N>/apps/<appId>.png for every size under `iconsDir`; false with a
// message on the first failure.
platform::Result<void> SaveAppIcons(const QString& iconsDir, const QString& appId);

}  // namespace zel::skin::painter
