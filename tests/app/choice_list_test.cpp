// The function choice lists and the warning before them, driven through the main window.

#include "app/popups/choice_list.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QPointer>
#include <QTest>
#include <QThread>
#include <vector>

#include "app/pages/page_table.h"
#include "app/popups/accessible_popups.h"
#include "app/popups/choice_list_rows.h"
#include "app/popups/choice_sub_list.h"
#include "app/popups/warning_window.h"
#include "macro/macro_name.h"
#include "window_test_support.h"

namespace zel::test {
namespace {

using namespace skin_colors;
using skin::kNoEntry;

// A point inside row `row` (1-based) of a list.
QPoint RowPoint(int row, int rowHeight) {
    return {kMenuWidth / 2, (row - 1) * rowHeight + 3};
}

class ChoiceListTest : public WindowTest {
protected:
    app::ChoiceList* OpenListOf(int mouseButton) {
        Click(MainButton(25 + mouseButton));
        ProcessEvents();
        return window().OpenChoiceList();
    }

    void SetUserMacros(std::initializer_list<const char*> names) {
        std::vector<macro::MacroRecord> records;
        for (const char* name : names) {
            macro::MacroRecord record{};
            macro::SetName(record, name);
            records.push_back(record);
        }
        macros_.ReplaceUserMacros(records);
    }

    // Hovers a first-level row and lets the second-level list be rebuilt.
    app::ChoiceSubList* HoverGroup(app::ChoiceList& list, int row) {
        HoverAt(list, RowPoint(row, kMenuRowHeight));
        ProcessEvents();
        return list.subList();
    }

    // The colour of a row band's left edge in a list picture.
    static QColor Band(const QImage& image, int row, int rowHeight) {
        return image.pixelColor(1, (row - 1) * rowHeight + 1);
    }

