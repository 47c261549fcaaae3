#pragma once

// What the fuzz targets share: a failed invariant aborts (libFuzzer keeps the input), and a
// private scratch folder for targets that go through real files.

#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace zel::fuzz {

inline void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// A private folder for the files of this process, removed at exit.
class ScratchFolder {
public:
    explicit ScratchFolder(std::string_view prefix) {
        namespace fs = std::filesystem;
        // Memory-backed where there is such a folder: every save syncs the file to disk.
        std::error_code error;
        const fs::path root = fs::is_directory("/dev/shm", error) && ::access("/dev/shm", W_OK) == 0
                                  ? fs::path("/dev/shm")
                                  : fs::temp_directory_path();
        std::string pattern = (root / (std::string(prefix) + ".XXXXXX")).string();
        Check(::mkdtemp(pattern.data()) != nullptr);
        path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::filesystem::path File(std::string_view name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

}  // namespace zel::fuzz
