#include "settings/startup_config.h"

#include <string_view>

#include "settings/config_files.h"
#include "settings/file_result.h"
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
                   std::int32_t profile, std::string_view reason = {}) {
    return text::Message(
        id, languageFlag,
        {{"{file}", file.string()}, {"{n}", std::to_string(profile)}, {"{reason}", reason}});
}

}  // namespace

std::int32_t CurrentUserProfile(const ini::IniDocument& document) {
    const std::int32_t stored = ReadCurrentProfile(document);
    return stored >= kFirstUserProfile && stored <= kLastUserProfile ? stored : kFirstUserProfile;
}

bool LoadProfileOrFactory(const ini::IniDocument& document, std::int32_t profile,
                          std::uint8_t languageFlag, ProfileSettings& settings) {
    if (document.HasSection(ProfileSectionName(profile))) {
        LoadProfile(document, profile, false, languageFlag, settings);
        return true;
    }
    const bool hasTemplate = profile > kFirstUserProfile && profile <= kLastUserProfile &&
                             document.HasSection(TemplateSectionName(profile, languageFlag));
    if (hasTemplate) {
        LoadProfile(document, profile, true, languageFlag, settings);
    } else {
        StoreProfileValues(settings, kResetDefaults);
    }
    return false;
}

StartupConfig ReadStartupConfig(const ini::IniDocument& document, ProfileSettings& profile,
                                ini::IniWriteBatch& completion) {
    StartupConfig config;
    config.languageFlag = ReadEditionFlag(document);
    config.currentProfile = CurrentUserProfile(document);
    if (LoadProfileOrFactory(document, config.currentProfile, config.languageFlag, profile)) {
        return config;
    }
    if (ReadCurrentProfile(document) != config.currentProfile) {
        WriteCurrentProfile(completion, config.currentProfile);
    }
    if (document.Get("Init", "VER_SEL").empty()) {
        WriteEditionFlag(completion, config.languageFlag);
    }
    SaveProfile(completion, config.currentProfile, profile);
    return config;
}

StartupConfig LoadStartupConfig(const std::filesystem::path& configPath, ProfileSettings& profile,
                                std::uint8_t editionIfUnreadable) {
    RemoveLeftoverWriteTemporaries(configPath.parent_path());

    std::string bytes;
    ini::FileProblem problem = ini::FileProblem::kIoError;
    const ini::detail::ReadResult read = ini::detail::ReadWholeFile(configPath, bytes, &problem);
    StartupConfig config;
    if (read == ini::detail::ReadResult::kFailed) {
        StoreProfileValues(profile, kResetDefaults);
        config.languageFlag = editionIfUnreadable;
        config.notice =
            Notice(text::TextId::kConfigUnreadable, config.languageFlag, configPath,
                   config.currentProfile, ini::FileProblemText(problem, config.languageFlag));
        return config;
    }
    const ini::IniDocument document = read == ini::detail::ReadResult::kRead
                                          ? ini::IniDocument::Parse(bytes)
                                          : ini::IniDocument();
    ini::IniWriteBatch batch(configPath);
    config = ReadStartupConfig(document, profile, batch);
    if (batch.size() == 0) {
        return config;
    }
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
