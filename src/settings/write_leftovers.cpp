#include "settings/write_leftovers.h"

#include "platform/app_paths.h"
#include "settings/ini_file.h"

namespace zel::settings {

void RemoveLeftoverWriteTemporaries(const std::filesystem::path& userDir) {
    ini::RemoveStaleWriteTemporaries(platform::ConfigPathIn(userDir.string()));
    for (const int edition : {0, 1}) {
        ini::RemoveStaleWriteTemporaries(platform::MacroPathIn(userDir.string(), edition));
    }
}

}  // namespace zel::settings
