#include "platform/pointer_settings.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
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
    // The first change reads the value it will give back at the end.
    EXPECT_EQ(Log(),
              "gsettings get org.gnome.desktop.peripherals.mouse speed\n"
              "gsettings set org.gnome.desktop.peripherals.mouse speed 0.0\n");
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
              "kreadconfig5 --file kcminputrc --group Mouse --key XLbInptPointerAcceleration "
              "--default 0\n"
              "kwriteconfig5 --file kcminputrc --group Mouse --key XLbInptPointerAcceleration "
              "0.5\n"
              "dbus-send --session --type=signal /KGlobalSettings "
              "org.kde.KGlobalSettings.notifyChange int32:3 int32:0\n");
    EXPECT_EQ(settings.GetWheelScrollLines(), 3);
    EXPECT_EQ(settings.GetPointerSpeed(), 15);
}

// A gsettings that keeps its value in a file, as the desktop would.
class RestoreDesktopValuesTest : public DesktopPointerSettingsTest {
protected:
    void AddStoringGsettings(const std::string& value) {
        WriteValue(value);
        fs::path file = dir_ / "gsettings";
        std::ofstream(file) << "#!/bin/sh\necho \"gsettings $*\" >> '" << log_.string() << "'\n"
                            << "case \"$1\" in get) cat '" << ValuePath() << "';;\n"
                            << "set) printf '%s\\n' \"$4\" > '" << ValuePath() << "';; esac\n";
        fs::permissions(file, fs::perms::owner_all);
    }
    std::string ValuePath() const { return (dir_ / "value").string(); }
    void WriteValue(const std::string& value) { std::ofstream(ValuePath()) << value << "\n"; }
    std::string Value() const {
        std::ifstream in(ValuePath());
        std::string value;
        std::getline(in, value);
        return value;
    }
};

// 0.25 lies between two steps of the 1 ... 20 scale: the user's own text comes back, not a
// value rounded through the scale and not a fixed default.
TEST_F(RestoreDesktopValuesTest, GnomeGetsBackTheUsersOwnValueAfterChanges) {
    for (bool readFirst : {false, true}) {
        SCOPED_TRACE(readFirst);
        AddStoringGsettings("0.25");
        DesktopPointerSettings settings(Desktop::Gnome, dir_.string());
        if (readFirst) {
            EXPECT_EQ(settings.GetPointerSpeed(), 13);  // as an upload asks before it sets
        }
        settings.SetPointerSpeed(4);
        settings.SetPointerSpeed(18);
        ASSERT_TRUE(settings.Flush(10000));
        EXPECT_EQ(Value(), "0.8");
        settings.RestoreDesktopValues();
        ASSERT_TRUE(settings.Flush(10000));
        EXPECT_EQ(Value(), "0.25");
        EXPECT_EQ(settings.GetPointerSpeed(), 13);  // read from the desktop again
    }
}

TEST_F(RestoreDesktopValuesTest, GnomeValueNeverChangedIsLeftAlone) {
    AddStoringGsettings("0.3");
    DesktopPointerSettings settings(Desktop::Gnome, dir_.string());
    EXPECT_EQ(settings.GetPointerSpeed(), 13);
    settings.SetWheelScrollLines(5);  // GNOME has no wheel lines: only remembered
    settings.RestoreDesktopValues();
    ASSERT_TRUE(settings.Flush(10000));
    EXPECT_EQ(Log(), "gsettings get org.gnome.desktop.peripherals.mouse speed\n");
    EXPECT_EQ(Value(), "0.3");
}

// When the value before the change cannot be read, nothing is written back at the end: the
// program cannot know the user's value, so it does not invent one.
TEST_F(RestoreDesktopValuesTest, UnreadableValueBeforeTheChangeIsNotRestored) {
    AddHelper("gsettings", "garbage\n");
    DesktopPointerSettings settings(Desktop::Gnome, dir_.string());
    settings.SetPointerSpeed(4);
    ASSERT_TRUE(settings.Flush(10000));
    settings.RestoreDesktopValues();
    ASSERT_TRUE(settings.Flush(10000));
    EXPECT_EQ(Log(),
              "gsettings get org.gnome.desktop.peripherals.mouse speed\n"
              "gsettings set org.gnome.desktop.peripherals.mouse speed -0.6667\n");
}

