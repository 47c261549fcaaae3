#pragma once

// The layouts of the skins the program ships, for tests that check every control of them.

#include <filesystem>

#include "platform/message_sink.h"
#include "skin/layout_loader.h"
#include "skin/skin_layout.h"

namespace zel::app::shell_testing {

inline std::filesystem::path ShippedSkins() {
    return std::filesystem::path(ZEL_RUNTIME_DIR) / "skins";
}

// All four layouts of an edition; false when one of them is missing.
inline bool LoadShippedLayout(int languageFlag, skin::SkinLayout& layout) {
    platform::RecordingMessageSink messages;
    bool failed = false;
    skin::SkinLayoutLoader loader(ShippedSkins(), messages, [&failed] { failed = true; });
    loader.LoadSkinLayouts(layout, languageFlag);
    return !failed;
}

}  // namespace zel::app::shell_testing
