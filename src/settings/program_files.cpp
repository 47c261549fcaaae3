#include "settings/program_files.h"

#include "settings/config_files.h"
#include "settings/ini_file.h"

namespace zel::settings {

std::uint8_t EditionForLocale(std::string_view locale) {
    return platform::IsSpanishLocale(locale) ? 0 : 1;
}

std::uint8_t EditionOfConfig(const std::filesystem::path& configPath, std::string_view locale) {
    ini::IniDocument document;
    if (!ini::IniDocument::LoadExisting(configPath, document).ok()) {
        return EditionForLocale(locale);
    }
    return ReadEditionFlag(document);
}

platform::ResolvedPaths ResolveProgramFiles(std::string_view exeDir,
                                            const platform::UserEnvironment& environment) {
    platform::ResolvedPaths resolved = platform::ResolveAppPaths(exeDir, environment, 0);
    if (resolved.seededConfig) {
        const std::uint8_t edition = EditionForLocale(environment.messagesLocale);
        if (ReadEditionFlag(resolved.paths.configPath) != edition &&
            !WriteEditionFlag(resolved.paths.configPath, edition)) {
            resolved.problem += (resolved.problem.empty() ? "" : "\n") +
                                std::string("cannot write the edition of the locale into ") +
                                resolved.paths.configPath;
        }
    }
    resolved.paths.SetLanguage(
        EditionOfConfig(resolved.paths.configPath, environment.messagesLocale));
    return resolved;
}

}  // namespace zel::settings
