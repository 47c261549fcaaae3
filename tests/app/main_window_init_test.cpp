// The main window's initialisation: what it shows, and how it ends the program without a
// mouse or without its skin.

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "settings/ini_file.h"
#include "skin/qt/skin_fonts.h"
#include "window_test_support.h"

namespace zel::test {
namespace {

class MainWindowInitTest : public WindowTest {};

TEST_F(MainWindowInitTest, WindowIsTitledShapedAndSizedBySkin) {
    ASSERT_TRUE(Start(ProfileAndEdition(4, 0)));
    EXPECT_EQ(window().windowTitle(), "KV270 Gaming Mouse");
    EXPECT_EQ(window().size(), QSize(kSkinWidth, kSkinHeight));
    EXPECT_EQ(window().skinSize(), QSize(kSkinWidth, kSkinHeight));
    EXPECT_TRUE(window().windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(window().mask(), QRegion(0, 0, kSkinWidth, kSkinHeight));
    // The repaint region leaves out the name edit and both lists, not the repeat edit.
    const QRegion& region = window().repaintRegion();
    EXPECT_TRUE(region.contains(QPoint(15, 235)));    // editRect3
    EXPECT_FALSE(region.contains(QPoint(85, 235)));   // editRect4
    EXPECT_FALSE(region.contains(QPoint(155, 235)));  // macroDisplayRect1
    EXPECT_FALSE(region.contains(QPoint(245, 235)));  // macroDisplayRect2
    EXPECT_TRUE(region.contains(QPoint(400, 300)));
    EXPECT_EQ(state().currentProfile, 4);
    EXPECT_EQ(state().languageFlag, 0);
    EXPECT_EQ(layout().functionNames[3], "Fs3");
    EXPECT_EQ(layout().functionNames[14], "OFF");
    EXPECT_FALSE(window().windowIcon().isNull());
    EXPECT_TRUE(messages_.messages.empty()) << messages_.messages.front();
    // The start-up upload reached the mouse and the desktop.
    auto channel = transport_.LastChannel(kMousePath, platform::HidAccess::Write);
    ASSERT_NE(channel, nullptr);
    EXPECT_GT(channel->SentCount(), 0u);
}

TEST_F(MainWindowInitTest, ButtonPressesReportedByTheMousePlayTheirFunction) {
    WindowSetup setup;
    setup.profile["K2"] = "24";  // volume up, sent by the program as a consumer key
    ASSERT_TRUE(Start(setup));
    const auto writer = ClickMouseButton(3);
    ASSERT_NE(writer, nullptr);
    bool consumerKeySent = false;
    for (int i = 0; i < 200 && !consumerKeySent; ++i) {
        for (const Bytes& report : writer->SentReports()) {
            consumerKeySent |=
                report.size() >= 4 && report[1] == 0x17 && report[2] == 0x00 && report[3] == 0xE9;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_TRUE(consumerKeySent);
    // The shutdown stops the threads before its report: nothing is sent after it.
    window().ShutdownLink();
    const auto reports = writer->SentReports();
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back()[1], 0x20);
}

TEST_F(MainWindowInitTest, WithoutMouseTellsTheUserAndShutsDown) {
    struct Case {
        int languageFlag;
        const char* text;
    };
    const Case cases[] = {
        {1, "Please plug-in\xE3\x80\x90KV270 Gaming Mouse\xE3\x80\x91USB Mouse"},
        {0, "Por favor inserte el\xE3\x80\x90KV270 Gaming Mouse\xE3\x80\x91"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.languageFlag);
        messages_.messages.clear();
        window_.reset();
        WindowSetup setup;
        setup.languageFlag = c.languageFlag;
        setup.mousePresent = false;
        EXPECT_FALSE(Start(setup));
        ASSERT_EQ(messages_.messages.size(), 1u);
        EXPECT_EQ(messages_.messages[0], c.text);
        EXPECT_TRUE(window().IsShutDown());
        EXPECT_FALSE(window().isVisible());
        // Nothing was uploaded or written; the desktop's pointer speed was never changed, so
        // the shutdown leaves it alone.
        EXPECT_EQ(pointer_.Writes(), std::vector<std::string>{});
        EXPECT_EQ(pointer_.Calls().back(), "RestoreDesktopValues");
        EXPECT_EQ(ini::IniDocument::Load(ConfigPath()).Get("Config6", "K0"), "");
    }
}

TEST_F(MainWindowInitTest, MissingLayoutFileEndsTheProgram) {
    ASSERT_TRUE(dir_.isValid());
    WriteSyntheticSkin(ExeDir() + "/skins");
    std::filesystem::remove(ExeDir() + "/skins/INI_EN/skin_color_en.ini");
    std::ofstream(ConfigPath()) << "[Init]\r\nCurConfig=1\r\nVER_SEL=1\r\n[Config1]\r\nK0=1\r\n";
    transport_.SetCollections({FakeHidTransport::MouseReadCollection(kMousePath),
                               FakeHidTransport::MouseWriteCollection(kMousePath)});
    window_ = std::make_unique<app::MainWindow>(
        app::AppServices{ExeDir(), messages_, diagnostics_, pointer_, &transport_, launcher_, link_,
                         profile_, macros_, recordClock_});
    int completions = 0;
    QObject::connect(window_.get(), &app::MainWindow::shutdownComplete,
                     [&completions] { ++completions; });
    EXPECT_FALSE(window().Initialise());
    EXPECT_EQ(completions, 1);
    ASSERT_FALSE(messages_.messages.empty());
    EXPECT_EQ(messages_.messages.front(), "Profile not found");  // VER_SEL=1: the EN edition
    // The mouse was never looked for.
    EXPECT_EQ(transport_.EnumerateCount(), 0u);
}

// A config.ini pointing at a profile it does not hold (here CurConfig=99 and no Config1): the
// window shows and uploads the factory profile, writes it back and says so once.
TEST_F(MainWindowInitTest, DamagedConfigGivesTheFactoryProfileAndOneNotice) {
    ASSERT_TRUE(dir_.isValid());
    WriteSyntheticSkin(ExeDir() + "/skins");
    std::ofstream(ConfigPath()) << "[Init]\r\nCurConfig=99\r\nVER_SEL=1\r\n[Config99]\r\n";
    for (const char* name : {"/Macro_EN.dat", "/Macro_CN.dat", "/constMacro.dat"}) {
        std::ofstream(ExeDir() + name, std::ios::binary) << "[Macros]\r\nmacroNum=0\r\n";
    }
    transport_.SetCollections({FakeHidTransport::MouseReadCollection(kMousePath),
                               FakeHidTransport::MouseWriteCollection(kMousePath)});
    window_ = std::make_unique<app::MainWindow>(
        app::AppServices{ExeDir(), messages_, diagnostics_, pointer_, &transport_, launcher_, link_,
                         profile_, macros_, recordClock_});
    ASSERT_TRUE(window().Initialise());
    EXPECT_EQ(state().currentProfile, 1);
    EXPECT_NE(profile_.K[0].load(), 0) << "button 1 keeps its click";
    ASSERT_EQ(messages_.messages.size(), 1u);
    EXPECT_NE(messages_.messages[0].find("profile 1"), std::string::npos) << messages_.messages[0];
    EXPECT_TRUE(ini::IniDocument::Load(ConfigPath()).HasSection("Config1"));
    EXPECT_EQ(ini::ReadString(ConfigPath(), "Config99", "K0"), "") << "no all-zero section";
    EXPECT_EQ(ini::ReadString(ConfigPath(), "Config0", "K0"), "");
}

TEST_F(MainWindowInitTest, MissingPicturePaintsDarkAndIsReportedOnce) {
    ASSERT_TRUE(dir_.isValid());
    ASSERT_TRUE(Start());
    std::filesystem::remove(ExeDir() + "/skins/main_over.jpg");
    HoverAt(MainButton(3));
    const QImage image = Grab();
    EXPECT_TRUE(Near(Corner(image, layout().mainButtons[3]), QColor(0x10, 0x14, 0x18), 4));
    HoverAt(MainButton(60));
    Grab();
    EXPECT_EQ(diagnostics_.messages.size(), 1u);
    EXPECT_TRUE(messages_.messages.empty());
}

TEST(SkinFonts, BothEditionsGetAFontOfTheSkinsCellHeight) {
    EnsureQtApplication();
    const skin::SkinFonts fonts = skin::CreateSkinFonts();
    for (const QFont* font : {&fonts.fontEN, &fonts.fontCN}) {
        const QFontMetrics metrics(*font);
        EXPECT_LE(metrics.height(), skin::kSkinFontCellHeight) << font->family().toStdString();
        EXPECT_GE(metrics.height(), skin::kSkinFontCellHeight - 3);
        EXPECT_NEAR(metrics.averageCharWidth(), skin::kSkinFontAverageWidth, 1);
        EXPECT_EQ(font->weight(), QFont::Normal);
        EXPECT_FALSE(font->italic());
    }
    EXPECT_EQ(fonts.fontEN.styleHint(), QFont::Monospace);
    EXPECT_EQ(&fonts.ForEdition(1), &fonts.fontEN);
    EXPECT_EQ(&fonts.ForEdition(0), &fonts.fontCN);
    // A family that is not installed falls back to the desktop's fixed-pitch face.
    const QFont fallback = skin::MakeSkinFont({"No Such Font Family"}, QFont::Monospace);
    const QFontMetrics metrics(fallback);
    EXPECT_EQ(metrics.horizontalAdvance(QLatin1Char('i')),
              metrics.horizontalAdvance(QLatin1Char('W')));
    EXPECT_LE(metrics.height(), skin::kSkinFontCellHeight);
}

}  // namespace
}  // namespace zel::test
