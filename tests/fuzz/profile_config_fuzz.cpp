// Fuzzes the profile numbers the program reads from config.ini: the input is the file's bytes.
//
// Checked for every profile and reset template: a field read from a short buffer stays within
// what four characters can spell, enable flags are 0 or 1, and the upload derived from the
// values stays within its tables. The start-up read of the same text picks a profile 1 ... 5
// and either loads its section unchanged (nothing to write) or completes the file with the
// factory settings and uses them; saving one profile into the text reads back the same and
// leaves every other section, CurConfig and VER_SEL reading as before. No files: the writes are
// applied to the text as a file's replacement applies them.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
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
using zel::fuzz::Check;

ProfileValues Load(const zel::ini::IniDocument& document, std::int32_t profile, bool fromTemplate,
                   std::uint8_t languageFlag) {
    ProfileSettings settings;
    LoadProfile(document, profile, fromTemplate, languageFlag, settings);
    return TakeProfileValues(settings);
}

// The text after `batch` was committed to a file holding `document`, as a later read parses it.
zel::ini::IniDocument Committed(const zel::ini::IniDocument& document,
                                const zel::ini::IniWriteBatch& batch) {
    zel::ini::IniDocument written = document;
    Check(batch.ApplyTo(written));
    return zel::ini::IniDocument::Parse(written.Serialize());
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
    ProfileSettings started;
    zel::ini::IniWriteBatch completion({});
    const StartupConfig startup = ReadStartupConfig(document, started, completion);
    Check(startup.currentProfile >= 1 && startup.currentProfile <= 5);
    Check(startup.languageFlag == languageFlag);
    const auto current = static_cast<std::size_t>(startup.currentProfile);
    if (document.HasSection(ProfileSectionName(startup.currentProfile))) {
        Check(completion.size() == 0);
        Check(TakeProfileValues(started) == loaded[current]);
    } else {
        // The factory settings: the profile's reset template where the file has one.
        const bool hasTemplate =
            startup.currentProfile > 1 &&
            document.HasSection(TemplateSectionName(startup.currentProfile, languageFlag));
        const ProfileValues factory =
            hasTemplate ? Load(document, startup.currentProfile, true, languageFlag)
                        : kResetDefaults;
        Check(completion.size() != 0);
        Check(TakeProfileValues(started) == factory);
        const zel::ini::IniDocument completed = Committed(document, completion);
        Check(Load(completed, startup.currentProfile, false, languageFlag) == factory);
        Check(ReadCurrentProfile(completed) == startup.currentProfile);
        Check(ReadEditionFlag(completed) == languageFlag);
    }

    // Saving one profile into the original bytes: it reads back, nothing else moves.
    const std::int32_t saved = static_cast<std::int32_t>(size % 5) + 1;
    ProfileSettings settings;
    StoreProfileValues(settings, loaded[static_cast<std::size_t>(saved)]);
    zel::ini::IniWriteBatch save({});
    SaveProfile(save, saved, settings);
    const zel::ini::IniDocument after = Committed(document, save);
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
