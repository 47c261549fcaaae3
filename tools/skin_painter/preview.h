#pragma once

// Pictures for people who edit the skin: each page, choice list and the warning window
// composed the way the program composes them, with a few buttons hovered and pressed, the
// captions of the edition and, on request, every layout rectangle outlined.

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
