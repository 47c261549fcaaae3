#include "settings/profile_actions.h"

#include <vector>

#include "platform/edition.h"
#include "settings/config_files.h"
#include "settings/ini_file.h"
#include "settings/profile_operations.h"
#include "settings/profile_values.h"
#include "settings/startup_config.h"
#include "text/catalog.h"

namespace zel::settings {
namespace {

void Call(const std::function<void()>& hook) {
    if (hook) {
        hook();
    }
}

std::string Fill(text::TextId id, const ProfileActionContext& context,
                 const std::filesystem::path& file, std::string_view section = {},
                 std::string_view reason = {}) {
    return text::Message(id, context.languageFlag,
                         {{"{file}", file.string()}, {"{section}", section}, {"{reason}", reason}});
}

// ": the disk is full" after the file's name in a write failure; nothing when the reason is
// not known.
std::string WriteReason(const ini::FileResult& result, std::int32_t languageFlag) {
    if (result.ok()) {
        return {};
    }
    return ": " + std::string(ini::FileProblemText(result.problem, languageFlag));
}

bool SaveOrReport(const ProfileActionContext& context, const std::filesystem::path& file,
                  std::int32_t profile) {
    ini::IniWriteBatch batch(file);
    SaveProfile(batch, profile, context.profile);
    const ini::FileResult written = batch.CommitWithReason();
    if (written.ok()) {
        return true;
    }
    context.messages.ShowMessage(ProfileWriteFailedMessage(file, context.languageFlag, written));
    return false;
}

}  // namespace

std::filesystem::path DefaultMacroFileIn(const std::filesystem::path& skinsDir,
                                         std::int32_t languageFlag) {
    return skinsDir / (platform::IsEnglishEdition(languageFlag) ? "INI_EN" : "INI_CN") /
           "defMacro.dat";
}

std::string ProfileWriteFailedMessage(const std::filesystem::path& file, std::int32_t languageFlag,
                                      const ini::FileResult& result) {
    return text::Message(
        text::TextId::kProfileWriteFailed, languageFlag,
        {{"{file}", file.string()}, {"{reason}", WriteReason(result, languageFlag)}});
}

std::string ConfigCannotReadMessage(const std::filesystem::path& file, std::int32_t languageFlag,
                                    const ini::FileResult& result) {
    return text::Message(text::TextId::kConfigCannotRead, languageFlag,
                         {{"{file}", file.string()},
                          {"{reason}", ini::FileProblemText(result.problem, languageFlag)}});
}

namespace {

// Reads config.ini whole; a file that cannot be read is named to the user with its reason.
bool LoadConfigOrSayWhyNot(const ProfileActionContext& context, ini::IniDocument& config) {
    const ini::FileResult read = ini::IniDocument::LoadExisting(context.configPath, config);
    if (!read.ok()) {
        context.messages.ShowMessage(
            ConfigCannotReadMessage(context.configPath, context.languageFlag, read));
    }
    return read.ok();
}

}  // namespace

bool SaveCurrentProfile(const ProfileActionContext& context) {
    const bool saved = SaveOrReport(context, context.configPath, context.currentProfile.load());
    Call(context.hooks.repaint);
    return saved;
}

void RevertAndHide(const ProfileActionContext& context) {
    Call(context.hooks.clearHotButton);
    WriteProfileDpiLevel(context.configPath, kUploadedProfile, context.profile);
    LoadProfile(context.configPath, kUploadedProfile, false,
                static_cast<std::uint8_t>(context.languageFlag), context.profile);
    Call(context.hooks.hideToTray);
    Call(context.hooks.repaint);
}

bool SelectProfile(const ProfileActionContext& context, std::int32_t profile) {
    if (profile < kFirstUserProfile || profile > kLastUserProfile) {
        return false;
    }
    ini::IniDocument config;
    if (!LoadConfigOrSayWhyNot(context, config)) {
        return false;
    }
    context.currentProfile.store(profile);
    LoadProfileOrFactory(config, profile, static_cast<std::uint8_t>(context.languageFlag),
                         context.profile);
    Call(context.hooks.repaint);
    return true;
}

ImportResult ImportProfile(const ProfileActionContext& context, const std::filesystem::path& file) {
    ini::IniDocument document;
    const ini::FileResult read = ini::IniDocument::LoadChosen(file, document);
    if (!read.ok()) {
        context.messages.ShowMessage(
            Fill(text::TextId::kProfileCannotImport, context, file, {},
                 ini::FileProblemText(read.problem, context.languageFlag)));
        return ImportResult::Unreadable;
    }
    const std::string section = ProfileSectionName(kExchangeProfile);
    if (!document.HasSection(section)) {
        context.messages.ShowMessage(
            Fill(text::TextId::kProfileNoProfileInFile, context, file, section));
        return ImportResult::NoProfileInFile;
    }
    // Loaded aside first, so that a refused profile leaves the model as it was.
    ProfileSettings imported;
    LoadProfile(document, kExchangeProfile, false, static_cast<std::uint8_t>(context.languageFlag),
                imported);
    if (!HasPrimaryClick(imported) || !HasEnabledDpiLevel(imported)) {
        context.messages.ShowMessage(Fill(text::TextId::kProfileUnusableImport, context, file));
        return ImportResult::Unusable;
    }
    StoreProfileValues(context.profile, TakeProfileValues(imported));
    Call(context.hooks.repaint);
    return ImportResult::Loaded;
}

bool ExportProfile(const ProfileActionContext& context, const std::filesystem::path& file) {
    const bool saved = SaveOrReport(context, file, kExchangeProfile);
    Call(context.hooks.repaint);
    return saved;
}

bool ResetAllProfiles(const ProfileActionContext& context) {
    const auto flag = static_cast<std::uint8_t>(context.languageFlag);
    ProfileSettings& profile = context.profile;
    std::filesystem::path notWritten;  // the first file a write of the reset failed on
    ini::FileResult whyNotWritten;     // and why, when it is known
    auto note = [&](bool written, const std::filesystem::path& file,
                    const ini::FileResult& why = {}) {
        if (!written && notWritten.empty()) {
            notWritten = file;
            whyNotWritten = why;
        }
    };

    // The templates are only read, never written, so one reading of the file serves them all.
    // A file that cannot be read would lose every template and then refuse the writes: the
    // reset does nothing, rather than send the mouse settings the file does not hold.
    ini::IniDocument config;
    if (!LoadConfigOrSayWhyNot(context, config)) {
        return false;
    }

    // Every profile goes into one batch: config.ini is replaced once, with all five reset.
    ini::IniWriteBatch profiles(context.configPath);
    ApplyResetDefaults(profile);
    SaveProfile(profiles, kFirstUserProfile, profile);

    std::vector<std::string> missingTemplates;
    for (std::int32_t n = kLastUserProfile; n > kFirstUserProfile; --n) {
        const std::string templateSection = TemplateSectionName(n, flag);
        if (config.HasSection(templateSection)) {
            LoadProfile(config, n, true, flag, profile);
        } else {
            StoreProfileValues(profile, kResetDefaults);
            missingTemplates.push_back(templateSection);
        }
        SaveProfile(profiles, n, profile);
    }
    const ini::FileResult profilesWritten = profiles.CommitWithReason();
    note(profilesWritten.ok(), context.configPath, profilesWritten);
    for (const std::string& section : missingTemplates) {
        context.messages.ShowMessage(
            Fill(text::TextId::kProfileMissingTemplate, context, context.configPath, section));
    }

    // The current profile as the file now holds it (its factory settings where a failed write
    // left the file without it).
    const std::int32_t current = context.currentProfile.load();
    ini::IniDocument after;
    ini::IniDocument::LoadExisting(context.configPath, after);
    LoadProfileOrFactory(after, current, flag, profile);

    const auto& hooks = context.hooks;
    const bool defaultsLoaded =
        hooks.loadDefaultMacros &&
        hooks.loadDefaultMacros(DefaultMacroFileIn(context.skinsDir, context.languageFlag));
    if (defaultsLoaded && hooks.saveUserMacros) {
        note(hooks.saveUserMacros(context.macroPath), context.macroPath);
    }

    if (hooks.upload) {
        note(hooks.upload(current), context.configPath);
    }
    if (!notWritten.empty()) {
        context.messages.ShowMessage(Fill(text::TextId::kProfileResetNotSaved, context, notWritten,
                                          {}, WriteReason(whyNotWritten, context.languageFlag)));
    }
    return notWritten.empty();
}

}  // namespace zel::settings
