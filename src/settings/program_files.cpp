#include "settings/program_files.h"

#include "settings/config_files.h"

namespace zel::settings {

std::uint8_t EditionForLocale(std::string_view locale) {
    return platform::IsSpanishLocale(locale) ? 0 : 1;
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
    resolved.paths.SetLanguage(ReadEditionFlag(resolved.paths.configPath));
    return resolved;
}

}  // namespace zel::settings
