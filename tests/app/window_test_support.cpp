#include "window_test_support.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPixmap>
#include <QTextStream>
#include <QTimer>
#include <filesystem>
#include <fstream>

#include "app/popups/warning_window.h"
#include "macro/macro_files.h"

namespace zel::test {

namespace {

constexpr int kGridColumns = 14;
constexpr int kCellWidth = 32;
constexpr int kCellHeight = 22;
constexpr int kButtonWidth = 30;
constexpr int kButtonHeight = 20;
// Advanced and colour buttons start after the frame buttons' cells.
constexpr int kPageListFirstCell = 20;

struct Surface {
    const char* name;  // key prefix of layout overrides
    const char* enFile;
    const char* cnFile;
};
constexpr Surface kMain{"main", "INI_EN/skin_main_en.ini", "INI_CN/skin_main.ini"};
constexpr Surface kColor{"color", "INI_EN/skin_color_en.ini", "INI_CN/skin_color.ini"};
constexpr Surface kAdvance{"advance", "INI_EN/skin_advance_en.ini", "INI_CN/skin_advance.ini"};
constexpr Surface kWarning{"warning", "INI_EN/LBWarning_en.ini", "INI_CN/LBWarning.ini"};

std::string Entry(const QRect& r, const std::string& caption = {}) {
    return "b," + std::to_string(r.x()) + "," + std::to_string(r.y()) + "," +
           std::to_string(r.width()) + "," + std::to_string(r.height()) + "," + caption + ",";
}

using Sections = std::map<std::string, std::map<int, std::string>>;

void WriteLayout(const std::string& skinsDir, const Surface& surface, Sections sections,
                 const std::map<std::string, std::string>& overrides, bool en) {
    for (const auto& [key, value] : overrides) {
        const std::string prefix = std::string(surface.name) + "/";
        if (key.rfind(prefix, 0) != 0) {
            continue;
        }
        const std::string rest = key.substr(prefix.size());
        const auto slash = rest.find('/');
        sections[rest.substr(0, slash)][std::stoi(rest.substr(slash + 1))] = value;
    }
    const std::filesystem::path path =
        std::filesystem::path(skinsDir) / (en ? surface.enFile : surface.cnFile);
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    for (const auto& [section, keys] : sections) {
        out << "[" << section << "]\r\n";
        for (const auto& [key, value] : keys) {
            out << key << "=" << value << "\r\n";
        }
    }
}

void WritePicture(const std::string& skinsDir, const std::string& name, QSize size,
                  const QColor& colour, const std::function<void(QImage&)>& touch = {}) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    if (touch) {
        touch(image);
    }
    const QString path = QString::fromStdString(skinsDir + "/" + name);
    ASSERT_TRUE(image.save(path, "JPG", 100)) << name;
}

}  // namespace

void EnsureQtApplication() {
    if (QApplication::instance() == nullptr) {
        static int argc = 1;
        static char name[] = "app_tests";
        static char* argv[] = {name, nullptr};
        static QApplication* application = new QApplication(argc, argv);
        (void)application;
    }
}

QRect GridRect(int index) {
    return QRect((index % kGridColumns) * kCellWidth + 1, (index / kGridColumns) * kCellHeight + 1,
                 kButtonWidth, kButtonHeight);
}

