#pragma once

// Where the program finds its files, never relative to the working directory. Two layouts:
// - portable: the executable's folder holds everything (the build folder, a copied folder);
// - installed: <prefix>/bin/ZEL_GMouse reads its shipped data from <prefix>/share/zel-gmouse
//   and keeps what it writes in the user's $XDG_CONFIG_HOME/zel-gmouse.
// Each path is a function of folders, so tests can use any folder.

#include <optional>
#include <string>
#include <string_view>

#include "platform/outcome.h"

namespace zel::platform {

// The folder of a full executable path: everything before its last '/', empty when there is
// none.
std::string ExeDirOf(std::string_view executablePath);

// The folder of the running executable (from /proc/self/exe); empty when it cannot be read.
std::string ExecutableDirectory();

std::string ConfigPathIn(std::string_view exeDir);      // exeDir/config.ini
std::string SkinsDirIn(std::string_view exeDir);        // exeDir/skins
std::string MaskPathIn(std::string_view skinsDir);      // skinsDir/main_mask.jpg
std::string ConstMacroPathIn(std::string_view exeDir);  // exeDir/constMacro.dat
// exeDir/Macro_EN.dat for the EN edition (languageFlag non-zero), exeDir/Macro_CN.dat otherwise.
std::string MacroPathIn(std::string_view exeDir, int languageFlag);

// exeDir/../share/zel-gmouse, written without the "..": the shipped data of an installation.
std::string ShareDirOf(std::string_view exeDir);

// The part of the environment that names the user's configuration folder.
struct UserEnvironment {
    std::string xdgConfigHome;  // $XDG_CONFIG_HOME, empty when unset
    std::string home;           // $HOME, empty when unset
    // The locale of messages: the first set one of $LC_ALL, $LC_MESSAGES and $LANG, as the C
    // library decides it; empty when none is set.
    std::string messagesLocale;

    static UserEnvironment FromProcess();
};

// $XDG_CONFIG_HOME/zel-gmouse, or $HOME/.config/zel-gmouse when XDG_CONFIG_HOME is unset or
// not an absolute path (as the XDG base directory rules say); empty when neither is usable.
std::string UserConfigDirFor(const UserEnvironment& environment);

// $XDG_STATE_HOME/zel-gmouse, or $HOME/.local/state/zel-gmouse by the same rules: what the
// programs keep between runs that is no setting (the desktop's own values); empty when neither
// is usable.
std::string UserStateDirFor(std::string_view xdgStateHome, std::string_view home);
// The same for this process's environment (HOME as UserEnvironment::FromProcess finds it).
std::string UserStateDir();

enum class InstallLayout { kPortable, kInstalled };

// Whether a locale name ("es_ES.UTF-8", "es", "es_MX@euro") is of the Spanish language.
bool IsSpanishLocale(std::string_view locale);

// Installed when exeDir holds no config.ini and ShareDirOf(exeDir) is a folder; portable
// otherwise, so a portable folder that lost its config.ini stays portable.
InstallLayout DetectLayout(std::string_view exeDir);

// Where the read-only data of exeDir's layout lies (skins, constMacro.dat): exeDir itself when
// portable, ShareDirOf(exeDir) when installed. Touches no user file.
std::string DataDirOf(std::string_view exeDir);

// The paths of one run, computed once at start and updated by the edition switch.
struct AppPaths {
    std::string exeDir;
    std::string dataDir;  // read only: skins, constMacro.dat, the shipped files
    std::string userDir;  // what the program writes: config.ini and the user macro files
    std::string configPath;
    std::string skinsDir;
    std::string maskPath;
    std::string macroPath;
    std::string constMacroPath;

    // The portable layout: every path lies in exeDir.
    static AppPaths ForDirectory(std::string_view exeDir, int languageFlag);
    // The installed layout: shipped data in dataDir, written files in userDir.
    static AppPaths ForInstallation(std::string_view exeDir, std::string_view dataDir,
                                    std::string_view userDir, int languageFlag);

    // The macro file follows the edition.
    void SetLanguage(int languageFlag);
    // Whether everything lies beside the executable (the user's folder is the executable's).
    bool IsPortable() const { return userDir == exeDir; }
};

// Which step of making the user's folder ready failed, on what, and the system's reason: the
// facts a message is worded from (settings::ResolveProgramFiles words it for the edition).
struct UserFolderProblem {
    enum class Step { kCreateFolder, kWriteInFolder, kCopyFile };
    Step step = Step::kCreateFolder;
    std::string path;     // the folder, or for kCopyFile the copy that could not be made
    std::string source;   // kCopyFile: the shipped file
    int systemError = 0;  // the errno of the failed step

    bool operator==(const UserFolderProblem&) const = default;
};

// The paths of a run. When the user's folder is named but cannot be used the program can go on
// (reads of missing files give the factory defaults and failed writes are reported where they
// happen): `folderProblem` says why, for a notice.
struct ResolvedPaths {
    AppPaths paths;
    std::optional<UserFolderProblem> folderProblem;
    // This resolution copied the shipped config.ini into the user's folder: a new user's first
    // start, whose edition follows the locale.
    bool seededConfig = false;
};

// Decides the layout of exeDir. In the installed layout, the user's folder is created when
// missing and the shipped config.ini and user macro files are copied into it when they are not
// there yet; a file already there is never replaced. Fails (kNotFound) only when no user folder
// can be named at all (neither XDG_CONFIG_HOME nor HOME is an absolute path): the program must
// not start then.
Result<ResolvedPaths> ResolveAppPaths(std::string_view exeDir, const UserEnvironment& environment,
                                      int languageFlag);

}  // namespace zel::platform
