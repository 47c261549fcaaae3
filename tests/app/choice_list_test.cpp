// The function choice lists and the warning before them, driven through the main window.

#include "app/choice_list.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPointer>
#include <QThread>

#include "app/choice_sub_list.h"
#include "app/page_table.h"
#include "app/warning_window.h"
#include "macro/macro_name.h"
#include "window_test_support.h"

namespace zel::test {
namespace {

using namespace skin_colors;
using app::kNone;

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
    EXPECT_EQ(list->menuHotRow(), kNone);

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
    EXPECT_EQ(sub->subHotRow(), kNone);
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
        EXPECT_EQ(warning.hotButton(), kNone);
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
        EXPECT_EQ(warning.hotButton(), kNone);
        warning.Choose(app::WarningChoice::kOk);
    });
    EXPECT_NE(OpenListOf(0), nullptr);
}

}  // namespace
}  // namespace zel::test
