#include "app/window/tray_icon.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QMenu>
#include <QPointer>
#include <QWidget>

#include "app/menus/edition_menus.h"
#include "app/menus/skinned_menu.h"
#include "app/window/app_icon.h"
#include "shell_test_qt.h"

namespace zel::app {
namespace {

class Tray : public ::testing::Test {
protected:
    void SetUp() override {
        FillMenu(trayMenu, TrayMenuEntry(), 1);
        window.setWindowIcon(AppIcon(ZEL_RUNTIME_DIR));
        window.resize(200, 100);
        window.show();
        QObject::connect(&tray, &TrayIcon::showRequested, [this] { ++showRequests; });
        QObject::connect(&tray, &TrayIcon::exitRequested, [this] { ++exits; });
    }
    void TearDown() override { trayMenu.hide(); }

    bool Minimised() const { return (window.windowState() & Qt::WindowMinimized) != 0; }

    shell_testing::ApplicationGuard application;
    QWidget window;
    SkinnedMenu trayMenu;
    bool trayAvailable = true;
    TrayIcon tray{window, trayMenu, [this] { return trayAvailable; }};
    int showRequests = 0;
    int exits = 0;
};

TEST_F(Tray, CloseHidesToTheTrayAndLeavesExactlyOneIcon) {
    tray.HideToTray();
    const QPointer<QSystemTrayIcon> first = tray.icon();
    ASSERT_NE(first, nullptr);
    tray.HideToTray();
    tray.AddTrayIcon();
    EXPECT_TRUE(window.isHidden());
    EXPECT_TRUE(tray.IsPresent());
    EXPECT_FALSE(first.isNull()) << "the first icon was not replaced";
    EXPECT_EQ(tray.icon(), first.data()) << "later adds make no second icon";
    EXPECT_EQ(tray.icon()->toolTip(), "KV270 Gaming Mouse");
    EXPECT_FALSE(tray.icon()->icon().isNull());
}

TEST_F(Tray, WithoutANotificationAreaCloseOnlyMinimises) {
    trayAvailable = false;
    tray.HideToTray();
    EXPECT_FALSE(window.isHidden()) << "the window must stay reachable";
    EXPECT_TRUE(Minimised());
}

// The tray only asks for the window; showing it is the window's own (one way for every path).
TEST_F(Tray, ClicksOnTheIconAskForTheWindow) {
    for (const auto reason : {QSystemTrayIcon::DoubleClick, QSystemTrayIcon::Trigger}) {
        SCOPED_TRACE(reason);
        tray.HideToTray();
        const int before = showRequests;
        tray.HandleActivation(reason, QPoint(5, 5));
        EXPECT_EQ(showRequests, before + 1);
        EXPECT_TRUE(window.isHidden()) << "the tray does not show the window itself";
    }
    const int before = showRequests;
    tray.HandleActivation(QSystemTrayIcon::MiddleClick, QPoint(5, 5));
    EXPECT_EQ(showRequests, before);
}

TEST_F(Tray, ContextClickShowsTheEditionsMenuAtThePointer) {
    tray.HideToTray();
    tray.HandleActivation(QSystemTrayIcon::Context, QPoint(40, 30));
    EXPECT_TRUE(trayMenu.isVisible());
    EXPECT_EQ(trayMenu.pos(), QPoint(40, 30));
    EXPECT_EQ(showRequests, 0) << "the menu alone does not show the window";
}

TEST_F(Tray, MenuEntriesOfBothEditionsShowOrExit) {
    struct Edition {
        int flag;
        const char* show;
        const char* exit;
    };
    for (const Edition& e :
         {Edition{1, "Show Window", "Exit Driver"}, Edition{0, "Mostrar ventana", "Salir"}}) {
        SCOPED_TRACE(e.flag);
        FillMenu(trayMenu, TrayMenuEntry(), e.flag);
        const QList<QAction*> entries = trayMenu.actions();
        ASSERT_EQ(entries.size(), 2);
        EXPECT_EQ(entries[0]->text(), e.show);
        EXPECT_EQ(entries[1]->text(), e.exit);

        const int shows = showRequests;
        entries[0]->trigger();
        EXPECT_EQ(showRequests, shows + 1);

        const int before = exits;
        entries[1]->trigger();
        EXPECT_EQ(exits, before + 1);
    }
}

TEST_F(Tray, CommandsOfTheStepMenuAreNotTheTrays) {
    tray.HideToTray();
    for (const MenuCommand command :
         {MenuCommand::ModifyDelay, MenuCommand::DeleteStep, MenuCommand::InsertLeftPressBefore,
          MenuCommand::InsertMiddleReleaseAfter}) {
        EXPECT_FALSE(tray.RunMenuCommand(command)) << static_cast<int>(command);
    }
    EXPECT_EQ(showRequests, 0);
    EXPECT_EQ(exits, 0);
}

TEST_F(Tray, RemoveTakesTheIconAwayAndAddBringsItBack) {
    tray.AddTrayIcon();
    ASSERT_TRUE(tray.IsPresent());
    tray.RemoveTrayIcon();
    EXPECT_FALSE(tray.IsPresent());
    tray.RemoveTrayIcon();  // twice is harmless
    tray.AddTrayIcon();
    EXPECT_TRUE(tray.IsPresent());
}

TEST_F(Tray, ShowsTheWindowsIcon) {
    tray.AddTrayIcon();
    ASSERT_NE(tray.icon(), nullptr);
    EXPECT_EQ(tray.icon()->icon().cacheKey(), window.windowIcon().cacheKey());
}

TEST_F(Tray, PictureIsASmallTealMouseAtEverySizeUpTo256) {
    const QIcon icon = AppIcon(ZEL_RUNTIME_DIR);
    ASSERT_FALSE(icon.isNull());
    const QList<QSize> sizes = icon.availableSizes();
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        EXPECT_TRUE(sizes.contains(QSize(size, size))) << size;
    }
    for (const int size : {16, 32, 48, 256}) {
        const QImage image =
            icon.pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(image.size(), QSize(size, size));
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << "corners are transparent";
        const QColor middle(image.pixel(size / 2 - size / 5, size * 3 / 4));
        EXPECT_EQ(middle, QColor(0, 120, 153)) << size;
    }
}

}  // namespace
}  // namespace zel::app
