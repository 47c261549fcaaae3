#include "settings/config_files.h"

#include <string_view>

#include "platform/edition.h"
#include "settings/parse_decimal.h"

namespace zel::settings {
namespace {

constexpr std::string_view kInitSection = "Init";
constexpr std::string_view kCurrentProfileKey = "CurConfig";
constexpr std::string_view kEditionKey = "VER_SEL";
constexpr std::memory_order kRelaxed = std::memory_order_relaxed;

std::string Numbered(std::string_view prefix, std::int32_t n) {
    return std::string(prefix) + std::to_string(n);
}

// "%d" of a 32-bit field, and of an 8-bit field as the unsigned number it holds.
std::string Decimal(std::int32_t value) {
    return std::to_string(value);
}
std::string Decimal(std::uint8_t value) {
    return std::to_string(unsigned{value});
}

std::int32_t ReadNumber(const ini::IniDocument& document, std::string_view section,
                        std::string_view key, std::size_t buffer) {
    return ParseDecimal(document.Get(section, key, buffer));
}

std::uint8_t ToByte(std::int32_t value) {
    return static_cast<std::uint8_t>(value);
}

// Every overload taking a path: the writes its batch overload adds, committed to `file` as one
// replacement.
template <typename Writes>
bool CommitToFile(const std::filesystem::path& file, const Writes& writes) {
    ini::IniWriteBatch batch(file);
    writes(batch);
    return batch.Commit();
}

}  // namespace

std::string ProfileSectionName(std::int32_t profile) {
    return Numbered("Config", profile);
}

std::string TemplateSectionName(std::int32_t profile, std::uint8_t languageFlag) {
    if (profile == 5 && platform::IsExactlyEnglishFlag(languageFlag)) {
        return "CfgReset_EN5";
    }
    return Numbered("CfgReset", profile);
}

void LoadProfile(const std::filesystem::path& file, std::int32_t profile, bool fromTemplate,
                 std::uint8_t languageFlag, ProfileSettings& settings) {
    LoadProfile(ini::IniDocument::Load(file), profile, fromTemplate, languageFlag, settings);
}

void LoadProfile(const ini::IniDocument& document, std::int32_t profile, bool fromTemplate,
                 std::uint8_t languageFlag, ProfileSettings& settings) {
    const std::string section =
        fromTemplate ? TemplateSectionName(profile, languageFlag) : ProfileSectionName(profile);
    auto read = [&](std::string_view key, std::size_t buffer) {
        return ReadNumber(document, section, key, buffer);
    };
    for (std::size_t i = 0; i < settings.K.size(); ++i) {
        settings.K[i].store(read(Numbered("K", static_cast<std::int32_t>(i)), kShortReadBuffer),
                            kRelaxed);
    }
    settings.WHEEL_STATUS.store(read("WHEEL_STATUS", kShortReadBuffer), kRelaxed);
    settings.MACRO_MODE2.store(read("MACRO_MODE2", kShortReadBuffer), kRelaxed);
    settings.DPI_LEVEL.store(read("DPI_LEVEL", kShortReadBuffer), kRelaxed);
    for (std::size_t n = 0; n < settings.DPI_SET.size(); ++n) {
        const auto level = static_cast<std::int32_t>(n);
        settings.DPI_SET[n].store(ToByte(read(Numbered("DPI_SET", level), kLongReadBuffer)),
                                  kRelaxed);
        const bool enabled = read(Numbered("DPI_SET_EN", level), kLongReadBuffer) != 0;
        settings.DPI_SET_EN[n].store(enabled ? 1 : 0, kRelaxed);
    }
    settings.LED_STATUS.store(ToByte(read("LED_STATUS", kShortReadBuffer)), kRelaxed);
    settings.DPI_SPEED.store(ToByte(read("DPI_SPEED", kShortReadBuffer)), kRelaxed);
    settings.WHEEL_SPEED.store(ToByte(read("WHEEL_SPEED", kShortReadBuffer)), kRelaxed);
    settings.USB_SPEED.store(ToByte(read("USB_SPEED", kShortReadBuffer)), kRelaxed);
    settings.FIRE_TIME.store(read("FIRE_TIME", kShortReadBuffer), kRelaxed);
}

void SaveProfile(ini::IniWriteBatch& batch, std::int32_t profile, const ProfileSettings& settings) {
    const std::string section = ProfileSectionName(profile);
    auto write = [&](std::string_view key, const std::string& value) {
        batch.Write(section, key, value);
    };
    for (std::size_t i = 0; i < settings.K.size(); ++i) {
        write(Numbered("K", static_cast<std::int32_t>(i)), Decimal(settings.K[i].load(kRelaxed)));
    }
    write("DPI_LEVEL", Decimal(settings.DPI_LEVEL.load(kRelaxed)));
    write("WHEEL_STATUS", Decimal(settings.WHEEL_STATUS.load(kRelaxed)));
    write("MACRO_MODE2", Decimal(settings.MACRO_MODE2.load(kRelaxed)));
    for (std::size_t n = 0; n < settings.DPI_SET.size(); ++n) {
        const auto level = static_cast<std::int32_t>(n);
        write(Numbered("DPI_SET", level), Decimal(settings.DPI_SET[n].load(kRelaxed)));
        write(Numbered("DPI_SET_EN", level), settings.DPI_SET_EN[n].load(kRelaxed) ? "1" : "0");
    }
    write("LED_STATUS", Decimal(settings.LED_STATUS.load(kRelaxed)));
    write("DPI_SPEED", Decimal(settings.DPI_SPEED.load(kRelaxed)));
    write("WHEEL_SPEED", Decimal(settings.WHEEL_SPEED.load(kRelaxed)));
    write("USB_SPEED", Decimal(settings.USB_SPEED.load(kRelaxed)));
    write("FIRE_TIME", Decimal(settings.FIRE_TIME.load(kRelaxed)));
}

bool SaveProfile(const std::filesystem::path& file, std::int32_t profile,
                 const ProfileSettings& settings) {
    return CommitToFile(file,
                        [&](ini::IniWriteBatch& batch) { SaveProfile(batch, profile, settings); });
}

void WriteProfileDpiLevel(ini::IniWriteBatch& batch, std::int32_t profile,
                          const ProfileSettings& settings) {
    batch.Write(ProfileSectionName(profile), "DPI_LEVEL",
                Decimal(settings.DPI_LEVEL.load(kRelaxed)));
}

bool WriteProfileDpiLevel(const std::filesystem::path& file, std::int32_t profile,
                          const ProfileSettings& settings) {
    return CommitToFile(
        file, [&](ini::IniWriteBatch& batch) { WriteProfileDpiLevel(batch, profile, settings); });
}

void WriteProfileUsbSpeed(ini::IniWriteBatch& batch, std::int32_t profile,
                          const ProfileSettings& settings) {
    batch.Write(ProfileSectionName(profile), "USB_SPEED",
                Decimal(settings.USB_SPEED.load(kRelaxed)));
}

bool WriteProfileUsbSpeed(const std::filesystem::path& file, std::int32_t profile,
                          const ProfileSettings& settings) {
    return CommitToFile(
        file, [&](ini::IniWriteBatch& batch) { WriteProfileUsbSpeed(batch, profile, settings); });
}

std::int32_t ReadCurrentProfile(const ini::IniDocument& document) {
    return ReadNumber(document, kInitSection, kCurrentProfileKey, kShortReadBuffer);
}

std::int32_t ReadCurrentProfile(const std::filesystem::path& file) {
    return ReadCurrentProfile(ini::IniDocument::Load(file));
}

void WriteCurrentProfile(ini::IniWriteBatch& batch, std::int32_t profile) {
    batch.Write(kInitSection, kCurrentProfileKey, Decimal(profile));
}

bool WriteCurrentProfile(const std::filesystem::path& file, std::int32_t profile) {
    return CommitToFile(file,
                        [&](ini::IniWriteBatch& batch) { WriteCurrentProfile(batch, profile); });
}

std::uint8_t ReadEditionFlag(const ini::IniDocument& document) {
    return ToByte(ReadNumber(document, kInitSection, kEditionKey, kShortReadBuffer));
}

std::uint8_t ReadEditionFlag(const std::filesystem::path& file) {
    return ReadEditionFlag(ini::IniDocument::Load(file));
}

void WriteEditionFlag(ini::IniWriteBatch& batch, std::uint8_t languageFlag) {
    batch.Write(kInitSection, kEditionKey, Decimal(languageFlag));
}

bool WriteEditionFlag(const std::filesystem::path& file, std::uint8_t languageFlag) {
    return CommitToFile(file,
                        [&](ini::IniWriteBatch& batch) { WriteEditionFlag(batch, languageFlag); });
}

}  // namespace zel::settings