TEST_F(RestoreDesktopValuesTest, KdeGetsBackBothValuesOnlyOnce) {
    AddHelper("kreadconfig5", "7\n");
    AddHelper("kwriteconfig5");
    AddHelper("dbus-send");
    DesktopPointerSettings settings(Desktop::Kde, dir_.string());
    settings.SetWheelScrollLines(3);
    settings.SetPointerSpeed(15);
    ASSERT_TRUE(settings.Flush(10000));
    fs::remove(log_);
    settings.RestoreDesktopValues();
    settings.RestoreDesktopValues();  // the second has nothing left to give back
    ASSERT_TRUE(settings.Flush(10000));
    const std::string log = Log();
    EXPECT_NE(log.find("kwriteconfig5 --file kcminputrc --group Mouse --key "
                       "XLbInptPointerAcceleration 7\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("kwriteconfig5 --file kdeglobals --group KDE --key WheelScrollLines 7\n"),
              std::string::npos)
        << log;
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'),
              3 + (log.find("notifyChange") < log.find("kdeglobals")))
        << log;  // two writes and one notice, or two when the worker ran between them
    // KDE is told after the last write.
    EXPECT_TRUE(log.ends_with("org.kde.KGlobalSettings.notifyChange int32:3 int32:0\n")) << log;
}

