#include "app/window/profile_file_dialogs.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

#include "platform/app_paths.h"

namespace zel::app {
namespace {

std::unique_ptr<QFileDialog> MakeDialog(QWidget* owner, const QString& exeDir,
                                        QFileDialog::AcceptMode mode, const char* filter) {
    auto dialog = std::make_unique<QFileDialog>(owner);
    dialog->setAcceptMode(mode);
    dialog->setDirectory(exeDir);
    dialog->setNameFilter(QString::fromLatin1(filter));
    dialog->setWindowModality(owner != nullptr ? Qt::WindowModal : Qt::ApplicationModal);
    return dialog;
}

std::unique_ptr<QFileDialog> MakeOpenDialog(QWidget* owner, const QString& exeDir,
                                            const char* filter) {
    auto dialog = MakeDialog(owner, exeDir, QFileDialog::AcceptOpen, filter);
    dialog->setFileMode(QFileDialog::ExistingFile);
    return dialog;
}

std::unique_ptr<QFileDialog> MakeSaveDialog(QWidget* owner, const QString& exeDir,
                                            const char* filter, const char* suffix) {
    auto dialog = MakeDialog(owner, exeDir, QFileDialog::AcceptSave, filter);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setDefaultSuffix(QString::fromLatin1(suffix));
    // Replacing an existing file needs the user's confirmation.
    dialog->setOption(QFileDialog::DontConfirmOverwrite, false);
    return dialog;
}

}  // namespace

QString FileDialogFolder(const platform::AppPaths& paths) {
    if (paths.IsPortable()) {
        return QString::fromStdString(paths.exeDir);
    }
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir()) {
        return documents;
    }
    return QDir::homePath();
}

std::unique_ptr<QFileDialog> MakeImportProfileDialog(QWidget* owner, const QString& exeDir) {
    return MakeOpenDialog(owner, exeDir, kProfileFileFilter);
}

std::unique_ptr<QFileDialog> MakeExportProfileDialog(QWidget* owner, const QString& exeDir) {
    return MakeSaveDialog(owner, exeDir, kProfileFileFilter, kProfileFileSuffix);
}

std::unique_ptr<QFileDialog> MakeImportMacroDialog(QWidget* owner, const QString& exeDir) {
    return MakeOpenDialog(owner, exeDir, kMacroFileFilter);
}

std::unique_ptr<QFileDialog> MakeExportMacroDialog(QWidget* owner, const QString& exeDir) {
    return MakeSaveDialog(owner, exeDir, kMacroFileFilter, kMacroFileSuffix);
}

std::optional<std::filesystem::path> RunFileDialog(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty() || files.front().isEmpty()) {
        return std::nullopt;
    }
    return std::filesystem::path(QFile::encodeName(files.front()).toStdString());
}

std::optional<std::filesystem::path> AskProfileFileToImport(QWidget* owner, const QString& exeDir) {
    return RunFileDialog(*MakeImportProfileDialog(owner, exeDir));
}

std::optional<std::filesystem::path> AskProfileFileToExport(QWidget* owner, const QString& exeDir) {
    return RunFileDialog(*MakeExportProfileDialog(owner, exeDir));
}

std::optional<std::filesystem::path> AskMacroFileToImport(QWidget* owner, const QString& exeDir) {
    return RunFileDialog(*MakeImportMacroDialog(owner, exeDir));
}

std::optional<std::filesystem::path> AskMacroFileToExport(QWidget* owner, const QString& exeDir) {
    return RunFileDialog(*MakeExportMacroDialog(owner, exeDir));
}

}  // namespace zel::app