void WriteSyntheticSkin(const std::string& skinsDir,
                        const std::map<std::string, std::string>& overrides) {
    std::filesystem::create_directories(skinsDir);
    for (const bool en : {true, false}) {
        Sections main;
        for (int i = 0; i < 124; ++i) {
            main["BUTTONPOS"][i] = Entry(GridRect(i));
        }
        for (int k = 1; k <= 54; ++k) {
            main["FUN_STRING"][k] = (en ? "Fn" : "Fs") + std::to_string(k);
        }
        WriteLayout(skinsDir, kMain, main, overrides, en);

        Sections color;
        for (int i = 0; i < 13; ++i) {
            color["BUTTONPOS"][i] = Entry(GridRect(kPageListFirstCell + i));
        }
        WriteLayout(skinsDir, kColor, color, overrides, en);

        Sections advance;
        for (int i = 0; i < 52; ++i) {
            advance["BUTTONPOS"][i] = Entry(GridRect(kPageListFirstCell + i));
        }
        advance["EDIT"][3] = Entry(QRect(10, 230, 60, 20));
        advance["EDIT"][4] = Entry(QRect(80, 230, 60, 20));
        advance["MACRODISPLAY"][1] = Entry(QRect(150, 230, 80, 60));
        advance["MACRODISPLAY"][2] = Entry(QRect(240, 230, 80, 60));
        WriteLayout(skinsDir, kAdvance, advance, overrides, en);

        Sections warning;
        warning["BUTTONPOS"][0] = Entry(QRect(10, 60, 80, 30));
        warning["BUTTONPOS"][1] = Entry(QRect(110, 60, 80, 30));
        warning["BUTTONPOS"][2] = Entry(QRect(10, 10, 180, 40));
        WriteLayout(skinsDir, kWarning, warning, overrides, en);
    }

    using namespace skin_colors;
    const QSize main(kSkinWidth, kSkinHeight);
    WritePicture(skinsDir, "main_mask.jpg", main, Qt::black);
    WritePicture(skinsDir, "main_normal.jpg", main, kMainNormal);
    WritePicture(skinsDir, "main_over.jpg", main, kMainOver);
    WritePicture(skinsDir, "main_down.jpg", main, kMainDown);
    WritePicture(skinsDir, "advanced_normal.jpg", main, kAdvancedNormal);
    WritePicture(skinsDir, "advanced_over.jpg", main, kAdvancedOver);
    WritePicture(skinsDir, "advanced_down.jpg", main, kAdvancedDown);
    WritePicture(skinsDir, "color_normal_pink.jpg", main, kColorPink);
    WritePicture(skinsDir, "color_over_red.jpg", main, kColorRed);
    WritePicture(skinsDir, "color_down_purple.jpg", main, kColorPurple);
    WritePicture(skinsDir, "color_over_blue.jpg", main, kColorBlue);
    WritePicture(skinsDir, "color_normal_gray.jpg", main, kColorGray);

    const QSize menu(kMenuWidth, 10 * kMenuRowHeight);
    WritePicture(skinsDir, "menu_mask.jpg", menu, Qt::black);
    WritePicture(skinsDir, "menu_normal.jpg", menu, kMenuNormal);
    WritePicture(skinsDir, "menu_over.jpg", menu, kMenuOver);
    WritePicture(skinsDir, "menu_down.jpg", menu, kMenuDown);
    const QSize sub(kMenuWidth, 12 * kSubRowHeight);
    WritePicture(skinsDir, "advanced menu_mask.jpg", sub, Qt::black);
    WritePicture(skinsDir, "advanced menu_normal.jpg", sub, kSubNormal);
    WritePicture(skinsDir, "advanced menu_over.jpg", sub, kSubOver);
    WritePicture(skinsDir, "advanced menu_down.jpg", sub, kSubDown);

    // The warning window's mask cuts its top-left 16 x 16 corner away.
    const QSize warning(200, 100);
    WritePicture(skinsDir, "warning_mask.jpg", warning, Qt::black, [](QImage& image) {
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                image.setPixelColor(x, y, Qt::white);
            }
        }
    });
    WritePicture(skinsDir, "warning_normal.jpg", warning, kWarningNormal);
    WritePicture(skinsDir, "warning_over.jpg", warning, kWarningOver);
}

bool Near(QColor actual, QColor expected, int tolerance) {
    return std::abs(actual.red() - expected.red()) <= tolerance &&
           std::abs(actual.green() - expected.green()) <= tolerance &&
           std::abs(actual.blue() - expected.blue()) <= tolerance;
}

ProfileKeys DefaultProfileKeys() {
    return {{"K0", "1"},          {"K1", "2"},          {"K2", "3"},          {"K3", "4"},
            {"K4", "5"},          {"K5", "6"},          {"DPI_LEVEL", "0"},   {"WHEEL_STATUS", "0"},
            {"MACRO_MODE2", "0"}, {"DPI_SET0", "3"},    {"DPI_SET1", "6"},    {"DPI_SET2", "9"},
            {"DPI_SET3", "10"},   {"DPI_SET_EN0", "1"}, {"DPI_SET_EN1", "1"}, {"DPI_SET_EN2", "1"},
            {"DPI_SET_EN3", "1"}, {"LED_STATUS", "0"},  {"DPI_SPEED", "6"},   {"WHEEL_SPEED", "2"},
            {"USB_SPEED", "2"},   {"FIRE_TIME", "50"}};
}

WindowTest::WindowTest() {
    EnsureQtApplication();
}

WindowTest::~WindowTest() {
    window_.reset();
    ProcessEvents();
}

std::string WindowTest::ConfigPath() const {
    return ExeDir() + "/config.ini";
}

