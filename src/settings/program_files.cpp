#include "settings/program_files.h"

#include "settings/config_files.h"
#include "settings/file_result.h"
#include "settings/ini_file.h"
#include "text/catalog.h"

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

std::string UserFolderNotice(const platform::UserFolderProblem& problem,
                             std::int32_t languageFlag) {
    using Step = platform::UserFolderProblem::Step;
    const text::TextId id =
        problem.step == Step::kCreateFolder    ? text::TextId::kSettingsFolderNotMade
        : problem.step == Step::kWriteInFolder ? text::TextId::kSettingsFolderReadOnly
                                               : text::TextId::kSettingsFileNotCopied;
    const std::string_view reason =
        ini::FileProblemText(ini::FileProblemOfErrno(problem.systemError, true), languageFlag);
    return text::Message(id, languageFlag,
                         {{"{folder}", problem.path},
                          {"{file}", problem.path},
                          {"{source}", problem.source},
                          {"{reason}", reason}});
}

platform::Result<ProgramFiles> ResolveProgramFiles(std::string_view exeDir,
                                                   const platform::UserEnvironment& environment) {
    const std::uint8_t localeEdition = EditionForLocale(environment.messagesLocale);
    platform::Result<platform::ResolvedPaths> resolved =
        platform::ResolveAppPaths(exeDir, environment, 0);
    if (!resolved.ok()) {
        return platform::Error{resolved.error().code,
                               text::Message(text::TextId::kNoSettingsFolder, localeEdition)};
    }
    ProgramFiles files{std::move(resolved->paths), {}};
    bool editionNotWritten = false;
    if (resolved->seededConfig) {
        editionNotWritten = ReadEditionFlag(files.paths.configPath) != localeEdition &&
                            !WriteEditionFlag(files.paths.configPath, localeEdition);
    }
    const std::uint8_t edition =
        EditionOfConfig(files.paths.configPath, environment.messagesLocale);
    files.paths.SetLanguage(edition);
    if (resolved->folderProblem) {
        files.notice = UserFolderNotice(*resolved->folderProblem, edition);
    }
    if (editionNotWritten) {
        files.notice += (files.notice.empty() ? "" : "\n") +
                        text::Message(text::TextId::kLocaleEditionNotWritten, edition,
                                      {{"{file}", files.paths.configPath}});
    }
    return files;
}

}  // namespace zel::settings
