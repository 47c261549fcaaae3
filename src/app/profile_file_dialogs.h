#pragma once

// The file dialogs of the profile import and export: one filter, "All Files(*.ini)" with the
// pattern *.ini, opening in the program's folder; the save dialog adds ".ini" to a name without
// an extension and asks before replacing an existing file.

#include <QString>
#include <filesystem>
#include <memory>
#include <optional>

class QFileDialog;
class QWidget;

namespace zel::app {

inline constexpr const char* kProfileFileFilter = "All Files(*.ini)";
inline constexpr const char* kProfileFileSuffix = "ini";

// The dialogs, configured but not shown, owned by `owner` (modal to it).
std::unique_ptr<QFileDialog> MakeImportProfileDialog(QWidget* owner, const QString& exeDir);
std::unique_ptr<QFileDialog> MakeExportProfileDialog(QWidget* owner, const QString& exeDir);

// Runs a dialog modally; the chosen file, or nothing when it was cancelled.
std::optional<std::filesystem::path> RunFileDialog(QFileDialog& dialog);

// Both in one call, for the window's actions.
std::optional<std::filesystem::path> AskProfileFileToImport(QWidget* owner, const QString& exeDir);
std::optional<std::filesystem::path> AskProfileFileToExport(QWidget* owner, const QString& exeDir);

}  // namespace zel::app
