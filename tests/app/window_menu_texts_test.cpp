// The window menu and the About box in the words of the edition shown, with the build's version
// (ZEL_VERSION: the CMake project version, which every target is compiled with).

#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include "window_test_support.h"

namespace zel::test {
namespace {

struct WindowMenuSeen {
    QStringList items;
    QString aboutTitle;
    QString aboutText;
};

class WindowMenuTexts : public WindowTest {
protected:
    // Opens the window menu with Alt+Space, notes its items, chooses the last (About) with the
    // keyboard and notes the box it shows before closing it.
    WindowMenuSeen OpenAbout() {
        WindowMenuSeen seen;
        QTimer::singleShot(0, [&seen] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            ASSERT_NE(menu, nullptr);
            QAction* last = nullptr;
            for (QAction* action : menu->actions()) {
                if (!action->isSeparator()) {
                    seen.items << action->text();
                    last = action;
                }
            }
            ASSERT_NE(last, nullptr);
            QTimer::singleShot(0, [&seen] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                ASSERT_NE(box, nullptr);
                seen.aboutTitle = box->windowTitle();
                seen.aboutText = box->text();
                box->accept();
            });
            menu->setActiveAction(last);
            QTest::keyClick(menu, Qt::Key_Return);
        });
        Key(window(), QEvent::KeyPress, Qt::Key_Space, Qt::AltModifier);
        return seen;
    }
};

TEST_F(WindowMenuTexts, TheWindowMenuAndTheAboutBoxSpeakTheEditionAndTheBuildsVersion) {
    struct Case {
        int languageFlag;
        QStringList items;
        QString aboutTitle;
        QString aboutText;
    };
    const Case cases[] = {
        {1,
         {"Mi&nimise", "&About ZEL_GMouse..."},
         "About ZEL_GMouse",
         QStringLiteral("ZEL_GMouse Version " ZEL_VERSION)},
        {0,
         {"Mi&nimizar", "&Acerca de ZEL_GMouse..."},
         "Acerca de ZEL_GMouse",
         QStringLiteral("ZEL_GMouse versión " ZEL_VERSION)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.languageFlag);
        WindowSetup setup;
        setup.languageFlag = c.languageFlag;
        ASSERT_TRUE(Start(setup));
        const WindowMenuSeen seen = OpenAbout();
        EXPECT_EQ(seen.items, c.items);
        EXPECT_EQ(seen.aboutTitle, c.aboutTitle);
        EXPECT_EQ(seen.aboutText, c.aboutText);
    }
}

}  // namespace
}  // namespace zel::test
