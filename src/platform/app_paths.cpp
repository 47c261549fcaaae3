#include "platform/app_paths.h"

#include <unistd.h>

#include <vector>

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
    return Join(exeDir, languageFlag != 0 ? "Macro_EN.dat" : "Macro_CN.dat");
}

AppPaths AppPaths::ForDirectory(std::string_view exeDir, int languageFlag) {
    AppPaths paths;
    paths.exeDir = std::string(exeDir);
    paths.configPath = ConfigPathIn(exeDir);
    paths.skinsDir = SkinsDirIn(exeDir);
    paths.maskPath = MaskPathIn(paths.skinsDir);
    paths.macroPath = MacroPathIn(exeDir, languageFlag);
    paths.constMacroPath = ConstMacroPathIn(exeDir);
    return paths;
}

AppPaths AppPaths::ForRunningExecutable(int languageFlag) {
    return ForDirectory(ExecutableDirectory(), languageFlag);
}

void AppPaths::SetLanguage(int languageFlag) {
    macroPath = MacroPathIn(exeDir, languageFlag);
}

}  // namespace zel::platform
