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

        case TextId::kRecord:
            return "Record";
        case TextId::kStopRecording:
            return "Stop";
        case TextId::kMinimiseControl:
            return "Minimise";
        case TextId::kCloseControl:
            return "Close";

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