    // Waits (bounded) until a closed list is destroyed.
    static void WaitUntilGone(const QPointer<app::ChoiceList>& list) {
        for (int i = 0; i < 40 && !list.isNull(); ++i) {
            ProcessEvents();
            QThread::msleep(5);
        }
    }
};

TEST_F(ChoiceListTest, FirstLevelListOpensUnderTheFieldAndChoosesRowsOneToSix) {
    ASSERT_TRUE(Start());
    app::ChoiceList* list = OpenListOf(2);
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(state().popupOpen);
    EXPECT_EQ(state().editedButton, 27);
    EXPECT_EQ(warningsSeen(), 0);

    const auto& field = layout().mainButtons[27];
    const QPoint windowTopLeft = window().mapToGlobal(QPoint(0, 0));
    EXPECT_EQ(state().popupX, windowTopLeft.x() + field.x);
    EXPECT_EQ(state().popupY, windowTopLeft.y() + field.y + field.height);
    EXPECT_EQ(list->pos(), QPoint(state().popupX, state().popupY));
    EXPECT_EQ(list->size(), QSize(300, 300));
    EXPECT_EQ(list->windowTitle(), "MainMenuDlg");
    EXPECT_EQ(list->rowHeight(), kMenuRowHeight);
    // Ten rows and the strip below them.
    EXPECT_EQ(list->mask(), QRegion(0, 0, kMenuWidth, 10 * kMenuRowHeight + 1));
    EXPECT_EQ(list->menuHotRow(), kNoEntry);

    HoverAt(*list, RowPoint(7, kMenuRowHeight));
    HoverAt(*list, RowPoint(3, kMenuRowHeight));
    EXPECT_EQ(list->menuHotRow(), 3);
    QImage image = list->Compose();
    EXPECT_TRUE(Near(Band(image, 3, kMenuRowHeight), kMenuOver));
    EXPECT_TRUE(Near(Band(image, 2, kMenuRowHeight), kMenuNormal));
    Press(*list, RowPoint(3, kMenuRowHeight));
    EXPECT_TRUE(Near(Band(list->Compose(), 3, kMenuRowHeight), kMenuDown));
    Release(*list, RowPoint(3, kMenuRowHeight));
    EXPECT_EQ(profile_.K[2].load(), 3);
    EXPECT_FALSE(list->isVisible());
    ProcessEvents();
    EXPECT_EQ(window().OpenChoiceList(), nullptr);
    // Stays set until the next press in the main window.
    EXPECT_TRUE(state().popupOpen);
    // (The main window's hot button is still the field: the pointer has to come back first.)
    HoverAt(MainButton(60));
    Press(MainButton(60));
    EXPECT_FALSE(state().popupOpen);
    Release(MainButton(60));

    list = OpenListOf(2);
    ASSERT_NE(list, nullptr);
    Click(*list, RowPoint(5, kMenuRowHeight));
    EXPECT_EQ(profile_.K[2].load(), 5);
}

TEST_F(ChoiceListTest, GroupRowsKeepTheListOpenAndOpenTheGroupBesideIt) {
    ASSERT_TRUE(Start());
    app::ChoiceList* list = OpenListOf(2);
    ASSERT_NE(list, nullptr);
    Click(*list, RowPoint(7, kMenuRowHeight));
    ProcessEvents();
    EXPECT_EQ(profile_.K[2].load(), 3) << "a group row chooses nothing";
    EXPECT_TRUE(list->isVisible());

    app::ChoiceSubList* sub = HoverGroup(*list, 7);
    ASSERT_NE(sub, nullptr);
    EXPECT_TRUE(sub->isVisible());
    EXPECT_EQ(sub->subItemCount(), 6);
    EXPECT_EQ(sub->listHeight(), 6 * kSubRowHeight + 1);
    EXPECT_EQ(sub->mask(), QRegion(0, 0, kMenuWidth, 6 * kSubRowHeight + 1));
    EXPECT_EQ(sub->size(), QSize(300, 400));
    const QPoint listTopLeft = list->mapToGlobal(QPoint(0, 0));
    EXPECT_EQ(sub->pos(), listTopLeft + QPoint(kMenuWidth, 1 * kMenuRowHeight));

    // Each group opens at its offset, so that its last item is level with the row.
    struct Group {
        int row, count, offsetRows;
    };
    for (const Group g : {Group{8, 10, -2}, Group{10, 8, 2}, Group{7, 6, 1}}) {
        sub = HoverGroup(*list, g.row);
        ASSERT_NE(sub, nullptr) << g.row;
        EXPECT_EQ(sub->subItemCount(), g.count);
        EXPECT_EQ(sub->pos().y(), listTopLeft.y() + g.offsetRows * kMenuRowHeight);
    }
    // A row without a group closes the second-level list.
    HoverGroup(*list, 4);
    EXPECT_EQ(list->subList(), nullptr);
}

TEST_F(ChoiceListTest, SecondLevelChoiceAssignsTheGroupCodeAndClosesBothLists) {
    ASSERT_TRUE(Start());
    app::ChoiceList* list = OpenListOf(1);
    ASSERT_NE(list, nullptr);
    app::ChoiceSubList* sub = HoverGroup(*list, 7);
    ASSERT_NE(sub, nullptr);
    const QPointer<app::ChoiceList> listAlive(list);
    const QPointer<app::ChoiceSubList> subAlive(sub);

    HoverAt(*sub, RowPoint(4, kSubRowHeight));
    EXPECT_EQ(sub->subHotRow(), 4);
    EXPECT_TRUE(Near(Band(sub->Compose(), 4, kSubRowHeight), kSubOver));
    Press(*sub, RowPoint(4, kSubRowHeight));
    EXPECT_TRUE(Near(Band(sub->Compose(), 4, kSubRowHeight), kSubDown));
    Release(*sub, RowPoint(4, kSubRowHeight));
    EXPECT_EQ(profile_.K[1].load(), 14);
    EXPECT_FALSE(list->isVisible());
    for (int i = 0; i < 20 && (listAlive || subAlive); ++i) {
        ProcessEvents();
        QThread::msleep(5);
    }
    EXPECT_TRUE(listAlive.isNull());
    EXPECT_TRUE(subAlive.isNull());
    EXPECT_FALSE(state().closeListPending);
    EXPECT_TRUE(state().popupOpen);
    // The field now reads the name of code 14, which is always "OFF".
    EXPECT_EQ(layout().functionNames[14], "OFF");
}

TEST_F(ChoiceListTest, MacroGroupListsTheUserMacrosByName) {
    ASSERT_TRUE(Start());
    SetUserMacros({"Alpha", "Beta", "Gamma"});
    app::ChoiceList* list = OpenListOf(3);
    ASSERT_NE(list, nullptr);
    app::ChoiceSubList* sub = HoverGroup(*list, 9);
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(sub->subItemCount(), 3);
    // Its last item is level with row 9: the list starts 6 rows below the first list's top.
    EXPECT_EQ(sub->pos().y(), list->mapToGlobal(QPoint(0, 0)).y() + 6 * kMenuRowHeight);
    Click(*sub, RowPoint(2, kSubRowHeight));
    EXPECT_EQ(profile_.K[3].load(), 42);

    // Without user macros the group is an empty, invisible list: nothing can be chosen.
    ProcessEvents();
    macros_.ReplaceUserMacros({});
    list = OpenListOf(4);
    ASSERT_NE(list, nullptr);
    sub = HoverGroup(*list, 9);
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(sub->subItemCount(), 0);
    EXPECT_FALSE(sub->isVisible());
    Click(*sub, RowPoint(1, kSubRowHeight));
    EXPECT_EQ(profile_.K[4].load(), 5);
}

TEST_F(ChoiceListTest, ReleasesOnTheOnePixelStripsChooseNothing) {
    ASSERT_TRUE(Start());
    app::ChoiceList* list = OpenListOf(2);
    ASSERT_NE(list, nullptr);
    const QPoint firstStrip(kMenuWidth / 2, 10 * kMenuRowHeight);
    Click(*list, firstStrip);
    EXPECT_EQ(list->menuHotRow(), 11);
    EXPECT_TRUE(list->isVisible());
    EXPECT_EQ(profile_.K[2].load(), 3);

    app::ChoiceSubList* sub = HoverGroup(*list, 10);
    ASSERT_NE(sub, nullptr);
    const QPoint secondStrip(kMenuWidth / 2, 8 * kSubRowHeight);
    Click(*sub, secondStrip);
    EXPECT_EQ(sub->subHotRow(), kNoEntry);
    ProcessEvents();
    EXPECT_TRUE(list->isVisible());
    EXPECT_EQ(list->subList(), sub);
    EXPECT_TRUE(sub->isVisible());
    EXPECT_EQ(profile_.K[2].load(), 3);
}

TEST_F(ChoiceListTest, APressInTheMainWindowClosesTheListBeforeActing) {
    ASSERT_TRUE(Start());
    const QPointer<app::ChoiceList> first(OpenListOf(3));
    ASSERT_FALSE(first.isNull());
    // Another function field: the open list closes and the new one opens.
    const QPointer<app::ChoiceList> second(OpenListOf(2));
    ASSERT_FALSE(second.isNull());
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(state().editedButton, 27);
    EXPECT_TRUE(state().popupOpen);
    // A page change closes it too.
    Click(MainButton(app::buttons::kColorPageButton));
    ProcessEvents();
    EXPECT_TRUE(second.isNull());
    EXPECT_FALSE(state().popupOpen);
    EXPECT_EQ(state().currentPage, app::kColorPage);
}

TEST_F(ChoiceListTest, ReopenedListHighlightsTheRowUnderThePointerAtOnce) {
    ASSERT_TRUE(Start());
    app::ChoiceList* list = OpenListOf(2);
    HoverAt(*list, RowPoint(4, kMenuRowHeight));
    Click(MainButton(60));
    list = OpenListOf(2);
    ASSERT_NE(list, nullptr);
    HoverAt(*list, RowPoint(4, kMenuRowHeight));
    EXPECT_TRUE(Near(Band(list->Compose(), 4, kMenuRowHeight), kMenuOver));
}

TEST_F(ChoiceListTest, WarningBeforeTakingTheLastPrimaryClick) {
    WindowSetup setup;
    setup.profile["K0"] = "1";
    setup.profile["K1"] = "2";
    ASSERT_TRUE(Start(setup));

    // Button 3 keeps a primary click elsewhere: no warning.
    ASSERT_NE(OpenListOf(3), nullptr);
    EXPECT_EQ(warningsSeen(), 0);

    // Button 0 holds the only one: cancel opens no list.
    AnswerNextWarning(1);
    EXPECT_EQ(OpenListOf(0), nullptr);
    EXPECT_EQ(warningsSeen(), 1);
    EXPECT_FALSE(state().popupOpen);

    // Confirm opens it; choosing another function gives the primary click to button 1.
    AnswerNextWarning(0);
    app::ChoiceList* list = OpenListOf(0);
    EXPECT_EQ(warningsSeen(), 2);
    ASSERT_NE(list, nullptr);
    Click(*list, RowPoint(2, kMenuRowHeight));
    EXPECT_EQ(profile_.K[0].load(), 2);
    EXPECT_EQ(profile_.K[1].load(), 1);
}

TEST_F(ChoiceListTest, WarningWindowIsShapedHighlightsAndWaitsForItsButtons) {
    WindowSetup setup;
    setup.profile["K0"] = "1";
    setup.profile["K1"] = "2";
    ASSERT_TRUE(Start(setup));
    bool checked = false;
    OnNextWarning([&](app::WarningWindow& warning) {
        EXPECT_EQ(warning.pos(), QPoint(state().popupX, state().popupY));
        EXPECT_EQ(warning.size(), QSize(200, 100));
        EXPECT_FALSE(warning.mask().contains(QPoint(5, 5)));
        EXPECT_TRUE(warning.mask().contains(QPoint(20, 20)));
        EXPECT_EQ(warning.hotButton(), kNoEntry);
        const auto& confirm = layout().warningButtons[0];
        const auto& cancel = layout().warningButtons[1];
        HoverAt(warning, Centre(confirm));
        EXPECT_EQ(warning.hotButton(), 1);
        QImage image = warning.Compose();
        EXPECT_TRUE(Near(Corner(image, confirm), kWarningOver));
        EXPECT_TRUE(Near(Corner(image, cancel), kWarningNormal));
        HoverAt(warning, Centre(cancel));
        EXPECT_EQ(warning.hotButton(), 2);
        image = warning.Compose();
        EXPECT_TRUE(Near(Corner(image, confirm), kWarningNormal));
        EXPECT_TRUE(Near(Corner(image, cancel), kWarningOver));
        // A release outside both buttons leaves it open.
        HoverAt(warning, {100, 30});
        Release(warning, {100, 30});
        EXPECT_TRUE(warning.isVisible());
        checked = true;
        // Escape cancels.
        Key(warning, QEvent::KeyPress, Qt::Key_Escape);
    });
    EXPECT_EQ(OpenListOf(0), nullptr);
    EXPECT_TRUE(checked);

    // Opened again, it starts without a highlighted button.
    OnNextWarning([&](app::WarningWindow& warning) {
        EXPECT_EQ(warning.hotButton(), kNoEntry);
        warning.Choose(app::WarningChoice::kOk);
    });
    EXPECT_NE(OpenListOf(0), nullptr);
}

// ---- The keyboard and assistive technology ----

TEST_F(ChoiceListTest, KeysWalkTheFirstLevelAndChooseAsAClickDoes) {
    ASSERT_TRUE(Start());
    struct Case {
        std::vector<int> keys;  // sent after the list opened, the last one chooses
        int chosen;
    };
    const Case cases[] = {
        {{Qt::Key_Down, Qt::Key_Return}, 1},
        {{Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Return}, 5},
        {{Qt::Key_End, Qt::Key_Up, Qt::Key_Up, Qt::Key_Up, Qt::Key_Up, Qt::Key_Space}, 6},
        {{Qt::Key_Up, Qt::Key_Home, Qt::Key_Down, Qt::Key_Enter}, 2},
        // Round from the last row to the first.
        {{Qt::Key_End, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Return}, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chosen);
        profile_.K[2].store(4);
        const QPointer<app::ChoiceList> list(OpenListOf(2));
        ASSERT_FALSE(list.isNull());
        for (const int key : c.keys) {
            QTest::keyClick(list.data(), static_cast<Qt::Key>(key));
        }
        EXPECT_EQ(profile_.K[2].load(), c.chosen);
        EXPECT_TRUE(list.isNull() || !list->isVisible());
        WaitUntilGone(list);
        EXPECT_TRUE(list.isNull());
        EXPECT_TRUE(window().isVisible());
    }
}

TEST_F(ChoiceListTest, TheMainWindowsKeysWalkTheListAndEscapeKeepsTheFunction) {
    ASSERT_TRUE(Start());
    const QPointer<app::ChoiceList> list(OpenListOf(2));
    ASSERT_FALSE(list.isNull());
    // The list opens without taking the keyboard: the keys arrive at the main window.
    QTest::keyClick(&window(), Qt::Key_Down);
    QTest::keyClick(&window(), Qt::Key_Down);
    EXPECT_EQ(list->menuHotRow(), 2);
    EXPECT_TRUE(Near(Band(list->Compose(), 2, kMenuRowHeight), kMenuOver));
    QTest::keyClick(&window(), Qt::Key_Escape);
    EXPECT_EQ(profile_.K[2].load(), 3);
    WaitUntilGone(list);
    EXPECT_TRUE(list.isNull());
    EXPECT_TRUE(window().isVisible());
    // With the list gone, Escape and Return are the main window's again, which ignores them.
    QTest::keyClick(&window(), Qt::Key_Escape);
    QTest::keyClick(&window(), Qt::Key_Return);
    EXPECT_TRUE(window().isVisible());
    EXPECT_EQ(profile_.K[2].load(), 3);
}

// Return and Space choose only a row the keyboard highlighted: a row the pointer merely rests on
// is the pointer's, chosen by a click. Escape closes the list and keeps the function.
TEST_F(ChoiceListTest, ReturnAndSpaceChooseOnlyARowTheKeyboardHighlighted) {
    ASSERT_TRUE(Start());
    struct Case {
        const char* what;
        std::vector<Qt::Key> keys;  // typed with the pointer resting on row 3
        int function;               // of mouse button 2 afterwards (it starts with 3 ... 4)
        bool open;                  // the list is still open
    };
    const Case cases[] = {
        {"Return", {Qt::Key_Return}, 4, true},
        {"Space", {Qt::Key_Space}, 4, true},
        {"keypad Enter", {Qt::Key_Enter}, 4, true},
        {"Escape", {Qt::Key_Escape}, 4, false},
        {"Down then Return", {Qt::Key_Down, Qt::Key_Return}, 4, false},  // row 4
        {"Down Down then Space", {Qt::Key_Down, Qt::Key_Down, Qt::Key_Space}, 5, false},
        {"Up then Return", {Qt::Key_Up, Qt::Key_Return}, 2, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        profile_.K[2].store(4);
        const QPoint field = MainButton(25 + 2);
        QTest::mouseClick(&window(), Qt::LeftButton, Qt::NoModifier, field);
        ProcessEvents();
        const QPointer<app::ChoiceList> list(window().OpenChoiceList());
        ASSERT_FALSE(list.isNull());
        // The pointer comes to rest on row 3.
        QTest::mouseMove(list.data(), RowPoint(3, kMenuRowHeight));
        ProcessEvents();
        if (list->menuHotRow() != 3) {
            HoverAt(*list, RowPoint(3, kMenuRowHeight));  // a platform that moves no pointer
        }
        ASSERT_EQ(list->menuHotRow(), 3);
        for (const Qt::Key key : c.keys) {
            QWidget* target = QApplication::focusWidget();
            QTest::keyClick(target != nullptr ? target : &window(), key);
            ProcessEvents();
        }
        EXPECT_EQ(profile_.K[2].load(), c.function);
        EXPECT_EQ(!list.isNull() && list->isVisible(), c.open);
        if (!list.isNull() && list->isVisible()) {
            QTest::keyClick(&window(), Qt::Key_Escape);
        }
        WaitUntilGone(list);
        ASSERT_TRUE(list.isNull());
        EXPECT_EQ(profile_.K[2].load(), c.function) << "closing keeps the function";
    }
}

// In a group's list too, Return chooses only the item the keyboard highlighted.
TEST_F(ChoiceListTest, ReturnInAGroupListChoosesOnlyTheKeyboardsItem) {
    ASSERT_TRUE(Start());
    const QPointer<app::ChoiceList> list(OpenListOf(1));
    ASSERT_FALSE(list.isNull());
    for (const Qt::Key key : {Qt::Key_End, Qt::Key_Up, Qt::Key_Up, Qt::Key_Up, Qt::Key_Right}) {
        QTest::keyClick(&window(), key);
        ProcessEvents();
    }
    app::ChoiceSubList* sub = list->subList();
    ASSERT_NE(sub, nullptr);
    ASSERT_EQ(sub->subHotRow(), 1);
    HoverAt(*sub, RowPoint(4, kSubRowHeight));  // the pointer moves onto item 4
    ASSERT_EQ(sub->subHotRow(), 4);
    QTest::keyClick(&window(), Qt::Key_Return);
    ProcessEvents();
    EXPECT_EQ(profile_.K[1].load(), 2) << "nothing chosen";
    ASSERT_FALSE(list.isNull());
    QTest::keyClick(&window(), Qt::Key_Down);  // the keyboard takes over from item 4
    QTest::keyClick(&window(), Qt::Key_Return);
    EXPECT_EQ(profile_.K[1].load(), app::SubItemCode(7, 5));
    WaitUntilGone(list);
    EXPECT_TRUE(list.isNull());
}

TEST_F(ChoiceListTest, KeysEnterAGroupWalkItAndGoBack) {
    ASSERT_TRUE(Start());
    const QPointer<app::ChoiceList> list(OpenListOf(1));
    ASSERT_FALSE(list.isNull());
    const auto keys = [&](std::initializer_list<Qt::Key> sequence) {
        for (const Qt::Key key : sequence) {
            QTest::keyClick(list.data(), key);
            ProcessEvents();
        }
    };
    // Row 7 (device functions); Right enters its list at its first item.
    keys({Qt::Key_End, Qt::Key_Up, Qt::Key_Up, Qt::Key_Up, Qt::Key_Right});
    ASSERT_NE(list->subList(), nullptr);
    EXPECT_EQ(list->subList()->firstRow(), 7);
    EXPECT_EQ(list->subList()->subHotRow(), 1);
    keys({Qt::Key_Down, Qt::Key_Down});
    ASSERT_NE(list->subList(), nullptr);
    EXPECT_EQ(list->subList()->subHotRow(), 3);
    keys({Qt::Key_End});
    EXPECT_EQ(list->subList()->subHotRow(), 6);
    // Left goes back to row 7, whose list stays open; Down walks the first level again.
    keys({Qt::Key_Left});
    EXPECT_EQ(list->subList()->subHotRow(), kNoEntry);
    keys({Qt::Key_Down});
    EXPECT_EQ(list->menuHotRow(), 8);
    // Return enters the multimedia group; Escape goes back without closing anything.
    keys({Qt::Key_Return});
    ASSERT_NE(list->subList(), nullptr);
    EXPECT_EQ(list->subList()->firstRow(), 8);
    EXPECT_EQ(list->subList()->subHotRow(), 1);
    keys({Qt::Key_Escape});
    EXPECT_TRUE(list->isVisible());
    EXPECT_EQ(list->menuHotRow(), 8);
    EXPECT_EQ(profile_.K[1].load(), 2);
    // In again, Home, Down, Space: the second multimedia item (code 22) is chosen.
    keys({Qt::Key_Right, Qt::Key_End, Qt::Key_Home, Qt::Key_Down, Qt::Key_Space});
    EXPECT_EQ(profile_.K[1].load(), app::SubItemCode(8, 2));
    WaitUntilGone(list);
    EXPECT_TRUE(list.isNull());
}

TEST_F(ChoiceListTest, AnEmptyGroupTakesNoKeyboard) {
    ASSERT_TRUE(Start());
    macros_.ReplaceUserMacros({});
    const QPointer<app::ChoiceList> list(OpenListOf(4));
    ASSERT_FALSE(list.isNull());
    for (const Qt::Key key : {Qt::Key_End, Qt::Key_Up, Qt::Key_Right, Qt::Key_Return}) {
        QTest::keyClick(list.data(), key);
        ProcessEvents();
    }
    EXPECT_EQ(list->menuHotRow(), app::kUserMacroRow);
    EXPECT_TRUE(list->isVisible());
    EXPECT_EQ(profile_.K[4].load(), 5);
    QTest::keyClick(list.data(), Qt::Key_Up);
    EXPECT_EQ(list->menuHotRow(), app::kDeviceGroupRow + 1);
}

// What assistive technology reads of a list and does with its rows.
class AccessibleChoiceListTest : public ChoiceListTest {
protected:
    void SetUp() override { app::InstallAccessiblePopups(); }

    static QAccessibleInterface* Of(QWidget& widget) {
        return QAccessible::queryAccessibleInterface(&widget);
    }
    static void PressItem(QAccessibleInterface& list, int index) {
        QAccessibleInterface* item = list.child(index);
        ASSERT_NE(item, nullptr);
        ASSERT_NE(item->actionInterface(), nullptr);
        item->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    }
};

TEST_F(AccessibleChoiceListTest, ListItemsAreTheRowsNamedByTheirTexts) {
    ASSERT_TRUE(Start());
    app::ChoiceList* list = OpenListOf(2);
    ASSERT_NE(list, nullptr);
    QAccessibleInterface* iface = Of(*list);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->role(), QAccessible::List);
    ASSERT_EQ(iface->childCount(), 10);
    // The row of the field's function is the list's selected row; no other is.
    ASSERT_GE(list->currentRow(), 1);
    for (int i = 0; i < 10; ++i) {
        QAccessibleInterface* item = iface->child(i);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->role(), QAccessible::ListItem);
        EXPECT_EQ(item->text(QAccessible::Name), QString("Fn%1").arg(i + 1));
        EXPECT_EQ(iface->indexOfChild(item), i);
        EXPECT_EQ(item->state().selected, i + 1 == list->currentRow()) << i;
        EXPECT_EQ(item->rect(), QRect(list->mapToGlobal(QPoint(0, i * kMenuRowHeight)),
                                      QSize(kMenuWidth, kMenuRowHeight)));
    }
    EXPECT_EQ(iface->childAt(list->mapToGlobal(RowPoint(4, kMenuRowHeight)).x(),
                             list->mapToGlobal(RowPoint(4, kMenuRowHeight)).y()),
              iface->child(3));
    // The hot row, by pointer or keyboard, is the selected one.
    HoverAt(*list, RowPoint(4, kMenuRowHeight));
    EXPECT_TRUE(iface->child(3)->state().selected);
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_TRUE(iface->child(4)->state().selected);
    EXPECT_FALSE(iface->child(3)->state().selected);
    EXPECT_EQ(iface->child(4)->actionInterface()->actionNames(),
              QStringList{QAccessibleActionInterface::pressAction()});
}

// A press through assistive technology runs what a click on the row runs.
TEST_F(AccessibleChoiceListTest, PressingAnItemDoesWhatAClickOnItsRowDoes) {
    ASSERT_TRUE(Start());
    for (const bool accessible : {false, true}) {
        SCOPED_TRACE(accessible);
        profile_.K[2].store(3);
        // A first-level row.
        QPointer<app::ChoiceList> list(OpenListOf(2));
        ASSERT_FALSE(list.isNull());
        if (accessible) {
            PressItem(*Of(*list), 4);
        } else {
            Click(*list, RowPoint(5, kMenuRowHeight));
        }
        EXPECT_EQ(profile_.K[2].load(), 5);
        EXPECT_FALSE(list->isVisible());
        WaitUntilGone(list);
        EXPECT_TRUE(list.isNull());

        // A group row opens its list beside; an item of that list is chosen.
        list = OpenListOf(2);
        ASSERT_FALSE(list.isNull());
        if (accessible) {
            PressItem(*Of(*list), 6);
        } else {
            HoverAt(*list, RowPoint(7, kMenuRowHeight));
            Click(*list, RowPoint(7, kMenuRowHeight));
        }
        ProcessEvents();
        EXPECT_TRUE(list->isVisible());
        app::ChoiceSubList* sub = list->subList();
        ASSERT_NE(sub, nullptr);
        EXPECT_EQ(sub->firstRow(), 7);
        QAccessibleInterface* subIface = Of(*sub);
        EXPECT_EQ(subIface->text(QAccessible::Name), "Fn7");
        ASSERT_EQ(subIface->childCount(), 6);
        EXPECT_EQ(subIface->child(1)->text(QAccessible::Name), "Fn12");
        if (accessible) {
            PressItem(*subIface, 1);
        } else {
            HoverAt(*sub, RowPoint(2, kSubRowHeight));
            Click(*sub, RowPoint(2, kSubRowHeight));
        }
        EXPECT_EQ(profile_.K[2].load(), 12);
        WaitUntilGone(list);
        EXPECT_TRUE(list.isNull());
    }
}

TEST_F(ChoiceListTest, WarningWindowAnswersReturnEscapeAndTab) {
    WindowSetup setup;
    setup.profile["K0"] = "1";
    setup.profile["K1"] = "2";
    ASSERT_TRUE(Start(setup));
    struct Case {
        std::vector<int> keys;
        bool confirmed;  // the list opens
        int hot;         // the hot button before the last key
    };
    const Case cases[] = {
        {{Qt::Key_Return}, true, kNoEntry},
        {{Qt::Key_Enter}, true, kNoEntry},
        {{Qt::Key_Escape}, false, kNoEntry},
        {{Qt::Key_Tab, Qt::Key_Return}, true, 1},
        {{Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Return}, false, 2},
        {{Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Backtab, Qt::Key_Space}, true, 1},
        {{Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Space}, false, 2},
        {{Qt::Key_Tab, Qt::Key_Escape}, false, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.keys));
        int hotBeforeLast = -1;
        OnNextWarning([&](app::WarningWindow& warning) {
            for (std::size_t i = 0; i < c.keys.size(); ++i) {
                if (i + 1 == c.keys.size()) {
                    hotBeforeLast = warning.hotButton();
                }
                QTest::keyClick(&warning, static_cast<Qt::Key>(c.keys[i]));
            }
        });
        const QPointer<app::ChoiceList> list(OpenListOf(0));
        EXPECT_EQ(!list.isNull(), c.confirmed);
        EXPECT_EQ(hotBeforeLast, c.hot);
        if (list) {
            list->Destroy();
            WaitUntilGone(list);
        }
        Click(MainButton(60));
    }
}

