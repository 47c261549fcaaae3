#include "settings/profile_actions.h"

#include <vector>

#include "settings/config_files.h"
#include "settings/ini_file.h"
#include "settings/profile_operations.h"
#include "settings/profile_values.h"

namespace zel::settings {
namespace {

constexpr ProfileActionTexts kEnglishTexts = {
    .noProfileInFile =
        "\"{file}\" holds no mouse profile (section [{section}] is missing).\n"
        "Nothing was imported.",
    .writeFailed = "The profile could not be written to \"{file}\".",
    .missingTemplate =
        "The reset template [{section}] is missing from \"{file}\".\n"
        "That profile was set to the factory defaults instead.",
    .resetNotSaved =
        "The factory settings could not be written to \"{file}\".\n"
        "The reset is not saved.",
};

constexpr ProfileActionTexts kSpanishTexts = {
    .noProfileInFile =
        "\"{file}\" no contiene ningún perfil del ratón (falta la sección "
        "[{section}]).\nNo se ha importado nada.",
    .writeFailed = "No se ha podido guardar el perfil en \"{file}\".",
    .missingTemplate =
        "Falta la plantilla [{section}] en \"{file}\".\n"
        "Ese perfil ha recibido los valores de fábrica.",
    .resetNotSaved =
        "No se han podido guardar los valores de fábrica en \"{file}\".\n"
        "El restablecimiento no se ha guardado.",
};

void Call(const std::function<void()>& hook) {
    if (hook) {
        hook();
    }
}

void Replace(std::string& text, std::string_view placeholder, std::string_view value) {
    for (auto at = text.find(placeholder); at != std::string::npos;
         at = text.find(placeholder, at + value.size())) {
        text.replace(at, placeholder.size(), value);
    }
}

std::string Fill(std::string_view pattern, const std::filesystem::path& file,
                 std::string_view section = {}) {
    std::string text(pattern);
    Replace(text, "{file}", file.string());
    Replace(text, "{section}", section);
    return text;
}

const ProfileActionTexts& Texts(const ProfileActionContext& context) {
    return ProfileActionTextsFor(context.languageFlag);
}

bool SaveOrReport(const ProfileActionContext& context, const std::filesystem::path& file,
                  std::int32_t profile) {
    if (SaveProfile(file, profile, context.profile)) {
        return true;
    }
    context.messages.ShowMessage(Fill(Texts(context).writeFailed, file));
    return false;
}

}  // namespace

std::filesystem::path DefaultMacroFileIn(const std::filesystem::path& skinsDir,
                                         std::int32_t languageFlag) {
    return skinsDir / (languageFlag != 0 ? "INI_EN" : "INI_CN") / "defMacro.dat";
}

const ProfileActionTexts& ProfileActionTextsFor(std::int32_t languageFlag) {
    return languageFlag != 0 ? kEnglishTexts : kSpanishTexts;
}

std::string ProfileWriteFailedMessage(const std::filesystem::path& file,
                                      std::int32_t languageFlag) {
    return Fill(ProfileActionTextsFor(languageFlag).writeFailed, file);
}

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
    context.currentProfile.store(profile);
    LoadProfile(context.configPath, profile, false, static_cast<std::uint8_t>(context.languageFlag),
                context.profile);
    Call(context.hooks.repaint);
    return true;
}

ImportResult ImportProfile(const ProfileActionContext& context, const std::filesystem::path& file) {
    const ini::IniDocument document = ini::IniDocument::Load(file);
    const std::string section = ProfileSectionName(kExchangeProfile);
    if (!document.HasSection(section)) {
        context.messages.ShowMessage(Fill(Texts(context).noProfileInFile, file, section));
        return ImportResult::NoProfileInFile;
    }
    LoadProfile(document, kExchangeProfile, false, static_cast<std::uint8_t>(context.languageFlag),
                context.profile);
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
    auto note = [&notWritten](bool written, const std::filesystem::path& file) {
        if (!written && notWritten.empty()) {
            notWritten = file;
        }
    };

    ApplyResetDefaults(profile);
    note(SaveProfile(context.configPath, kFirstUserProfile, profile), context.configPath);

    // The templates are only read, never written, so one reading of the file serves them all.
    const ini::IniDocument config = ini::IniDocument::Load(context.configPath);
    std::vector<std::string> missingTemplates;
    for (std::int32_t n = kLastUserProfile; n > kFirstUserProfile; --n) {
        const std::string templateSection = TemplateSectionName(n, flag);
        if (config.HasSection(templateSection)) {
            LoadProfile(config, n, true, flag, profile);
        } else {
            StoreProfileValues(profile, kResetDefaults);
            missingTemplates.push_back(templateSection);
        }
        note(SaveProfile(context.configPath, n, profile), context.configPath);
    }
    for (const std::string& section : missingTemplates) {
        context.messages.ShowMessage(
            Fill(Texts(context).missingTemplate, context.configPath, section));
    }

    const std::int32_t current = context.currentProfile.load();
    LoadProfile(context.configPath, current, false, flag, profile);

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
        context.messages.ShowMessage(Fill(Texts(context).resetNotSaved, notWritten));
    }
    return notWritten.empty();
}

}  // namespace zel::settings
