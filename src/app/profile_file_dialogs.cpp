#include "app/profile_file_dialogs.h"

#include <QFile>
#include <QFileDialog>
#include <QStringList>

namespace zel::app {
namespace {

std::unique_ptr<QFileDialog> MakeProfileDialog(QWidget* owner, const QString& exeDir,
                                               QFileDialog::AcceptMode mode) {
    auto dialog = std::make_unique<QFileDialog>(owner);
    dialog->setAcceptMode(mode);
    dialog->setDirectory(exeDir);
    dialog->setNameFilter(QString::fromLatin1(kProfileFileFilter));
    dialog->setWindowModality(owner != nullptr ? Qt::WindowModal : Qt::ApplicationModal);
    return dialog;
}

}  // namespace

std::unique_ptr<QFileDialog> MakeImportProfileDialog(QWidget* owner, const QString& exeDir) {
    auto dialog = MakeProfileDialog(owner, exeDir, QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    return dialog;
}

std::unique_ptr<QFileDialog> MakeExportProfileDialog(QWidget* owner, const QString& exeDir) {
    auto dialog = MakeProfileDialog(owner, exeDir, QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setDefaultSuffix(QString::fromLatin1(kProfileFileSuffix));
    // Replacing an existing file needs the user's confirmation.
    dialog->setOption(QFileDialog::DontConfirmOverwrite, false);
    return dialog;
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

}  // namespace zel::app
