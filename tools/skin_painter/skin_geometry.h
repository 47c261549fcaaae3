#pragma once

// The geometry the painter works from: the layouts of both editions (which must agree, since
// the pictures serve both) and the picture sizes of the [SURFACE] sections.

#include <QSize>
#include <filesystem>
#include <string>

#include "platform/outcome.h"
#include "skin/skin_layout.h"

namespace zel::skin::painter {

struct SurfaceSizes {
    QSize main;     // every page of the main window
    QSize menu;     // width x row height of the first-level choice list
    QSize subMenu;  // width x row height of the second-level choice list
    QSize warning;  // the warning window
};

struct SkinGeometry {
    SkinLayout english;
    SkinLayout spanish;  // the CN edition
    SurfaceSizes sizes;
};

// Reads both editions from layoutRoot (the folder holding INI_EN and INI_CN), else says why
// they cannot be used.
platform::Result<SkinGeometry> ReadSkinGeometry(const std::filesystem::path& layoutRoot);

// The first difference in placement between two layouts, or an empty string.
std::string CompareGeometry(const SkinLayout& a, const SkinLayout& b);

}  // namespace zel::skin::painter