bool WindowTest::Start(const WindowSetup& setup) {
    EXPECT_TRUE(dir_.isValid());
    const std::string dataDir = setup.installed ? ExeDir() + "/share/zel-gmouse" : ExeDir();
    const std::string exeDir = setup.installed ? ExeDir() + "/bin" : ExeDir();
    std::filesystem::create_directories(exeDir);
    WriteSyntheticSkin(dataDir + "/skins", setup.layoutOverrides);
    // The program's icons, as the build puts them beside the executable.
    std::filesystem::copy(ZEL_RUNTIME_DIR "/icons", exeDir + "/icons",
                          std::filesystem::copy_options::recursive |
                              std::filesystem::copy_options::overwrite_existing);
    {
        std::ofstream config(dataDir + "/config.ini", std::ios::binary);
        config << "[Init]\r\nCurConfig=" << setup.currentProfile
               << "\r\nVER_SEL=" << setup.languageFlag << "\r\n";
        config << "[Config" << setup.currentProfile << "]\r\n";
        for (const auto& [key, value] : setup.profile) {
            config << key << "=" << value << "\r\n";
        }
    }
    // Empty macro files but for the user macros a test asks for.
    for (const char* name : {"/Macro_EN.dat", "/Macro_CN.dat", "/constMacro.dat"}) {
        std::ofstream(dataDir + name, std::ios::binary) << "[Macros]\r\nmacroNum=0\r\n";
    }
    if (!setup.userMacros.empty()) {
        macro::MacroStore store;
        store.ReplaceUserMacros(setup.userMacros);
        const char* file = setup.languageFlag != 0 ? "/Macro_EN.dat" : "/Macro_CN.dat";
        EXPECT_TRUE(macro::SaveUserMacros(store, dataDir + file));
    }
    if (setup.mousePresent) {
        transport_.SetCollections({FakeHidTransport::MouseReadCollection(kMousePath),
                                   FakeHidTransport::MouseWriteCollection(kMousePath)});
    }
    window_ = std::make_unique<app::MainWindow>(app::AppServices{
        exeDir, messages_, diagnostics_, pointer_, &transport_, launcher_, link_, profile_, macros_,
        recordClock_, setup.pages != nullptr ? *setup.pages : app::kShippedPages});
    QObject::connect(window_.get(), &app::MainWindow::paintCompleted, [this] {
        ++paints_;
        if (onPaint_) {
            onPaint_();
        }
    });
    if (!window_->Initialise(setup.startOrder)) {
        return false;
    }
    window_->move(100, 50);
    window_->show();
    ProcessEvents();
    return true;
}

namespace {

void SendMouse(QWidget& target, QEvent::Type type, QPoint local, Qt::MouseButton button,
               Qt::MouseButtons buttons) {
    const QPointF global = target.mapToGlobal(QPointF(local));
    QMouseEvent event(type, QPointF(local), global, button, buttons, Qt::NoModifier);
    QApplication::sendEvent(&target, &event);
}

}  // namespace

void WindowTest::HoverAt(QWidget& target, QPoint p) {
    SendMouse(target, QEvent::MouseMove, p, Qt::NoButton, Qt::NoButton);
}
void WindowTest::Press(QWidget& target, QPoint p) {
    SendMouse(target, QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton);
}
void WindowTest::Release(QWidget& target, QPoint p) {
    SendMouse(target, QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton);
}
void WindowTest::Click(QWidget& target, QPoint p) {
    HoverAt(target, p);
    Press(target, p);
    Release(target, p);
}
void WindowTest::HoverAt(QPoint p) {
    HoverAt(*window_, p);
}
void WindowTest::Press(QPoint p) {
    Press(*window_, p);
}
void WindowTest::Release(QPoint p) {
    Release(*window_, p);
}
void WindowTest::Click(QPoint p) {
    Click(*window_, p);
}

void WindowTest::Key(QWidget& target, QEvent::Type type, int key, Qt::KeyboardModifiers modifiers) {
    QKeyEvent event(type, key, modifiers);
    QApplication::sendEvent(&target, &event);
}

std::shared_ptr<FakeHidChannel> WindowTest::ClickMouseButton(int button) {
    auto reader = transport_.LastChannel(kMousePath, platform::HidAccess::Read);
    auto writer = transport_.LastChannel(kMousePath, platform::HidAccess::Write);
    if (reader == nullptr || writer == nullptr) {
        return nullptr;
    }
    writer->ClearSent();
    const auto code = static_cast<std::uint8_t>(0xF0 + button);
    reader->PushInputReport({0x06, code, 0x01, 0, 0, 0, 0, 0});
    reader->PushInputReport({0x06, code, 0x80, 0, 0, 0, 0, 0});
    return writer;
}

QPoint WindowTest::Centre(const skin::SkinButton& button) {
    return {button.x + button.width / 2, button.y + button.height / 2};
}

QImage WindowTest::Grab() {
    return window_->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

QColor WindowTest::Corner(const QImage& image, const skin::SkinButton& button) {
    return image.pixelColor(button.x, button.y);
}

void WindowTest::ProcessEvents() {
    for (int i = 0; i < 3; ++i) {
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QApplication::processEvents();
    }
}

void WindowTest::OnNextWarning(std::function<void(app::WarningWindow&)> act) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(
        timer, &QTimer::timeout, [this, timer, act = std::move(act), tries = 0]() mutable {
            auto* warning = qobject_cast<app::WarningWindow*>(QApplication::activeModalWidget());
            if (warning == nullptr) {
                // Give up after two seconds: the warning was not asked.
                if (++tries > 400) {
                    timer->stop();
                    timer->deleteLater();
                }
                return;
            }
            timer->stop();
            timer->deleteLater();
            ++warningsSeen_;
            act(*warning);
        });
    timer->start();
}

void WindowTest::AnswerNextWarning(int entry) {
    OnNextWarning([this, entry](app::WarningWindow& warning) {
        const QPoint target = Centre(layout().warningButtons[std::size_t(entry)]);
        HoverAt(warning, target);
        Release(warning, target);
    });
}

}  // namespace zel::test
