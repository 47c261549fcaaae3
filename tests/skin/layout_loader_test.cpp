#include "skin/layout_loader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/message_sink.h"
#include "skin_test_support.h"

namespace zel::skin {
namespace {

using testing::TempDir;

// A skins folder with the four files of one edition; every file holds `body` unless given.
class LayoutFixture : public ::testing::Test {
protected:
    void WriteEdition(bool english, const std::string& main, const std::string& color = "",
                      const std::string& advanced = "", const std::string& warning = "") {
        const int flag = english ? 1 : 0;
        dir_.Write(LayoutFileName(LayoutSurface::kMain, flag), main);
        dir_.Write(LayoutFileName(LayoutSurface::kColor, flag), color);
        dir_.Write(LayoutFileName(LayoutSurface::kAdvanced, flag), advanced);
        dir_.Write(LayoutFileName(LayoutSurface::kWarning, flag), warning);
    }

    SkinLayoutLoader MakeLoader() {
        return SkinLayoutLoader(dir_.path(), messages_, [this] { ++shutdowns_; });
    }

    TempDir dir_;
    platform::RecordingMessageSink messages_;
    int shutdowns_ = 0;
};

TEST_F(LayoutFixture, ReadsButtonsCaptionsAndTheDerivedRectangle) {
    WriteEdition(true, "[BUTTONPOS]\r\n0=close,560,6,24,24,,\r\n5=a,10,20,30,40,Text,\r\n");
    SkinLayout layout;
    MakeLoader().LoadMainLayout(layout, 1);
    const SkinButton& close = layout.mainButtons[0];
    EXPECT_EQ(close.x, 560);
    EXPECT_EQ(close.width, 24);
    EXPECT_EQ(close.caption, "");
    const SkinButton& text = layout.mainButtons[5];
    EXPECT_EQ(text.caption, "Text");
    EXPECT_EQ(text.Rect(), (LayoutRect{10, 20, 40, 60}));
    EXPECT_TRUE(text.Rect().Contains(10, 20));
    EXPECT_FALSE(text.Rect().Contains(40, 59));  // right edge exclusive
    EXPECT_TRUE(messages_.messages.empty());
    EXPECT_EQ(shutdowns_, 0);
}

TEST_F(LayoutFixture, AbsentKeysAndBareValuesGiveEmptyRectanglesWithoutMessages) {
    WriteEdition(true, "[BUTTONPOS]\r\n1=Left\r\n2=a,10,20,30,40\r\n3=x,abc,7px,-5,12,,\r\n");
    SkinLayout layout;
    layout.mainButtons[0] = {1, 2, 3, 4, "stale"};  // a load overwrites what was there
    MakeLoader().LoadMainLayout(layout, 1);
    EXPECT_EQ(layout.mainButtons[0], SkinButton{});
    EXPECT_TRUE(layout.mainButtons[1].Rect().IsEmpty());
    EXPECT_FALSE(layout.mainButtons[1].Rect().Contains(0, 0));
    // Four commas: the height is not terminated and reads 0.
    EXPECT_EQ(layout.mainButtons[2].width, 30);
    EXPECT_EQ(layout.mainButtons[2].height, 0);
    // Non-numeric fields read as 0 or their leading digits.
    EXPECT_EQ(layout.mainButtons[3].x, 0);
    EXPECT_EQ(layout.mainButtons[3].y, 7);
    EXPECT_EQ(layout.mainButtons[3].width, -5);
    EXPECT_TRUE(layout.mainButtons[3].Rect().IsEmpty());
    EXPECT_TRUE(messages_.messages.empty());
}

TEST_F(LayoutFixture, FunctionNamesKeepIndexZeroEmptyAndFourteenOff) {
    WriteEdition(true,
                 "[FUN_STRING]\r\n0=zero\r\n1=Left\r\n14=Report rate\r\n"
                 "54=name,with,ignored,fields,,,\r\n");
    SkinLayout layout;
    layout.functionNames[0] = "stale";
    MakeLoader().LoadMainLayout(layout, 1);
    EXPECT_EQ(layout.functionNames[0], "");
    EXPECT_EQ(layout.functionNames[1], "Left");
    EXPECT_EQ(layout.functionNames[14], "OFF");
    EXPECT_EQ(layout.functionNames[54], "name");
    EXPECT_EQ(layout.functionNames[2], "");

    // Without the key the entry is still "OFF".
    WriteEdition(true, "[FUN_STRING]\r\n1=Left\r\n");
    MakeLoader().LoadMainLayout(layout, 1);
    EXPECT_EQ(layout.functionNames[14], "OFF");
}

TEST_F(LayoutFixture, TooManyCommasAreReportedOncePerFileAndStillRead) {
    struct Case {
        bool english;
        int flag;
        std::string message;
    };
    for (const Case& c :
         {Case{true, 1, "Loading error ini!"}, Case{false, 0, "Cargando error ini\xEF\xBC\x81"}}) {
        SCOPED_TRACE(c.flag);
        messages_.messages.clear();
        WriteEdition(c.english, "[BUTTONPOS]\r\n0=a,1,2,3,4,b,c,d,e\r\n1=a,1,2,3,4,b,c,d,e\r\n",
                     "[BUTTONPOS]\r\n0=a,1,2,3,4,b,c,d,e\r\n");
        SkinLayout layout;
        SkinLayoutLoader loader = MakeLoader();
        loader.LoadMainLayout(layout, c.flag);
        ASSERT_EQ(messages_.messages.size(), 1u);
        EXPECT_EQ(messages_.messages[0], c.message);
        EXPECT_EQ(layout.mainButtons[0].caption, "b");
        EXPECT_EQ(layout.mainButtons[1].Rect(), (LayoutRect{1, 2, 4, 6}));
        loader.LoadColorLayout(layout, c.flag);
        EXPECT_EQ(messages_.messages.size(), 2u);
        EXPECT_EQ(shutdowns_, 0);
    }
}

TEST_F(LayoutFixture, LongValuesAreCutTo259Characters) {
    const std::string name(300, 'n');
    WriteEdition(true,
                 "[FUN_STRING]\r\n1=" + name + "\r\n[BUTTONPOS]\r\n0=l,1,2,3,4," + name + ",\r\n");
    SkinLayout layout;
    MakeLoader().LoadMainLayout(layout, 1);
    EXPECT_EQ(layout.functionNames[1], std::string(259, 'n'));
    // The cut value lost its closing comma, so the caption field is not terminated.
    EXPECT_EQ(layout.mainButtons[0].caption, "");
    EXPECT_EQ(layout.mainButtons[0].height, 4);
}

TEST_F(LayoutFixture, AdvancedLayoutDerivesTheControlRectangles) {
    WriteEdition(true, "", "",
                 "[EDIT]\r\n3=repeat,446,384,88,24,,\r\n4=name,204,264,198,24,,\r\n"
                 "[MACRODISPLAY]\r\n1=list,204,100,198,140,,\r\n2=steps,446,100,184,230,,\r\n");
    SkinLayout layout;
    MakeLoader().LoadAdvancedLayout(layout, 1);
    EXPECT_EQ(layout.editRect3.x, 446);
    EXPECT_EQ(layout.editRect3.rect, (LayoutRect{446, 384, 534, 408}));
    EXPECT_EQ(layout.editRect4.rect, (LayoutRect{204, 264, 402, 288}));
    EXPECT_EQ(layout.macroDisplayRect1.rect, (LayoutRect{204, 100, 402, 240}));
    EXPECT_EQ(layout.macroDisplayRect2.height, 230);
    EXPECT_EQ(layout.macroDisplayRect2.rect, (LayoutRect{446, 100, 630, 330}));
}

TEST_F(LayoutFixture, HugeNumbersDoNotWrapIntoNegativeRectangles) {
    WriteEdition(true, "[BUTTONPOS]\r\n0=a,2147483000,5,99999999999,10,,\r\n");
    SkinLayout layout;
    MakeLoader().LoadMainLayout(layout, 1);
    const LayoutRect rect = layout.mainButtons[0].Rect();
    EXPECT_GE(rect.right, rect.left);
    EXPECT_TRUE(rect.Contains(2147483600, 6));
}

TEST_F(LayoutFixture, EditionFlagPicksTheFilesAndReloadReplacesCaptions) {
    WriteEdition(true, "[BUTTONPOS]\r\n0=save,1,1,10,10,Save,\r\n[FUN_STRING]\r\n1=Left Click\r\n",
                 "", "", "[BUTTONPOS]\r\n0=ok,1,1,5,5,Continue,\r\n");
    WriteEdition(false,
                 "[BUTTONPOS]\r\n0=save,1,1,10,10,Guardar,\r\n[FUN_STRING]\r\n1=Clic izquierdo\r\n",
                 "", "", "[BUTTONPOS]\r\n0=ok,1,1,5,5,Continuar,\r\n");
    SkinLayout layout;
    SkinLayoutLoader loader = MakeLoader();
    loader.LoadSkinLayouts(layout, 1);
    EXPECT_EQ(layout.mainButtons[0].caption, "Save");
    EXPECT_EQ(layout.warningButtons[0].caption, "Continue");
    loader.LoadSkinLayouts(layout, 0);
    EXPECT_EQ(layout.mainButtons[0].caption, "Guardar");
    EXPECT_EQ(layout.functionNames[1], "Clic izquierdo");
    EXPECT_EQ(layout.warningButtons[0].caption, "Continuar");
    loader.LoadSkinLayouts(layout, 2);  // any non-zero flag is the EN edition
    EXPECT_EQ(layout.functionNames[1], "Left Click");
    EXPECT_TRUE(messages_.messages.empty());
}

TEST_F(LayoutFixture, MissingFileReportsOnceRequestsShutdownAndEmptiesTheEntries) {
    WriteEdition(false, "[BUTTONPOS]\r\n0=save,1,1,10,10,Guardar,\r\n");
    std::filesystem::remove(dir_.path() / LayoutFileName(LayoutSurface::kMain, 0));
    std::filesystem::remove(dir_.path() / LayoutFileName(LayoutSurface::kColor, 0));
    SkinLayout layout;
    layout.mainButtons[0] = {1, 2, 3, 4, "stale"};
    layout.colorButtons[3] = {1, 2, 3, 4, "stale"};
    SkinLayoutLoader loader = MakeLoader();
    loader.LoadSkinLayouts(layout, 0);
    ASSERT_EQ(messages_.messages.size(), 1u);
    EXPECT_EQ(messages_.messages[0], "Perfil no encontrado");
    EXPECT_EQ(shutdowns_, 1);
    EXPECT_TRUE(loader.shutdownRequested());
    EXPECT_EQ(layout.mainButtons[0], SkinButton{});
    EXPECT_EQ(layout.colorButtons[3], SkinButton{});
    EXPECT_EQ(layout.functionNames[14], "OFF");
}

TEST(LayoutMessages, CarryTheProgramNameAsCaption) {
    // The sink gets the caption; a recorder that keeps it checks what the user sees.
    struct CaptionSink final : platform::MessageSink {
        void ShowMessage(std::string_view text, std::string_view caption) override {
            seen.emplace_back(std::string(text) + "|" + std::string(caption));
        }
        std::vector<std::string> seen;
    } sink;
    TempDir dir;
    SkinLayout layout;
    SkinLayoutLoader(dir.path(), sink, nullptr).LoadWarningLayout(layout, 0);
    SkinLayoutLoader(dir.path(), sink, nullptr).LoadWarningLayout(layout, 1);
    ASSERT_EQ(sink.seen.size(), 2u);
    EXPECT_EQ(sink.seen[0], "Perfil no encontrado|ZEL_GMouse");
    EXPECT_EQ(sink.seen[1], "Profile not found|ZEL_GMouse");
}

}  // namespace
}  // namespace zel::skin
