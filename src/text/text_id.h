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

    // The user's settings folder at start ({folder}, {file}, {source}, {reason})
    kNoSettingsFolder,         // neither XDG_CONFIG_HOME nor HOME names a folder: no start
    kSettingsFolderNotMade,    // the folder cannot be created
    kSettingsFolderReadOnly,   // the folder cannot be written in
    kSettingsFileNotCopied,    // a shipped file cannot be copied into it
    kLocaleEditionNotWritten,  // the locale's edition cannot be stored in {file}

    // The mouse's channels: a report length the buffers cannot serve ({n} bytes, {max})
    kInputReportsMissing,
    kFeatureReportsMissing,
    kInputReportsTooLong,
    kFeatureReportsTooLong,
    // Waiting for the mouse's arrivals and removals failed: the program ends
    kDeviceEventsFailed,

    // The skin's layout files
    kLayoutFileMissing,    // a layout file of the edition is missing: the program ends
    kLayoutFileMalformed,  // an entry has more fields than a layout entry holds

    // The macro page and the macro files ({file}, {reason})
    kMacroStepsOverflow,  // a macro holds as many steps as it can
    kMacroCannotImport,
    kMacroCannotSave,
    kMacroCannotSaveBecause,

    // The context menu of the macro step list. Some items carry trailing blanks in one edition
    // and not in another place of the same menu: each such pair has its own entry.
    kStepMenuTitle,
    kStepMenuInsertBefore,
    kStepMenuInsertAfter,
    kStepMenuLeftButton,
    kStepMenuRightButton,
    kStepMenuMiddleButton,
    kStepMenuMiddleButtonAfter,  // the middle button's sub-menu under "insert after"
    kStepMenuPress,
    kStepMenuLeftPress,  // the left button's "press" (EN with a trailing blank)
    kStepMenuRelease,
    kStepMenuReleaseSpaced,  // "release" with a trailing blank in the CN edition
    kStepMenuModifyDelay,
    kStepMenuDelete,

    // The tray icon's menu
    kTrayMenuTitle,
    kTrayMenuShowWindow,
    kTrayMenuExit,

    // The window menu (right click on the skin's empty area) and the About box ({version})
    kWindowMenuMinimise,
    kWindowMenuAbout,
    kAboutCaption,
    kAboutText,

    // The macro page's record button
    kRecord,
    kStopRecording,

    // Names that assistive technology gives controls showing only a picture
    kMinimiseControl,
    kCloseControl,

    // What assistive technology tells of the record button: how a recording ends
    kRecordingHint,

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
