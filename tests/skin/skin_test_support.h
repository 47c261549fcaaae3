#pragma once

// Temporary folders and files for the skin tests.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>

namespace zel::skin::testing {

class TempDir {
public:
    TempDir() {
        std::random_device seed;
        path_ = std::filesystem::temp_directory_path() /
                ("zel_skin_test_" + std::to_string(seed()) + "_" + std::to_string(seed()));
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }

    std::filesystem::path Write(const std::filesystem::path& relative,
                                std::string_view bytes) const {
        const std::filesystem::path file = path_ / relative;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return file;
    }

private:
    std::filesystem::path path_;
};

// The shipped layouts (source tree) and rendered pictures (build output).
inline std::filesystem::path ShippedLayoutRoot() {
    return std::filesystem::path(ZEL_SOURCE_DIR) / "data" / "skins";
}
inline std::filesystem::path RenderedSkinsDir() {
    return std::filesystem::path(ZEL_RUNTIME_DIR) / "skins";
}

}  // namespace zel::skin::testing
