#include "platform/app_paths.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/edition.h"
#include "platform/unique_fd.h"

namespace zel::platform {
namespace {

std::string Join(std::string_view folder, std::string_view name) {
    std::string path(folder);
    path += '/';
    path += name;
    return path;
}

// The link target of /proc/self/exe, read with a buffer that grows until the path fits (a path
// may be longer than any fixed buffer, and readlink truncates silently).
std::string ReadExecutablePath() {
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) {
            return {};
        }
        if (static_cast<std::size_t>(length) < buffer.size()) {
            return std::string(buffer.data(), static_cast<std::size_t>(length));
        }
        if (buffer.size() >= (1u << 20)) {
            return {};
        }
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace

std::string ExeDirOf(std::string_view executablePath) {
    const std::size_t slash = executablePath.rfind('/');
    if (slash == std::string_view::npos) {
        return {};
    }
    return std::string(executablePath.substr(0, slash));
}

std::string ExecutableDirectory() {
    return ExeDirOf(ReadExecutablePath());
}

std::string ConfigPathIn(std::string_view exeDir) {
    return Join(exeDir, "config.ini");
}
std::string SkinsDirIn(std::string_view exeDir) {
    return Join(exeDir, "skins");
}
std::string MaskPathIn(std::string_view skinsDir) {
    return Join(skinsDir, "main_mask.jpg");
}
std::string ConstMacroPathIn(std::string_view exeDir) {
    return Join(exeDir, "constMacro.dat");
}
std::string MacroPathIn(std::string_view exeDir, int languageFlag) {
    return Join(exeDir, IsEnglishEdition(languageFlag) ? "Macro_EN.dat" : "Macro_CN.dat");
}

std::string ShareDirOf(std::string_view exeDir) {
    const std::string prefix = ExeDirOf(exeDir);
    return prefix + "/share/zel-gmouse";
}

UserEnvironment UserEnvironment::FromProcess() {
    UserEnvironment environment;
    if (const char* value = std::getenv("XDG_CONFIG_HOME")) {
        environment.xdgConfigHome = value;
    }
    if (const char* value = std::getenv("HOME")) {
        environment.home = value;
    } else if (const passwd* user = ::getpwuid(::getuid())) {
        // Started without HOME (by a service manager, say): the account's home folder.
        environment.home = user->pw_dir != nullptr ? user->pw_dir : "";
    }
    // An empty variable counts as unset, as setlocale() treats it.
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        if (const char* value = std::getenv(name); value != nullptr && *value != '\0') {
            environment.messagesLocale = value;
            break;
        }
    }
    return environment;
}

bool IsSpanishLocale(std::string_view locale) {
    // language[_territory][.codeset][@modifier]
    const std::string_view language = locale.substr(0, locale.find_first_of("_.@"));
    return language == "es";
}

std::string UserConfigDirFor(const UserEnvironment& environment) {
    if (!environment.xdgConfigHome.empty() && environment.xdgConfigHome.front() == '/') {
        return Join(environment.xdgConfigHome, "zel-gmouse");
    }
    if (!environment.home.empty() && environment.home.front() == '/') {
        return Join(environment.home, ".config/zel-gmouse");
    }
    return {};
}

std::string UserStateDirFor(std::string_view xdgStateHome, std::string_view home) {
    if (!xdgStateHome.empty() && xdgStateHome.front() == '/') {
        return Join(xdgStateHome, "zel-gmouse");
    }
    if (!home.empty() && home.front() == '/') {
        return Join(home, ".local/state/zel-gmouse");
    }
    return {};
}

std::string UserStateDir() {
    const char* xdgStateHome = std::getenv("XDG_STATE_HOME");
    return UserStateDirFor(xdgStateHome != nullptr ? xdgStateHome : "",
                           UserEnvironment::FromProcess().home);
}

InstallLayout DetectLayout(std::string_view exeDir) {
    std::error_code error;
    if (exeDir.empty() || std::filesystem::exists(ConfigPathIn(exeDir), error)) {
        return InstallLayout::kPortable;
    }
    return std::filesystem::is_directory(ShareDirOf(exeDir), error) ? InstallLayout::kInstalled
                                                                    : InstallLayout::kPortable;
}

std::string DataDirOf(std::string_view exeDir) {
    return DetectLayout(exeDir) == InstallLayout::kInstalled ? ShareDirOf(exeDir)
                                                             : std::string(exeDir);
}

AppPaths AppPaths::ForDirectory(std::string_view exeDir, int languageFlag) {
    return ForInstallation(exeDir, exeDir, exeDir, languageFlag);
}

AppPaths AppPaths::ForInstallation(std::string_view exeDir, std::string_view dataDir,
                                   std::string_view userDir, int languageFlag) {
    AppPaths paths;
    paths.exeDir = std::string(exeDir);
    paths.dataDir = std::string(dataDir);
    paths.userDir = std::string(userDir);
    paths.configPath = ConfigPathIn(userDir);
    paths.skinsDir = SkinsDirIn(dataDir);
    paths.maskPath = MaskPathIn(paths.skinsDir);
    paths.macroPath = MacroPathIn(userDir, languageFlag);
    paths.constMacroPath = ConstMacroPathIn(dataDir);
    return paths;
}

void AppPaths::SetLanguage(int languageFlag) {
    macroPath = MacroPathIn(userDir, languageFlag);
}

namespace {

// The files of the user's folder that start as copies of the shipped ones.
constexpr const char* kUserFileNames[] = {"config.ini", "Macro_EN.dat", "Macro_CN.dat"};

// Creates `folder` and its missing parents, private to the user (mode 0700, as the XDG base
// directory rules ask). 0 or the errno of the step that failed.
int MakeFolders(const std::string& folder) {
    std::string partial;
    std::size_t start = 1;
    while (start <= folder.size()) {
        std::size_t slash = folder.find('/', start);
        if (slash == std::string::npos) {
            slash = folder.size();
        }
        partial = folder.substr(0, slash);
        start = slash + 1;
        if (partial.empty() || partial.back() == '/') {
            continue;
        }
        if (::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) {
            return errno;
        }
    }
    struct stat status {};
    if (::stat(folder.c_str(), &status) != 0) {
        return errno;
    }
    return S_ISDIR(status.st_mode) ? 0 : ENOTDIR;
}

// Reads a whole small file; false when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string& contents) {
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid()) {
        return false;
    }
    char buffer[65536];
    ssize_t count = 0;
    while ((count = ::read(fd.get(), buffer, sizeof buffer)) > 0) {
        contents.append(buffer, static_cast<std::size_t>(count));
    }
    return count == 0;
}