TEST_F(AccessibleChoiceListTest, WarningWindowIsAnAlertWithItsTwoButtons) {
    WindowSetup setup;
    setup.profile["K0"] = "1";
    setup.profile["K1"] = "2";
    setup.layoutOverrides["warning/BUTTONPOS/0"] = "b,10,60,80,30,Go on,";
    setup.layoutOverrides["warning/BUTTONPOS/1"] = "b,110,60,80,30,Stop,";
    setup.layoutOverrides["warning/BUTTONPOS/2"] = "b,10,10,180,40,Take the left click?,";
    ASSERT_TRUE(Start(setup));
    for (const int pressed : {1, 0}) {
        SCOPED_TRACE(pressed);
        bool checked = false;
        OnNextWarning([&](app::WarningWindow& warning) {
            QAccessibleInterface* iface = Of(warning);
            ASSERT_NE(iface, nullptr);
            EXPECT_EQ(iface->role(), QAccessible::AlertMessage);
            EXPECT_EQ(iface->text(QAccessible::Name), "Take the left click?");
            EXPECT_EQ(iface->text(QAccessible::Description), "Take the left click?");
            ASSERT_EQ(iface->childCount(), 2);
            EXPECT_EQ(iface->child(0)->role(), QAccessible::Button);
            EXPECT_EQ(iface->child(0)->text(QAccessible::Name), "Go on");
            EXPECT_EQ(iface->child(1)->text(QAccessible::Name), "Stop");
            // Tab moves the focus as assistive technology sees it too.
            QTest::keyClick(&warning, Qt::Key_Tab);
            EXPECT_TRUE(iface->child(0)->state().focused);
            EXPECT_FALSE(iface->child(1)->state().focused);
            checked = true;
            PressItem(*iface, pressed);
        });
        const QPointer<app::ChoiceList> list(OpenListOf(0));
        EXPECT_TRUE(checked);
        EXPECT_EQ(!list.isNull(), pressed == 0);
        if (list) {
            list->Destroy();
            WaitUntilGone(list);
        }
        Click(MainButton(60));
    }
}

}  // namespace
}  // namespace zel::test
