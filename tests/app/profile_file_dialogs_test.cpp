#include "app/window/profile_file_dialogs.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <fstream>

#include "shell_test_qt.h"

namespace zel::app {
namespace {

class ProfileFileDialogs : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder.isValid()); }

    // Runs the dialog while a timer plays the user: types `name` and confirms, or cancels.
    std::optional<std::filesystem::path> RunAs(QFileDialog& dialog, const QString& name,
                                               bool confirm = true) {
        QTimer::singleShot(0, &dialog, [&dialog, name, confirm] {
            if (!confirm) {
                dialog.reject();
                return;
            }
            dialog.selectFile(name);
            static_cast<QDialog&>(dialog).accept();  // as the dialog's own button does
        });
        return RunFileDialog(dialog);
    }

    shell_testing::ApplicationGuard application;
    QTemporaryDir folder;
    QWidget owner;
};

TEST_F(ProfileFileDialogs, EachOffersOnlyItsOwnFilesFromTheProgramsFolder) {
    const QString exeDir = folder.path();
    struct Case {
        const char* what;
        std::unique_ptr<QFileDialog> dialog;
        QFileDialog::AcceptMode mode;
        QString suffix;
        QString filter;
    };
    Case cases[] = {
        {"profile import", MakeImportProfileDialog(&owner, exeDir), QFileDialog::AcceptOpen, "",
         "All Files(*.ini)"},
        {"profile export", MakeExportProfileDialog(&owner, exeDir), QFileDialog::AcceptSave, "ini",
         "All Files(*.ini)"},
        {"macro import", MakeImportMacroDialog(&owner, exeDir), QFileDialog::AcceptOpen, "",
         "All Files(*.dat)"},
        {"macro export", MakeExportMacroDialog(&owner, exeDir), QFileDialog::AcceptSave, "dat",
         "All Files(*.dat)"},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.what);
        QFileDialog& d = *c.dialog;
        EXPECT_EQ(d.nameFilters(), QStringList{c.filter});
        EXPECT_EQ(QDir(d.directory()).canonicalPath(), QDir(exeDir).canonicalPath());
        EXPECT_EQ(d.acceptMode(), c.mode);
        EXPECT_EQ(d.defaultSuffix(), c.suffix);
        EXPECT_FALSE(d.testOption(QFileDialog::DontConfirmOverwrite));
        EXPECT_EQ(d.parentWidget(), &owner);
        EXPECT_TRUE(d.isModal());
    }
    EXPECT_EQ(cases[0].dialog->fileMode(), QFileDialog::ExistingFile);
    EXPECT_EQ(cases[2].dialog->fileMode(), QFileDialog::ExistingFile);
}

TEST_F(ProfileFileDialogs, ExportAddsTheExtensionToABareName) {
    struct Case {
        std::unique_ptr<QFileDialog> dialog;
        const char* expected;
    };
    Case cases[] = {{MakeExportProfileDialog(&owner, folder.path()), "mine.ini"},
                    {MakeExportMacroDialog(&owner, folder.path()), "mine.dat"}};
    for (auto& c : cases) {
        SCOPED_TRACE(c.expected);
        const auto chosen = RunAs(*c.dialog, "mine");
        ASSERT_TRUE(chosen.has_value());
        EXPECT_EQ(chosen->filename(), c.expected);
        EXPECT_EQ(QDir(QString::fromStdString(chosen->parent_path().string())).canonicalPath(),
                  QDir(folder.path()).canonicalPath());
    }
}

TEST_F(ProfileFileDialogs, ImportReturnsTheChosenFileAndCancelReturnsNothing) {
    const QString existing = folder.filePath("shared.ini");
    std::ofstream(existing.toStdString()) << "[Config7]\n";

    auto open = MakeImportProfileDialog(&owner, folder.path());
    const auto chosen = RunAs(*open, existing);
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(chosen->filename(), "shared.ini");

    auto cancelled = MakeImportProfileDialog(&owner, folder.path());
    EXPECT_FALSE(RunAs(*cancelled, existing, /*confirm=*/false).has_value());
}

}  // namespace
}  // namespace zel::app
