#pragma once

// One identifier for every text the user can read that exists in both editions. The words
// themselves are in catalog_en.cpp and catalog_es.cpp; a text with placeholders names them in
// braces ({file}, {n}, ...), which FillText replaces.

namespace zel::text {

enum class TextId {
    // The mouse
    kNoMouse,            // no mouse plugged in at start
    kAccessRefused,      // {node}: present, but its node may not be opened
    kUploadNotReceived,  // the mouse did not take the whole profile

    // Why a file could not be read or written
    kFileMissing,
    kFileDanglingLink,
    kFileIsFolder,
    kFileNotRegular,
    kFileNoPermission,
    kFileTooLarge,
    kFileNoFolder,
    kFileReadOnlyFolder,
    kFileReadOnlyFileSystem,
    kFileDiskFull,
    kFileWriteProtected,
    kFileUnstorableValue,
    kFileIoError,

    // The profile actions ({file}, {section}, {reason})
    kProfileCannotImport,
    kProfileUnusableImport,
    kProfileNoProfileInFile,
    kProfileWriteFailed,
    kProfileMissingTemplate,
    kProfileResetNotSaved,

    // The start's reading of the configuration file ({file}, {n})
    kConfigMissingFile,
    kConfigMissingProfile,
    kConfigUnreadable,  // {reason} too
    kConfigNotWritten,
    // A later reading of the configuration file that failed ({file}, {reason})
    kConfigCannotRead,

    // The macro page's record button
    kRecord,
    kStopRecording,

    // Names that assistive technology gives controls showing only a picture
    kMinimiseControl,
    kCloseControl,

    // Names and values that assistive technology gives the window and its controls
    kWindowName,
    kImportProfileControl,
    kExportProfileControl,
    kImportMacrosControl,
    kExportMacrosControl,
    kAddMacroControl,
    kDeleteMacroControl,
    kSetRepeatCountControl,
    kLevelOnName,       // {label}: the level's caption
    kLevelDpiName,      // {label}
    kPressStepsName,    // {n}
    kReleaseStepsName,  // {n}
    kDpiValue,          // {n}
};

// One past the last identifier, for walking every text.
inline constexpr int kTextIdCount = static_cast<int>(TextId::kDpiValue) + 1;

}  // namespace zel::text
