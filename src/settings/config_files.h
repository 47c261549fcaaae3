#pragma once

// config.ini and profile exchange files: section Init (CurConfig, VER_SEL), one section per
// profile ("Config<n>") and the reset templates ("CfgReset<n>", "CfgReset_EN5"). Every value
// is a decimal number written with "%d".
//
// Each operation that takes a path reads the file once or replaces it atomically once. The
// overloads taking an IniWriteBatch add their writes to the batch, so that an operation made of
// several (the upload writes CurConfig, Config6 and the current profile) is committed as one
// replacement of the file; those taking an IniDocument read from a file parsed once.

#include <cstdint>
#include <filesystem>
#include <string>

#include "settings/ini_file.h"
#include "settings/profile_settings.h"

namespace zel::settings {

// Buffer sizes of the reads: 4 and 9 characters of a value are taken into account.
inline constexpr std::size_t kShortReadBuffer = 5;
inline constexpr std::size_t kLongReadBuffer = 10;

std::string ProfileSectionName(std::int32_t profile);  // "Config<n>"
// "CfgReset_EN5" for profile 5 when languageFlag is exactly 1, else "CfgReset<n>": a flag of 2
// selects the EN files and texts, but the CN template of profile 5.
std::string TemplateSectionName(std::int32_t profile, std::uint8_t languageFlag);

// Reads every stored field of the profile's section (or its reset template) into settings; a
// missing file, section or key stores 0. Values are not validated, only cut to the field width.
void LoadProfile(const std::filesystem::path& file, std::int32_t profile, bool fromTemplate,
                 std::uint8_t languageFlag, ProfileSettings& settings);
void LoadProfile(const ini::IniDocument& document, std::int32_t profile, bool fromTemplate,
                 std::uint8_t languageFlag, ProfileSettings& settings);

// Writes every stored field into "Config<n>" in the fixed key order.
bool SaveProfile(const std::filesystem::path& file, std::int32_t profile,
                 const ProfileSettings& settings);
void SaveProfile(ini::IniWriteBatch& batch, std::int32_t profile, const ProfileSettings& settings);

bool WriteProfileDpiLevel(const std::filesystem::path& file, std::int32_t profile,
                          const ProfileSettings& settings);
void WriteProfileDpiLevel(ini::IniWriteBatch& batch, std::int32_t profile,
                          const ProfileSettings& settings);
bool WriteProfileUsbSpeed(const std::filesystem::path& file, std::int32_t profile,
                          const ProfileSettings& settings);
void WriteProfileUsbSpeed(ini::IniWriteBatch& batch, std::int32_t profile,
                          const ProfileSettings& settings);

// CurConfig of Init; 0 when missing. No range check.
std::int32_t ReadCurrentProfile(const std::filesystem::path& file);
std::int32_t ReadCurrentProfile(const ini::IniDocument& document);
bool WriteCurrentProfile(const std::filesystem::path& file, std::int32_t profile);
void WriteCurrentProfile(ini::IniWriteBatch& batch, std::int32_t profile);

// VER_SEL of Init as an 8-bit value; 0 (CN edition) when missing.
std::uint8_t ReadEditionFlag(const std::filesystem::path& file);
std::uint8_t ReadEditionFlag(const ini::IniDocument& document);
bool WriteEditionFlag(const std::filesystem::path& file, std::uint8_t languageFlag);
void WriteEditionFlag(ini::IniWriteBatch& batch, std::uint8_t languageFlag);

}  // namespace zel::settings
