// Fuzzes the profile numbers the program reads from config.ini: the input is the file's bytes.
//
// Checked for every profile and reset template: a field read from a short buffer stays within
// what four characters can spell, enable flags are 0 or 1, and the upload derived from the
// values stays within its tables. Through real files: the start-up read picks a profile
// 1 ... 5 and either loads its section unchanged (nothing written) or writes and uses the
// factory settings; saving one profile reads back the same and leaves every other section,
// CurConfig and VER_SEL reading as before.

#include <stdlib.h>
#include <unistd.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "settings/config_files.h"
#include "settings/dpi_step_table.h"
#include "settings/ini_file.h"
#include "settings/profile_operations.h"
#include "settings/profile_values.h"
#include "settings/startup_config.h"
#include "settings/upload_derivations.h"

namespace {

using namespace zel::settings;
namespace fs = std::filesystem;

using zel::fuzz::Check;
using zel::fuzz::ScratchFolder;

void WriteFile(const fs::path& file, std::string_view bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    Check(out.good());
}

std::string ReadFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

ProfileValues Load(const zel::ini::IniDocument& document, std::int32_t profile, bool fromTemplate,
                   std::uint8_t languageFlag) {
    ProfileSettings settings;
    LoadProfile(document, profile, fromTemplate, languageFlag, settings);
    return TakeProfileValues(settings);
}

ProfileValues Load(const fs::path& file, std::int32_t profile) {
    ProfileSettings settings;
    LoadProfile(file, profile, false, 0, settings);
    return TakeProfileValues(settings);
}

// A value of at most four characters: "-999" ... "9999".
bool FitsShortRead(std::int32_t value) {
    return value >= -999 && value <= 9999;
}

bool IsDpiDeviceCode(std::uint8_t code) {
    for (const DpiStep& step : DpiStepTable) {
        if (step.deviceCode == code) {
            return true;
        }
    }
    return false;
}

void CheckLoaded(const ProfileValues& v) {
    for (const std::int32_t code : v.K) {
        Check(FitsShortRead(code));
    }
    Check(FitsShortRead(v.DPI_LEVEL) && FitsShortRead(v.WHEEL_STATUS) &&
          FitsShortRead(v.MACRO_MODE2) && FitsShortRead(v.FIRE_TIME));
    for (const std::uint8_t flag : v.DPI_SET_EN) {
        Check(flag <= 1);
    }
    const UploadValues upload = DeriveUploadValues(v);
    Check(upload.dpiLevel <= 3);
    Check(upload.dpiEnableMask <= 0x0F);
    for (const std::uint8_t code : upload.derived.appliedDpiCode) {
        Check(IsDpiDeviceCode(code));
    }
    Check(upload.systemMouseSpeed >= 1 && upload.systemMouseSpeed <= 20);
    Check(upload.wheelScrollLines >= 1 && upload.wheelScrollLines <= 255);
    Check(FireIntervalUnits(v.FIRE_TIME) <= 9999 / 8);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const ScratchFolder scratch("zel-fuzz-config");
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const zel::ini::IniDocument document = zel::ini::IniDocument::Parse(bytes);
    const std::uint8_t languageFlag = ReadEditionFlag(document);
    const std::int32_t storedProfile = ReadCurrentProfile(document);
    Check(FitsShortRead(storedProfile));

    std::array<ProfileValues, 6> loaded{};
    for (std::int32_t profile = 1; profile <= 5; ++profile) {
        loaded[static_cast<std::size_t>(profile)] = Load(document, profile, false, languageFlag);
        CheckLoaded(loaded[static_cast<std::size_t>(profile)]);
        CheckLoaded(Load(document, profile, true, languageFlag));
    }

    // The start-up read of the same bytes as config.ini.
    const fs::path config = scratch.File("config.ini");
    WriteFile(config, bytes);
    ProfileSettings started;
    const StartupConfig startup = LoadStartupConfig(config, started, 1);
    Check(startup.currentProfile >= 1 && startup.currentProfile <= 5);
    Check(startup.languageFlag == languageFlag);
    const auto current = static_cast<std::size_t>(startup.currentProfile);
    if (document.HasSection(ProfileSectionName(startup.currentProfile))) {
        Check(startup.notice.empty());
        Check(TakeProfileValues(started) == loaded[current]);
        Check(ReadFile(config) == bytes);
    } else {
        // The factory settings: the profile's reset template where the file has one.
        const bool hasTemplate =
            startup.currentProfile > 1 &&
            document.HasSection(TemplateSectionName(startup.currentProfile, languageFlag));
        const ProfileValues factory =
            hasTemplate ? Load(document, startup.currentProfile, true, languageFlag)
                        : kResetDefaults;
        Check(!startup.notice.empty());
        Check(TakeProfileValues(started) == factory);
        Check(Load(config, startup.currentProfile) == factory);
        Check(ReadCurrentProfile(config) == startup.currentProfile);
        Check(ReadEditionFlag(config) == languageFlag);
    }

    // Saving one profile of the original bytes: it reads back, nothing else moves.
    WriteFile(config, bytes);
    const std::int32_t saved = static_cast<std::int32_t>(size % 5) + 1;
    ProfileSettings settings;
    StoreProfileValues(settings, loaded[static_cast<std::size_t>(saved)]);
    Check(SaveProfile(config, saved, settings));
    const zel::ini::IniDocument after = zel::ini::IniDocument::Load(config);
    for (std::int32_t profile = 1; profile <= 5; ++profile) {
        Check(Load(after, profile, false, languageFlag) ==
              loaded[static_cast<std::size_t>(profile)]);
        Check(Load(after, profile, true, languageFlag) ==
              Load(document, profile, true, languageFlag));
    }
    Check(ReadCurrentProfile(after) == storedProfile);
    Check(ReadEditionFlag(after) == languageFlag);
    return 0;
}
