#include "text/catalog.h"

namespace zel::text {

std::string_view EnglishText(TextId id) {
    switch (id) {
        case TextId::kNoMouse:
            return "Please plug-in【KV270 Gaming Mouse】USB Mouse";
        case TextId::kAccessRefused:
            return "The【KV270 Gaming Mouse】is plugged in ({node}), but access to it was "
                   "refused.\n"
                   "Install the udev rule (see ZEL_GMouse(1), ACCESS TO THE MOUSE), then unplug "
                   "the mouse and "
                   "plug it in again.";
        case TextId::kUploadNotReceived:
            return "The mouse did not receive the whole profile (was it unplugged?); the "
                   "profile was not applied.";

        case TextId::kFileMissing:
            return "no such file";
        case TextId::kFileDanglingLink:
            return "a symbolic link to a file that does not exist";
        case TextId::kFileIsFolder:
            return "it is a folder, not a file";
        case TextId::kFileNotRegular:
            return "not a regular file";
        case TextId::kFileNoPermission:
            return "permission denied";
        case TextId::kFileTooLarge:
            return "the file is larger than 1 MiB";
        case TextId::kFileNoFolder:
            return "its folder does not exist";
        case TextId::kFileReadOnlyFolder:
            return "the folder is read-only";
        case TextId::kFileReadOnlyFileSystem:
            return "the file system is read-only";
        case TextId::kFileDiskFull:
            return "the disk is full";
        case TextId::kFileWriteProtected:
            return "the file is write-protected";
        case TextId::kFileUnstorableValue:
            return "a value cannot be stored in the file";
        case TextId::kFileIoError:
            return "input/output error";

        case TextId::kProfileCannotImport:
            return "\"{file}\" cannot be imported: {reason}.\nNothing was imported.";
        case TextId::kProfileUnusableImport:
            return "The profile in \"{file}\" leaves no button with the left click or no DPI "
                   "level enabled.\nNothing was imported.";
        case TextId::kProfileNoProfileInFile:
            return "\"{file}\" holds no mouse profile (section [{section}] is missing).\n"
                   "Nothing was imported.";
        case TextId::kProfileWriteFailed:
            return "The profile could not be written to \"{file}\"{reason}.";
        case TextId::kProfileMissingTemplate:
            return "The reset template [{section}] is missing from \"{file}\".\n"
                   "That profile was set to the factory defaults instead.";
        case TextId::kProfileResetNotSaved:
            return "The factory settings could not be written to \"{file}\"{reason}.\n"
                   "The reset is not saved.";

        case TextId::kConfigMissingFile:
            return "\"{file}\" was not found.\nThe factory settings were loaded for profile {n} "
                   "and written to it.";
        case TextId::kConfigMissingProfile:
            return "\"{file}\" holds no settings for profile {n}.\nThe factory settings were "
                   "loaded and written to it.";
        case TextId::kConfigUnreadable:
            return "\"{file}\" cannot be read: {reason}.\n"
                   "The factory settings are used for profile {n}; the file is left as it is.";
        case TextId::kConfigNotWritten:
            return "\nThey could not be written to the file.";
        case TextId::kConfigCannotRead:
            return "\"{file}\" cannot be read: {reason}.\nNothing was sent to the mouse or "
                   "written.";

        case TextId::kNoSettingsFolder:
            return "cannot find the settings folder: neither XDG_CONFIG_HOME nor HOME names an "
                   "absolute path";
        case TextId::kSettingsFolderNotMade:
            return "cannot create the settings folder {folder}: {reason}; settings and macros "
                   "cannot be saved";
        case TextId::kSettingsFolderReadOnly:
            return "cannot write in the settings folder {folder}: {reason}; settings and macros "
                   "cannot be saved";
        case TextId::kSettingsFileNotCopied:
            return "cannot copy {source} to {file}: {reason}; settings and macros cannot be saved";
        case TextId::kLocaleEditionNotWritten:
            return "cannot write the edition of the locale into {file}";

        case TextId::kInputReportsMissing:
            return "The mouse's input collection has no input reports, so the mouse cannot be "
                   "used.";
        case TextId::kFeatureReportsMissing:
            return "The mouse's feature collection has no feature reports, so the mouse cannot be "
                   "used.";
        case TextId::kInputReportsTooLong:
            return "The mouse's input reports are {n} bytes long; this program handles at most "
                   "{max} bytes, so the mouse cannot be used.";
        case TextId::kFeatureReportsTooLong:
            return "The mouse's feature reports are {n} bytes long; this program handles at most "
                   "{max} bytes, so the mouse cannot be used.";
        case TextId::kDeviceEventsFailed:
            return "waiting for device events failed; shutting down";

        case TextId::kLayoutFileMissing:
            return "Profile not found";
        case TextId::kLayoutFileMalformed:
            return "Loading error ini!";

        case TextId::kMacroStepsOverflow:
            return "Overflow !!!";
        case TextId::kMacroCannotImport:
            return "Cannot import the macros from {file}: {reason}.";
        case TextId::kMacroCannotSave:
            return "Cannot save the macros to {file}";
        case TextId::kMacroCannotSaveBecause:
            return "Cannot save the macros to {file}: {reason}";

        case TextId::kStepMenuTitle:
            return "Menu_Macro";
        case TextId::kStepMenuInsertBefore:
            return "Add Forward";
        case TextId::kStepMenuInsertAfter:
            return "Add Backward";
        case TextId::kStepMenuLeftButton:
            return "Left Button";
        case TextId::kStepMenuRightButton:
            return "Right Button";
        case TextId::kStepMenuMiddleButton:
        case TextId::kStepMenuMiddleButtonAfter:
            return "Mid Button";
        case TextId::kStepMenuPress:
            return "Down";
        case TextId::kStepMenuLeftPress:
            return "Down ";
        case TextId::kStepMenuRelease:
        case TextId::kStepMenuReleaseSpaced:
            return "Up";
        case TextId::kStepMenuModifyDelay:
            return "Modify Delay";
        case TextId::kStepMenuDelete:
            return "Delete";

        case TextId::kTrayMenuTitle:
            return "Menu_Tray";
        case TextId::kTrayMenuShowWindow:
            return "Show Window";
        case TextId::kTrayMenuExit:
            return "Exit Driver";

        case TextId::kWindowMenuMinimise:
            return "Mi&nimise";
        case TextId::kWindowMenuAbout:
            return "&About ZEL_GMouse...";
        case TextId::kAboutCaption:
            return "About ZEL_GMouse";
        case TextId::kAboutText:
            return "ZEL_GMouse Version {version}";

        case TextId::kRecord:
            return "Record";
        case TextId::kStopRecording:
            return "Stop";
        case TextId::kMinimiseControl:
            return "Minimise";
        case TextId::kCloseControl:
            return "Close";

        case TextId::kRecordingHint:
            return "Records every key until Stop, or until Escape is held down for one second; a "
                   "short Escape is recorded, the key that pressed Record is not.";
        case TextId::kWindowName:
            return "KV270 Gaming Mouse";
        case TextId::kImportProfileControl:
            return "Import profile";
        case TextId::kExportProfileControl:
            return "Export profile";
        case TextId::kImportMacrosControl:
            return "Import macros";
        case TextId::kExportMacrosControl:
            return "Export macros";
        case TextId::kAddMacroControl:
            return "Add macro";
        case TextId::kDeleteMacroControl:
            return "Delete macro";
        case TextId::kSetRepeatCountControl:
            return "Set repeat count";
        case TextId::kLevelOnName:
            return "{label} on";
        case TextId::kLevelDpiName:
            return "{label} DPI";
        case TextId::kPressStepsName:
            return "Press steps: {n}";
        case TextId::kReleaseStepsName:
            return "Release steps: {n}";
        case TextId::kDpiValue:
            return "{n} DPI";
    }
    return {};
}

}  // namespace zel::text
