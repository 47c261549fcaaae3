#include "platform/pointer_settings.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/support/fake_pointer_settings.h"

namespace zel::platform {
namespace {

namespace fs = std::filesystem;

TEST(PointerSpeedMapping, WindowsScaleMapsOntoGnomeRangeWithTenAtZero) {
    struct Case {
        int speed;
        double gnome;
    } cases[] = {
        {1, -1.0}, {4, -6.0 / 9}, {9, -1.0 / 9}, {10, 0.0},
        {11, 0.1}, {15, 0.5},     {20, 1.0},     {0, -1.0},  // below the scale: clamped
        {25, 1.0},                                           // above the scale: clamped
    };
    for (const auto& c : cases) {
        EXPECT_NEAR(PointerSpeedToGnome(c.speed), c.gnome, 1e-9) << c.speed;
    }
    for (int speed = kMinPointerSpeed; speed <= kMaxPointerSpeed; ++speed) {
        EXPECT_EQ(PointerSpeedFromGnome(PointerSpeedToGnome(speed)), speed);
    }
    EXPECT_EQ(PointerSpeedFromGnome(3.0), 20);
    EXPECT_EQ(PointerSpeedFromGnome(-3.0), 1);
    EXPECT_EQ(PointerSpeedFromGnome(NAN), 10);
}

TEST(DesktopFromName, RecognisesGnomeAndKdeInTheColonList) {
    struct Case {
        const char* names;
        Desktop desktop;
    } cases[] = {
        {"GNOME", Desktop::Gnome}, {"ubuntu:GNOME", Desktop::Gnome},
        {"KDE", Desktop::Kde},     {"XFCE", Desktop::None},
        {"", Desktop::None},       {"X-Cinnamon:GNOMEish", Desktop::None},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DesktopFromName(c.names), c.desktop) << c.names;
    }
}

// A folder of fake helper programs that log their arguments.
class DesktopPointerSettingsTest : public ::testing::Test {
protected:
    DesktopPointerSettingsTest() {
        std::string pattern = (fs::temp_directory_path() / "zel-pointer-XXXXXX").string();
        dir_ = ::mkdtemp(pattern.data());
        log_ = dir_ / "log";
    }
    ~DesktopPointerSettingsTest() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    // The helper logs "name args..." and prints `output` (exit status `status`).
    void AddHelper(const std::string& name, const std::string& output = "", int status = 0) {
        fs::path file = dir_ / name;
        std::ofstream(file) << "#!/bin/sh\necho \"" << name << " $*\" >> '" << log_.string()
                            << "'\nprintf '" << output << "'\nexit " << status << "\n";
        fs::permissions(file, fs::perms::owner_all);
    }
    std::string Log() const {
        std::ifstream in(log_);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    fs::path dir_;
    fs::path log_;
};

TEST_F(DesktopPointerSettingsTest, GnomeReadsAndWritesGsettingsWheelIsRememberedOnly) {
    AddHelper("gsettings", "0.5\n");
    DesktopPointerSettings settings(Desktop::Gnome, dir_.string());
    EXPECT_EQ(settings.GetPointerSpeed(), 15);

    ::testing::internal::CaptureStderr();
    settings.SetPointerSpeed(10);
    settings.SetPointerSpeed(1);
    settings.SetWheelScrollLines(7);
    settings.SetWheelScrollLines(4);
    ASSERT_TRUE(settings.Flush(10000));
    std::string said = ::testing::internal::GetCapturedStderr();

    EXPECT_EQ(settings.GetPointerSpeed(), 1);  // remembered: no further gsettings run
    EXPECT_EQ(settings.GetWheelScrollLines(), 4);
    std::string log = Log();
    EXPECT_TRUE(log.starts_with("gsettings get org.gnome.desktop.peripherals.mouse speed\n"))
        << log;
    // The second value may replace the first while it waits, but the last one always lands.
    EXPECT_TRUE(log.ends_with("gsettings set org.gnome.desktop.peripherals.mouse speed -1.0\n"))
        << log;
    EXPECT_EQ(log.find(" get ", 1), log.find(" get "));                // read once only
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;  // wheel: said once
    EXPECT_NE(said.find("wheel scroll lines"), std::string::npos) << said;
}

TEST_F(DesktopPointerSettingsTest, GnomeSpeedTenWritesZero) {
    AddHelper("gsettings", "-1.0\n");
    DesktopPointerSettings settings(Desktop::Gnome, dir_.string());
    settings.SetPointerSpeed(10);
    ASSERT_TRUE(settings.Flush(10000));
    EXPECT_EQ(Log(), "gsettings set org.gnome.desktop.peripherals.mouse speed 0.0\n");
}

TEST_F(DesktopPointerSettingsTest, FailedDesktopReadReportsNoValue) {
    struct Case {
        const char* output;
        int status;
    } cases[] = {{"0.5\n", 1}, {"garbage\n", 0}, {"", 0}};
    for (const auto& c : cases) {
        AddHelper("gsettings", c.output, c.status);
        DesktopPointerSettings settings(Desktop::Gnome, dir_.string());
        EXPECT_EQ(settings.GetPointerSpeed(), std::nullopt) << c.output << c.status;
    }
    fs::remove(dir_ / "gsettings");
    DesktopPointerSettings noHelper(Desktop::Gnome, dir_.string());
    EXPECT_EQ(noHelper.GetPointerSpeed(), std::nullopt);
}

TEST_F(DesktopPointerSettingsTest, KdeWritesKdeglobalsAndKcminputrcAndNotifies) {
    AddHelper("kreadconfig5", "5\n");
    AddHelper("kwriteconfig5");
    AddHelper("dbus-send");
    DesktopPointerSettings settings(Desktop::Kde, dir_.string());
    EXPECT_EQ(settings.GetWheelScrollLines(), 5);
    settings.SetWheelScrollLines(3);
    ASSERT_TRUE(settings.Flush(10000));
    settings.SetPointerSpeed(15);
    ASSERT_TRUE(settings.Flush(10000));
    EXPECT_EQ(Log(),
              "kreadconfig5 --file kdeglobals --group KDE --key WheelScrollLines --default 3\n"
              "kwriteconfig5 --file kdeglobals --group KDE --key WheelScrollLines 3\n"
              "dbus-send --session --type=signal /KGlobalSettings "
              "org.kde.KGlobalSettings.notifyChange int32:3 int32:0\n"
              "kwriteconfig5 --file kcminputrc --group Mouse --key XLbInptPointerAcceleration "
              "0.5\n"
              "dbus-send --session --type=signal /KGlobalSettings "
              "org.kde.KGlobalSettings.notifyChange int32:3 int32:0\n");
    EXPECT_EQ(settings.GetWheelScrollLines(), 3);
    EXPECT_EQ(settings.GetPointerSpeed(), 15);
}

TEST_F(DesktopPointerSettingsTest, UnknownDesktopOnlyRemembersAndSaysSoOncePerSetting) {
    AddHelper("gsettings");
    DesktopPointerSettings settings(Desktop::None, dir_.string());
    EXPECT_EQ(settings.GetPointerSpeed(), kDefaultPointerSpeed);
    EXPECT_EQ(settings.GetWheelScrollLines(), kDefaultWheelScrollLines);
    ::testing::internal::CaptureStderr();
    settings.SetPointerSpeed(18);
    settings.SetPointerSpeed(99);
    settings.SetWheelScrollLines(300);
    settings.SetWheelScrollLines(3);
    std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(settings.GetPointerSpeed(), kMaxPointerSpeed);
    EXPECT_EQ(settings.GetWheelScrollLines(), 3);
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 2) << said;
    ASSERT_TRUE(settings.Flush(1000));
    EXPECT_EQ(Log(), "");  // no helper was run
}

TEST(FakePointerSettings, RecordsCallsAndCanFailReads) {
    test::FakePointerSettings fake;
    fake.wheelLinesReadable = false;
    PointerSettings& settings = fake;
    EXPECT_EQ(settings.GetPointerSpeed(), kDefaultPointerSpeed);
    settings.SetPointerSpeed(4);
    EXPECT_EQ(settings.GetWheelScrollLines(), std::nullopt);
    EXPECT_EQ(fake.Calls(), (std::vector<std::string>{"GetPointerSpeed", "SetPointerSpeed 4",
                                                      "GetWheelScrollLines"}));
    EXPECT_EQ(fake.Writes(), (std::vector<std::string>{"SetPointerSpeed 4"}));
}

}  // namespace
}  // namespace zel::platform
