// Load and save time of a full user macro file (12 macros of 255 steps each).

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "macro/macro_files.h"
#include "macro/macro_name.h"
#include "macro/macro_store.h"

namespace {

namespace fs = std::filesystem;
using zel::macro::MacroRecord;
using zel::macro::MacroStore;

class TempFolder {
public:
    TempFolder() {
        std::string pattern = (fs::temp_directory_path() / "zel-macro-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) {
            path_ = pattern;
        }
    }
    ~TempFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

void FillFullTable(MacroStore& store) {
    std::vector<MacroRecord> records(zel::macro::kUserMacroCapacity);
    for (std::size_t i = 0; i < records.size(); ++i) {
        MacroRecord& record = records[i];
        zel::macro::SetName(record, "Benchmark macro " + std::to_string(i));
        record.stepCount = static_cast<std::uint8_t>(zel::macro::kMaxSteps);
        for (std::size_t k = 0; k < record.steps.size(); ++k) {
            record.steps[k] = {static_cast<std::uint8_t>(4 + k % 26),
                               static_cast<std::uint8_t>(1 + k % 2)};
            record.delays[k].Set(static_cast<std::uint16_t>(15 + k));
        }
    }
    store.ReplaceUserMacros(records);
}

void BM_SaveFullUserFile(benchmark::State& state) {
    TempFolder folder;
    const fs::path file = folder.path() / "Macro_EN.dat";
    MacroStore store;
    FillFullTable(store);
    for (auto _ : state) {
        if (!zel::macro::SaveUserMacros(store, file).ok()) {
            state.SkipWithError("save failed");
            break;
        }
    }
    std::error_code ignored;
    state.counters["file_bytes"] = static_cast<double>(fs::file_size(file, ignored));
}
BENCHMARK(BM_SaveFullUserFile)->Unit(benchmark::kMicrosecond);

void BM_LoadFullUserFile(benchmark::State& state) {
    TempFolder folder;
    const fs::path file = folder.path() / "Macro_EN.dat";
    {
        MacroStore store;
        FillFullTable(store);
        (void)zel::macro::SaveUserMacros(store, file);
    }
    zel::platform::RecordingMessageSink messages;
    MacroStore store;
    for (auto _ : state) {
        zel::macro::LoadUserMacros(store, file, messages);
        benchmark::DoNotOptimize(store.UserCount());
    }
    if (store.UserCount() != zel::macro::kUserMacroCapacity) {
        state.SkipWithError("load did not give 12 macros");
    }
}
BENCHMARK(BM_LoadFullUserFile)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
