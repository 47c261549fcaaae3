#pragma once

// Where the program finds its files: everything lies beside the executable, never relative to
// the working directory. Each path is a function of a folder, so tests can use any folder.

#include <string>
#include <string_view>

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

// The paths of one run, computed once at start and updated by the edition switch.
struct AppPaths {
    std::string exeDir;
    std::string configPath;
    std::string skinsDir;
    std::string maskPath;
    std::string macroPath;
    std::string constMacroPath;

    // Every path derived from exeDir.
    static AppPaths ForDirectory(std::string_view exeDir, int languageFlag);
    // ForDirectory(ExecutableDirectory(), languageFlag).
    static AppPaths ForRunningExecutable(int languageFlag);

    // The macro file follows the edition.
    void SetLanguage(int languageFlag);
};

}  // namespace zel::platform
