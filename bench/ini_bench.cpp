// Times of reading and writing the shipped config.ini: parsing, LoadProfile, and SaveProfile
// with and without the file replacement (temporary file, fsync, rename).

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "settings/config_files.h"
#include "settings/ini_file.h"

namespace {

using zel::settings::ProfileSettings;

const std::filesystem::path kShippedConfig = std::filesystem::path(ZEL_RUNTIME_DIR) / "config.ini";

std::string ReadBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A private copy of the shipped file, so that saving does not change the installed one.
class ConfigCopy {
public:
    ConfigCopy() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "zel-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) {
            folder_ = pattern;
            std::filesystem::copy_file(kShippedConfig, path());
        }
    }
    ~ConfigCopy() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    ConfigCopy(const ConfigCopy&) = delete;
    ConfigCopy& operator=(const ConfigCopy&) = delete;
    std::filesystem::path path() const { return folder_ / "config.ini"; }

private:
    std::filesystem::path folder_;
};

bool ShippedConfigPresent(benchmark::State& state) {
    if (std::filesystem::exists(kShippedConfig)) {
        return true;
    }
    state.SkipWithError("config.ini missing beside the programs: build zel_runtime_data first");
    return false;
}

void BM_ParseConfig(benchmark::State& state) {
    if (!ShippedConfigPresent(state)) {
        return;
    }
    const std::string bytes = ReadBytes(kShippedConfig);
    for (auto _ : state) {
        benchmark::DoNotOptimize(zel::ini::IniDocument::Parse(bytes));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_ParseConfig);

// What start-up and every profile switch pay: one file read, parsed once, 22 keys.
void BM_LoadProfile(benchmark::State& state) {
    if (!ShippedConfigPresent(state)) {
        return;
    }
    ProfileSettings settings;
    for (auto _ : state) {
        zel::settings::LoadProfile(kShippedConfig, 3, false, 1, settings);
        benchmark::DoNotOptimize(settings.FIRE_TIME.load());
    }
}
BENCHMARK(BM_LoadProfile);

// For comparison: one file read per key, as the private-profile calls do.
void BM_LoadProfileOneReadPerKey(benchmark::State& state) {
    if (!ShippedConfigPresent(state)) {
        return;
    }
    static const char* const kKeys[] = {
        "K0",           "K1",          "K2",          "K3",       "K4",          "K5",
        "WHEEL_STATUS", "MACRO_MODE2", "DPI_LEVEL",   "DPI_SET0", "DPI_SET_EN0", "DPI_SET1",
        "DPI_SET_EN1",  "DPI_SET2",    "DPI_SET_EN2", "DPI_SET3", "DPI_SET_EN3", "LED_STATUS",
        "DPI_SPEED",    "WHEEL_SPEED", "USB_SPEED",   "FIRE_TIME"};
    for (auto _ : state) {
        for (const char* key : kKeys) {
            benchmark::DoNotOptimize(zel::ini::ReadString(kShippedConfig, "Config3", key, 10));
        }
    }
}
BENCHMARK(BM_LoadProfileOneReadPerKey);

// The save as the program does it: re-read under the lock, 22 writes, atomic replacement.
void BM_SaveProfile(benchmark::State& state) {
    if (!ShippedConfigPresent(state)) {
        return;
    }
    const ConfigCopy copy;
    ProfileSettings settings;
    zel::settings::LoadProfile(copy.path(), 3, false, 1, settings);
    std::int32_t fire = 0;
    for (auto _ : state) {
        settings.FIRE_TIME = fire++ % 300;  // a real change each time, so the file is written
        if (!zel::settings::SaveProfile(copy.path(), 3, settings)) {
            state.SkipWithError("save failed");
            break;
        }
    }
}
BENCHMARK(BM_SaveProfile)->Unit(benchmark::kMicrosecond);

// The same writes without the file: where the time of a save goes.
void BM_SaveProfileInMemory(benchmark::State& state) {
    if (!ShippedConfigPresent(state)) {
        return;
    }
    const zel::ini::IniDocument shipped = zel::ini::IniDocument::Load(kShippedConfig);
    ProfileSettings settings;
    zel::settings::LoadProfile(shipped, 3, false, 1, settings);
    for (auto _ : state) {
        zel::ini::IniDocument document = shipped;
        document.Set("Config3", "FIRE_TIME", std::to_string(settings.FIRE_TIME.load()));
        for (int i = 0; i < 21; ++i) {
            document.Set("Config3", "K" + std::to_string(i % 6), "1");
        }
        benchmark::DoNotOptimize(document.Serialize());
    }
}
BENCHMARK(BM_SaveProfileInMemory)->Unit(benchmark::kMicrosecond);

// An upload's writes (CurConfig, Config6, the current profile) as one replacement.
void BM_UploadWritesOneBatch(benchmark::State& state) {
    if (!ShippedConfigPresent(state)) {
        return;
    }
    const ConfigCopy copy;
    ProfileSettings settings;
    zel::settings::LoadProfile(copy.path(), 2, false, 1, settings);
    std::int32_t fire = 0;
    for (auto _ : state) {
        settings.FIRE_TIME = fire++ % 300;
        zel::ini::IniWriteBatch batch(copy.path());
        zel::settings::WriteCurrentProfile(batch, 2);
        zel::settings::SaveProfile(batch, 6, settings);
        zel::settings::SaveProfile(batch, 2, settings);
        if (!batch.Commit()) {
            state.SkipWithError("commit failed");
            break;
        }
    }
}
BENCHMARK(BM_UploadWritesOneBatch)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