// The user's own value kept in the state folder, across programs that start, end and are
// killed in any order. Each step is one program's life (its own settings object); a kill is a
// program that never reaches its end.
TEST_F(RestoreDesktopValuesTest, UsersValueSurvivesEverySequenceOfPrograms) {
    const fs::path state = dir_ / "state";
    struct Case {
        const char* name;
        // Per step: 'e' ends normally, 'k' is killed, 'h' the user sets 0.7 by hand while it runs
        // and it then ends; every program sets the profile's speed 4 (-0.6667) first.
        const char* steps;
        const char* left;  // what the desktop shows after the last step
    } cases[] = {
        {"one run", "e", "0.25"},
        {"killed, then a run", "ke", "0.25"},
        {"killed twice, then a run", "kke", "0.25"},
        {"changed by hand", "h", "0.7"},
        {"killed, then changed by hand", "kh", "0.7"},
        {"changed by hand, then a run", "he", "0.7"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(state);
        AddStoringGsettings("0.25");
        for (const char* step = c.steps; *step != '\0'; ++step) {
            if (*step == 'k') {
                // A program killed after its change: the record stays, the desktop keeps the
                // profile's value, and its lock goes with the process.
                const pid_t child = ::fork();
                ASSERT_GE(child, 0);
                if (child == 0) {
                    DesktopPointerSettings settings(Desktop::Gnome, dir_.string(), state);
                    settings.SetPointerSpeed(4);
                    settings.Flush(10000);
                    ::kill(::getpid(), SIGKILL);
                }
                int status = 0;
                ::waitpid(child, &status, 0);
                ASSERT_TRUE(WIFSIGNALED(status));
                EXPECT_EQ(Value(), "-0.6667");
                continue;
            }
            DesktopPointerSettings settings(Desktop::Gnome, dir_.string(), state);
            EXPECT_TRUE(settings.GetPointerSpeed().has_value());  // as an upload asks first
            settings.SetPointerSpeed(4);
            ASSERT_TRUE(settings.Flush(10000));
            EXPECT_EQ(Value(), "-0.6667");
            if (*step == 'h') {
                WriteValue("0.7");
            }
            settings.RestoreDesktopValues();
            ASSERT_TRUE(settings.Flush(10000));
        }
        EXPECT_EQ(Value(), c.left);
        std::ifstream record(state / "desktop-values");
        std::string text((std::istreambuf_iterator<char>(record)), {});
        EXPECT_EQ(text.find("pointer-speed.user"), std::string::npos) << text;  // cleared
    }
}

// Two programs at once (the tool alone beside a start): the one that ends first leaves the
// desktop to the other, the last one gives the user's value back.
TEST_F(RestoreDesktopValuesTest, OnlyTheLastProgramGivesTheValueBack) {
    const fs::path state = dir_ / "state";
    AddStoringGsettings("0.25");
    DesktopPointerSettings first(Desktop::Gnome, dir_.string(), state);
    first.SetPointerSpeed(4);
    ASSERT_TRUE(first.Flush(10000));
    {
        DesktopPointerSettings second(Desktop::Gnome, dir_.string(), state);
        second.SetPointerSpeed(18);
        ASSERT_TRUE(second.Flush(10000));
        second.RestoreDesktopValues();
        ASSERT_TRUE(second.Flush(10000));
        EXPECT_EQ(Value(), "0.8");  // the first still runs
    }
    first.RestoreDesktopValues();
    ASSERT_TRUE(first.Flush(10000));
    EXPECT_EQ(Value(), "0.25");  // not the second's 0.8, which the first took for a program's
}

// A state folder that cannot be made (a file in its place): the program still gives back the
// value it read itself.
TEST_F(RestoreDesktopValuesTest, WithoutAUsableStateFolderTheProgramStillGivesBackItsValue) {
    std::ofstream(dir_ / "state") << "not a folder\n";
    AddStoringGsettings("0.25");
    DesktopPointerSettings settings(Desktop::Gnome, dir_.string(), dir_ / "state" / "zel-gmouse");
    settings.SetPointerSpeed(4);
    ASSERT_TRUE(settings.Flush(10000));
    EXPECT_EQ(Value(), "-0.6667");
    settings.RestoreDesktopValues();
    ASSERT_TRUE(settings.Flush(10000));
    EXPECT_EQ(Value(), "0.25");
}

// A record that is no record (junk, or values that are no numbers) never reaches the desktop.
TEST_F(RestoreDesktopValuesTest, JunkInTheRecordNeverReachesTheDesktop) {
    const fs::path state = dir_ / "state";
    fs::create_directories(state);
    std::ofstream(state / "desktop-values")
        << "pointer-speed.user=0.1; rm -rf\npointer-speed.set=-0.6667\ngarbage\n";
    AddStoringGsettings("-0.6667");
    DesktopPointerSettings settings(Desktop::Gnome, dir_.string(), state);
    settings.SetPointerSpeed(4);
    ASSERT_TRUE(settings.Flush(10000));
    settings.RestoreDesktopValues();
    ASSERT_TRUE(settings.Flush(10000));
    EXPECT_EQ(Value(), "-0.6667");  // the desktop's value at the first change is the user's
}

// The notice that a setting is only remembered is said once for all runs of the user: each
// run of zel-gmousectl alone is a program of its own.
TEST_F(DesktopPointerSettingsTest, RememberedOnlyIsSaidOnceForAllRuns) {
    const fs::path state = dir_ / "state";
    std::string said;
    for (int run = 0; run < 3; ++run) {
        DesktopPointerSettings settings(Desktop::None, dir_.string(), state);
        ::testing::internal::CaptureStderr();
        settings.SetPointerSpeed(18);
        settings.SetWheelScrollLines(5);
        settings.RestoreDesktopValues();
        said += ::testing::internal::GetCapturedStderr();
    }
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 2) << said;
    EXPECT_NE(said.find("no pointer speed setting"), std::string::npos) << said;
    EXPECT_NE(said.find("no wheel scroll lines setting"), std::string::npos) << said;
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
    settings.RestoreDesktopValues();
    EXPECT_EQ(fake.pointerSpeed, kDefaultPointerSpeed);
}

}  // namespace
}  // namespace zel::platform
