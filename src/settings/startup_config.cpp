#include "settings/startup_config.h"

#include <string_view>

#include "settings/config_files.h"
#include "settings/ini_file.h"
#include "settings/ini_file_io.h"
#include "settings/profile_actions.h"
#include "settings/profile_operations.h"
#include "settings/profile_values.h"
#include "settings/write_leftovers.h"
#include "text/catalog.h"

namespace zel::settings {
namespace {

std::string Notice(text::TextId id, std::uint8_t languageFlag, const std::filesystem::path& file,
                   std::int32_t profile) {
    return text::Message(id, languageFlag,
                         {{"{file}", file.string()}, {"{n}", std::to_string(profile)}});
}

}  // namespace

StartupConfig LoadStartupConfig(const std::filesystem::path& configPath, ProfileSettings& profile) {
    RemoveLeftoverWriteTemporaries(configPath.parent_path());

    std::string bytes;
    const ini::detail::ReadResult read = ini::detail::ReadWholeFile(configPath, bytes);
    const ini::IniDocument document = read == ini::detail::ReadResult::kRead
                                          ? ini::IniDocument::Parse(bytes)
                                          : ini::IniDocument();
    StartupConfig config;
    config.languageFlag = ReadEditionFlag(document);
    const std::int32_t stored = ReadCurrentProfile(document);
    config.currentProfile =
        stored >= kFirstUserProfile && stored <= kLastUserProfile ? stored : kFirstUserProfile;

    if (read == ini::detail::ReadResult::kRead &&
        document.HasSection(ProfileSectionName(config.currentProfile))) {
        LoadProfile(document, config.currentProfile, false, config.languageFlag, profile);
        return config;
    }

    StoreProfileValues(profile, kResetDefaults);
    if (read == ini::detail::ReadResult::kFailed) {
        config.notice = Notice(text::TextId::kConfigUnreadable, config.languageFlag, configPath,
                               config.currentProfile);
        return config;
    }
    ini::IniWriteBatch batch(configPath);
    if (stored != config.currentProfile) {
        WriteCurrentProfile(batch, config.currentProfile);
    }
    if (document.Get("Init", "VER_SEL").empty()) {
        WriteEditionFlag(batch, config.languageFlag);
    }
    SaveProfile(batch, config.currentProfile, profile);
    const bool written = batch.Commit();
    config.notice =
        Notice(read == ini::detail::ReadResult::kMissing ? text::TextId::kConfigMissingFile
                                                         : text::TextId::kConfigMissingProfile,
               config.languageFlag, configPath, config.currentProfile);
    if (!written) {
        config.notice += text::Text(text::TextId::kConfigNotWritten, config.languageFlag);
    }
    return config;
}

}  // namespace zel::settings