// Copies `source` to `target` unless `target` exists. The copy appears whole or not at all, so
// a program starting at the same moment sees no file or the whole file, and a file that
// appeared meanwhile is kept. Whether this call put the file in place, or the failed step's
// error (its errno in systemError).
Result<bool> CopyIfMissing(const std::string& source, const std::string& target) {
    if (::access(target.c_str(), F_OK) == 0) {
        return false;
    }
    std::string contents;
    if (!ReadWholeFile(source, contents)) {
        // Nothing shipped under this name: the program starts from its factory defaults.
        return false;
    }
    NewFileAttributes attributes;
    attributes.setMode = true;
    attributes.mode = 0644;
    return WriteFileAtomically(target, contents, Placement::kCreateOnly, attributes);
}

constexpr std::string_view kConfigFileName = "config.ini";

// Makes the user's folder ready: whether config.ini was copied now, or what kept the folder
// from being used.
struct PreparedFolder {
    bool seededConfig = false;
    std::optional<UserFolderProblem> problem;
};

PreparedFolder PrepareUserFolder(const std::string& dataDir, const std::string& userDir) {
    using Step = UserFolderProblem::Step;
    PreparedFolder prepared;
    if (const int error = MakeFolders(userDir); error != 0) {
        prepared.problem = UserFolderProblem{Step::kCreateFolder, userDir, {}, error};
        return prepared;
    }
    if (::access(userDir.c_str(), W_OK | X_OK) != 0) {
        prepared.problem = UserFolderProblem{Step::kWriteInFolder, userDir, {}, errno};
        return prepared;
    }
    for (const char* name : kUserFileNames) {
        const std::string target = Join(userDir, name);
        const Result<bool> copied = CopyIfMissing(Join(dataDir, name), target);
        if (!copied.ok()) {
            prepared.problem = UserFolderProblem{Step::kCopyFile, target, Join(dataDir, name),
                                                 copied.error().systemError};
            return prepared;
        }
        if (*copied && name == kConfigFileName) {
            prepared.seededConfig = true;
        }
    }
    return prepared;
}

}  // namespace

Result<ResolvedPaths> ResolveAppPaths(std::string_view exeDir, const UserEnvironment& environment,
                                      int languageFlag) {
    if (DetectLayout(exeDir) == InstallLayout::kPortable) {
        return ResolvedPaths{AppPaths::ForDirectory(exeDir, languageFlag), std::nullopt, false};
    }
    const std::string dataDir = ShareDirOf(exeDir);
    const std::string userDir = UserConfigDirFor(environment);
    if (userDir.empty()) {
        return Error{ErrorCode::kNotFound,
                     "cannot find the settings folder: neither XDG_CONFIG_HOME nor HOME names an "
                     "absolute path"};
    }
    PreparedFolder prepared = PrepareUserFolder(dataDir, userDir);
    return ResolvedPaths{AppPaths::ForInstallation(exeDir, dataDir, userDir, languageFlag),
                         std::move(prepared.problem), prepared.seededConfig};
}

}  // namespace zel::platform
