#pragma once

// The file dialogs of the profile and macro import and export: one filter, "All Files(*.ini)"
// with the pattern *.ini for profiles, "All Files(*.dat)" with *.dat for macros, opening in
// FileDialogFolder; the save dialog adds the extension to a name without one and asks before
// replacing an existing file.

#include <QString>
#include <filesystem>
#include <memory>
#include <optional>

class QFileDialog;
class QWidget;

namespace zel::platform {
struct AppPaths;
}

namespace zel::app {

inline constexpr const char* kProfileFileFilter = "All Files(*.ini)";
inline constexpr const char* kProfileFileSuffix = "ini";
inline constexpr const char* kMacroFileFilter = "All Files(*.dat)";
inline constexpr const char* kMacroFileSuffix = "dat";

// Where the dialogs open: a portable program's own folder; installed, the user's documents
// folder, or the home folder when there is none (never the hidden settings folder, whose
// config.ini would be offered for overwriting).
QString FileDialogFolder(const platform::AppPaths& paths);

// The dialogs, configured but not shown, owned by `owner` (modal to it).
std::unique_ptr<QFileDialog> MakeImportProfileDialog(QWidget* owner, const QString& exeDir);
std::unique_ptr<QFileDialog> MakeExportProfileDialog(QWidget* owner, const QString& exeDir);
std::unique_ptr<QFileDialog> MakeImportMacroDialog(QWidget* owner, const QString& exeDir);
std::unique_ptr<QFileDialog> MakeExportMacroDialog(QWidget* owner, const QString& exeDir);

// Runs a dialog modally; the chosen file, or nothing when it was cancelled.
std::optional<std::filesystem::path> RunFileDialog(QFileDialog& dialog);

// Both in one call, for the window's actions.
std::optional<std::filesystem::path> AskProfileFileToImport(QWidget* owner, const QString& exeDir);
std::optional<std::filesystem::path> AskProfileFileToExport(QWidget* owner, const QString& exeDir);
std::optional<std::filesystem::path> AskMacroFileToImport(QWidget* owner, const QString& exeDir);
std::optional<std::filesystem::path> AskMacroFileToExport(QWidget* owner, const QString& exeDir);

}  // namespace zel::app
