#include "settings/startup_config.h"

#include <string_view>

#include "platform/edition.h"
#include "settings/config_files.h"
#include "settings/ini_file.h"
#include "settings/ini_file_io.h"
#include "settings/profile_actions.h"
#include "settings/profile_operations.h"
#include "settings/profile_values.h"
#include "settings/write_leftovers.h"

namespace zel::settings {
namespace {

struct NoticeTexts {
    std::string_view missingFile;
    std::string_view missingProfile;
    std::string_view unreadable;
    std::string_view notWritten;
};

constexpr NoticeTexts kEnglish = {
    .missingFile =
        "\"{file}\" was not found.\nThe factory settings were loaded for profile {n} and "
        "written to it.",
    .missingProfile =
        "\"{file}\" holds no settings for profile {n}.\nThe factory settings were loaded and "
        "written to it.",
    .unreadable =
        "\"{file}\" cannot be read: it is not a regular file, or you may not read it.\n"
        "The factory settings are used for profile {n}; the file is left as it is.",
    .notWritten = "\nThey could not be written to the file.",
};

constexpr NoticeTexts kSpanish = {
    .missingFile =
        "No se ha encontrado \"{file}\".\nSe han cargado los valores de f\xC3\xA1"
        "brica en el "
        "perfil {n} y se han guardado en \xC3\xA9l.",
    .missingProfile =
        "\"{file}\" no contiene los ajustes del perfil {n}.\nSe han cargado los valores de "
        "f\xC3\xA1"
        "brica y se han guardado en \xC3\xA9l.",
    .unreadable =
        "No se puede leer \"{file}\": no es un archivo normal o no tiene permiso para leerlo.\n"
        "Se usan los valores de f\xC3\xA1"
        "brica en el perfil {n}; el archivo no se modifica.",
    .notWritten = "\nNo se han podido guardar en el archivo.",
};

std::string Fill(std::string_view pattern, const std::filesystem::path& file, std::int32_t n) {
    std::string text(pattern);
    for (auto at = text.find("{file}"); at != std::string::npos; at = text.find("{file}")) {
        text.replace(at, 6, file.string());
    }
    for (auto at = text.find("{n}"); at != std::string::npos; at = text.find("{n}")) {
        text.replace(at, 3, std::to_string(n));
    }
    return text;
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
    const NoticeTexts& texts =
        platform::IsEnglishEdition(config.languageFlag) ? kEnglish : kSpanish;

    if (read == ini::detail::ReadResult::kRead &&
        document.HasSection(ProfileSectionName(config.currentProfile))) {
        LoadProfile(document, config.currentProfile, false, config.languageFlag, profile);
        return config;
    }

    StoreProfileValues(profile, kResetDefaults);
    if (read == ini::detail::ReadResult::kFailed) {
        config.notice = Fill(texts.unreadable, configPath, config.currentProfile);
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
        Fill(read == ini::detail::ReadResult::kMissing ? texts.missingFile : texts.missingProfile,
             configPath, config.currentProfile);
    if (!written) {
        config.notice += texts.notWritten;
    }
    return config;
}

}  // namespace zel::settings
