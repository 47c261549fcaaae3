#pragma once

// Pictures for people who edit the skin: each page composed by the program's own painter
// (app::PagePainter, from the pages' tables) with a few settings and one control under the
// pointer, the choice lists and the warning window with a row hovered, the captions of the
// edition and, on request, every layout rectangle outlined.

#include <QString>
#include <filesystem>

#include "platform/outcome.h"

namespace zel::skin::painter {

struct PreviewOptions {
    std::filesystem::path layoutRoot;  // holds INI_EN and INI_CN
    std::filesystem::path skinsDir;    // the rendered pictures
    QString outDir;
    bool outlines = false;
};

platform::Result<void> WritePreviews(const PreviewOptions& options);

}  // namespace zel::skin::painter
