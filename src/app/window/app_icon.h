#pragma once

#include <QIcon>
#include <filesystem>

namespace zel::app {

// The program's icon (window, task bar, tray) at every size the build's painter drew, from
// exeDir/icons/hicolor/<N>x<N>/apps/<app id>.png; without those files, the icon theme's icon of
// the same name (an installed program's icons live there).
QIcon AppIcon(const std::filesystem::path& exeDir);

}  // namespace zel::app
