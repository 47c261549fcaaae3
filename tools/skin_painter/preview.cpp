#include "preview.h"

#include <QDir>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>
#include <array>
#include <string>

#include "app/pages/page_painter.h"
#include "app/pages/page_table.h"
#include "macro/macro_store.h"
#include "platform/edition.h"
#include "platform/message_sink.h"
#include "settings/led_preview.h"
#include "settings/profile_settings.h"
#include "skin/layout_loader.h"
#include "skin/qt/button_image.h"
#include "skin/qt/mask_region.h"
#include "skin/qt/skin_fonts.h"
#include "skin/qt/skin_image_store.h"
#include "skin/skin_files.h"

namespace zel::skin::painter {

namespace {

namespace files = pictures;

constexpr int kNone = kNoEntry;

// The settings and window state a preview shows.
struct Scene {
    QString name;
    int page = 0;  // 0 main, 1 advanced, 2 colour
    int hotMain = kNone;
    int hotPage = kNone;  // advHot or colorHot
    bool pressed = false;
    int currentProfile = 1;
    std::array<int, 6> functions{1, 2, 3, 4, 5, 6};
    int dpiLevel = 1;
    std::array<int, 4> dpiSet{3, 6, 9, 10};
    std::array<int, 4> dpiEnabled{1, 1, 1, 0};
    int wheelStatus = 0;
    bool recording = false;
    bool repeatOn = true;
    int macroMode = 0;
    int dpiSpeed = 6;
    int wheelSpeed = 2;
    int fireTime = 50;
    int ledStatus = 0;
    int previewLevel = 0;
    bool previewDark = false;
    int pressSteps = 0;  // the current macro's press and release steps
};

// The program's caption font of the edition.
QFont CaptionFont(int languageFlag) {
    return CreateSkinFonts().ForEdition(languageFlag);
}

class PreviewPainter {
public:
    PreviewPainter(const PreviewOptions& options, platform::MessageSink& messages)
        : options_(options), store_(options.skinsDir, messages) {}

    bool LoadLayouts(platform::MessageSink& messages) {
        bool missing = false;
        SkinLayoutLoader loader(options_.layoutRoot, messages, [&missing] { missing = true; });
        loader.LoadSkinLayouts(english_, 1);
        loader.LoadSkinLayouts(spanish_, 0);
        return !missing;
    }

    // The page composed by the program's own painter from the scene's settings and pointer.
    QImage Page(const Scene& scene, int languageFlag) {
        SkinLayout layout = platform::IsEnglishEdition(languageFlag) ? english_ : spanish_;
        const QImage mask = store_.LoadSkinImage(files::kMainMask);
        const QSize size = mask.isNull() ? QSize(880, 580) : mask.size();

        settings::ProfileSettings profile;
        for (std::size_t i = 0; i < scene.functions.size(); ++i) {
            profile.K[i] = scene.functions[i];
        }
        profile.DPI_LEVEL = scene.dpiLevel;
        for (std::size_t n = 0; n < scene.dpiSet.size(); ++n) {
            profile.DPI_SET[n] = static_cast<std::uint8_t>(scene.dpiSet[n]);
            profile.DPI_SET_EN[n] = static_cast<std::uint8_t>(scene.dpiEnabled[n]);
            profile.appliedDpiCode[n] = static_cast<std::uint8_t>(CodeOfStep(scene.dpiSet[n]));
        }
        profile.WHEEL_STATUS = scene.wheelStatus;
        profile.MACRO_MODE2 = scene.macroMode;
        profile.DPI_SPEED = static_cast<std::uint8_t>(scene.dpiSpeed);
        profile.WHEEL_SPEED = static_cast<std::uint8_t>(scene.wheelSpeed);
        profile.FIRE_TIME = scene.fireTime;
        profile.LED_STATUS = static_cast<std::uint8_t>(scene.ledStatus);
        macro::MacroStore macros;
        macros.EditUserMacro(macros.CurrentMacro(), [&](macro::MacroRecord& record) {
            record.repeatOn = scene.repeatOn ? 1 : 0;
        });
        settings::LedPreview led(profile);
        led.previewLevel = static_cast<std::uint8_t>(scene.previewLevel);
        led.previewDark = scene.previewDark;

        app::HotIndices hot;
        hot.HotButton = scene.hotMain;
        (scene.page == app::kColorPage ? hot.colorHot : hot.advHot) = scene.hotPage;
        const auto page = static_cast<std::uint8_t>(scene.page);
        macro::StepListState steps;
        steps.downCount = scene.pressSteps;
        steps.upCount = scene.pressSteps;
        const app::PageStateView view{
            profile,      macros,          layout, page, scene.currentProfile,
            languageFlag, scene.recording, steps};
        app::PagePainter composer(layout, store_, size, led, hot, scene.pressed);
        QImage back = composer.Compose(view, CaptionFont(languageFlag), 1);
        const auto& main = layout.mainButtons;

        QPainter painter(&back);
        if (scene.page == 1) {
            FakeControls(painter, layout, languageFlag);
        }
        if (options_.outlines) {
            Outline(painter, main, 0, scene.page == 0 ? 123 : 19, QColor(255, 210, 0));
            if (scene.page == 1) {
                Outline(painter, layout.advancedButtons, 0, 51, QColor(255, 0, 200));
                for (const ControlRect* c :
                     {&layout.editRect3, &layout.editRect4, &layout.macroDisplayRect1,
                      &layout.macroDisplayRect2}) {
                    painter.setPen(QColor(0, 255, 0));
                    painter.drawRect(ToQRect(c->rect).adjusted(0, 0, -1, -1));
                }
            } else if (scene.page == 2) {
                Outline(painter, layout.colorButtons, 0, 12, QColor(255, 0, 200));
            }
        }
        painter.end();
        return Shaped(back, mask);
    }

    QImage Menu(int languageFlag, int hotRow, bool pressed) {
        const SkinLayout& layout = platform::IsEnglishEdition(languageFlag) ? english_ : spanish_;
        const QImage mask = store_.LoadSkinImage(files::kMenuMask);
        const int width = mask.width();
        const int rowHeight = mask.height() / kMenuRowCount;
        const QSize size(width, kMenuRowCount * rowHeight + 1);
        QImage back = store_.Layer(files::kMenuNormal, size);
        CopyLayerRect(back, store_.Layer(pressed ? files::kMenuDown : files::kMenuOver, size),
                      QRect(0, (hotRow - 1) * rowHeight, width, rowHeight));
        QPainter painter(&back);
        painter.setFont(CaptionFont(languageFlag));
        for (int i = 1; i <= 10; ++i) {
            CenteredRow(painter, width, rowHeight, i,
                        QString::fromStdString(layout.functionNames[Index(i)]),
                        i == hotRow ? Qt::red : Qt::white);
        }
        return back;
    }

    QImage SubMenu(int languageFlag, int group, int count, int hotItem) {
        const SkinLayout& layout = platform::IsEnglishEdition(languageFlag) ? english_ : spanish_;
        const QImage mask = store_.LoadSkinImage(files::kSubMenuMask);
        const int width = mask.width();
        const int rowHeight = mask.height() / kSubMenuRowCount;
        const QSize full = mask.size();
        QImage back = store_.Layer(files::kSubMenuNormal, full);
        CopyLayerRect(back, store_.Layer(files::kSubMenuOver, full),
                      QRect(0, (hotItem - 1) * rowHeight, width, rowHeight));
        QPainter painter(&back);
        painter.setFont(CaptionFont(languageFlag));
        for (int d = 1; d <= count; ++d) {
            CenteredRow(painter, width, rowHeight, d,
                        QString::fromStdString(layout.functionNames[Index(group + d)]),
                        d == hotItem ? Qt::red : Qt::white);
        }
        painter.end();
        return back.copy(0, 0, width, count * rowHeight + 1);
    }

    QImage Warning(int languageFlag, int hot) {
        const SkinLayout& layout = platform::IsEnglishEdition(languageFlag) ? english_ : spanish_;
        const QImage mask = store_.LoadSkinImage(files::kWarningMask);
        QImage back = store_.Layer(files::kWarningNormal, mask.size());
        if (hot == 1 || hot == 2) {
            CopyButtonImage(back, store_.Layer(files::kWarningOver, mask.size()),
                            layout.warningButtons[Index(hot - 1)]);
        }
        QPainter painter(&back);
        painter.setFont(CaptionFont(languageFlag));
        for (const SkinButton& b : layout.warningButtons) {
            Caption(painter, b, b.caption, Qt::red);
        }
        painter.end();
        return Shaped(back, mask);
    }

private:
    static std::size_t Index(int i) { return static_cast<std::size_t>(i); }
    static int CodeOfStep(int step) {
        constexpr int kCodes[12] = {1, 2, 3, 4, 5, 6, 7, 9, 11, 13, 14, 15};
        return step >= 0 && step < 12 ? kCodes[step] : 0;
    }

    static void Caption(QPainter& painter, const SkinButton& b, const std::string& text,
                        const QColor& color) {
        Caption(painter, b, QString::fromStdString(text), color);
    }
    static void Caption(QPainter& painter, const SkinButton& b, const QString& text,
                        const QColor& color) {
        if (text.isEmpty()) {
            return;
        }
        const QFontMetrics metrics(painter.font());
        const int x = b.x + (b.width - metrics.horizontalAdvance(text)) / 2;
        const int y = b.y + (b.height - metrics.height()) / 2;
        painter.setPen(color);
        painter.drawText(QPoint(x, y + metrics.ascent()), text);
    }
    static void LeftCaption(QPainter& painter, const SkinButton& b, const QString& text,
                            const QColor& color) {
        const QFontMetrics metrics(painter.font());
        const int y = b.y + (b.height - metrics.height()) / 2;
        painter.setPen(color);
        painter.drawText(QPoint(b.x + 5, y + metrics.ascent()), text);
    }
    static void CenteredRow(QPainter& painter, int width, int rowHeight, int row,
                            const QString& text, const QColor& color) {
        const QFontMetrics metrics(painter.font());
        const int x = (width - metrics.horizontalAdvance(text)) / 2;
        const int y = (row - 1) * rowHeight + (rowHeight - metrics.height()) / 2;
        painter.setPen(color);
        painter.drawText(QPoint(x, y + metrics.ascent()), text);
    }

    // What the four child controls of the advanced page show, so the preview looks like the
    // running program.
    static void FakeControls(QPainter& painter, const SkinLayout& layout, int languageFlag) {
        painter.save();
        const QFontMetrics metrics(painter.font());
        painter.setPen(Qt::white);
        const QRect list = ToQRect(layout.macroDisplayRect1.rect);
        const QStringList macros = {"Reload combo", "Build wall", "Burst x3"};
        for (int i = 0; i < macros.size(); ++i) {
            const QRect line(list.left(), list.top() + 2 + i * (metrics.height() + 2), list.width(),
                             metrics.height() + 2);
            if (i == 0) {
                painter.fillRect(line, QColor(0, 120, 215));
            }
            painter.drawText(line.adjusted(4, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft,
                             macros[i]);
        }
        const QRect steps = ToQRect(layout.macroDisplayRect2.rect);
        const QStringList lines = {"[↓]R",     "    30ms", "[↑]R",    "    80ms",
                                   "[↓]L-KEY", "    15ms", "[↑]L-KEY"};
        for (int i = 0; i < lines.size(); ++i) {
            painter.drawText(QRect(steps.left() + 4, steps.top() + 2 + i * (metrics.height() + 2),
                                   steps.width() - 4, metrics.height() + 2),
                             Qt::AlignVCenter | Qt::AlignLeft, lines[i]);
        }
        painter.drawText(ToQRect(layout.editRect4.rect), Qt::AlignCenter,
                         platform::IsEnglishEdition(languageFlag) ? "Reload combo" : "Recarga");
        painter.drawText(ToQRect(layout.editRect3.rect), Qt::AlignCenter, "1");
        painter.restore();
    }

    template <std::size_t N>
    static void Outline(QPainter& painter, const std::array<SkinButton, N>& buttons, int first,
                        int last, const QColor& color) {
        painter.save();
        QFont small(QStringLiteral("DejaVu Sans"));
        small.setPixelSize(8);
        painter.setFont(small);
        for (int i = first; i <= last && i < static_cast<int>(N); ++i) {
            const QRect r = ToQRect(buttons[Index(i)]);
            if (r.isEmpty()) {
                continue;
            }
            painter.setPen(QColor(color.red(), color.green(), color.blue(), 200));
            painter.drawRect(r.adjusted(0, 0, -1, -1));
            painter.setPen(color);
            painter.drawText(r.topLeft() + QPoint(2, 8), QString::number(i));
        }
        painter.restore();
    }

    // The picture cut to the window's outline, transparent outside.
    static QImage Shaped(const QImage& picture, const QImage& mask) {
        QImage shaped(picture.size(), QImage::Format_ARGB32_Premultiplied);
        shaped.fill(Qt::transparent);
        QPainter painter(&shaped);
        if (!mask.isNull()) {
            painter.setClipRegion(BuildMaskRegion(mask));
        }
        painter.drawImage(0, 0, picture);
        return shaped;
    }

    const PreviewOptions& options_;
    SkinImageStore store_;
    SkinLayout english_;
    SkinLayout spanish_;
};

}  // namespace

platform::Result<void> WritePreviews(const PreviewOptions& options) {
    platform::StderrMessageSink messages;
    PreviewPainter painter(options, messages);
    if (!painter.LoadLayouts(messages)) {
        return platform::Error{platform::ErrorCode::kNotFound,
                               "layout files missing under " + options.layoutRoot.string()};
    }
    for (std::string_view mask :
         {files::kMainMask, files::kMenuMask, files::kSubMenuMask, files::kWarningMask}) {
        const std::filesystem::path path = options.skinsDir / std::string(mask);
        if (QImage(QString::fromStdString(path.string())).isNull()) {
            return platform::Error{platform::ErrorCode::kNotFound,
                                   "no readable " + path.string() +
                                       ": render the pictures first (target zel_skin_pictures)"};
        }
    }
    if (!QDir().mkpath(options.outDir)) {
        return platform::Error{platform::ErrorCode::kIoError,
                               (QStringLiteral("cannot create ") + options.outDir).toStdString()};
    }
    Scene main;
    main.name = "main";
    main.page = 0;
    main.hotMain = 27;  // the wheel button's function field, hovered
    main.functions = {1, 2, 3, 24, 25, 6};

    Scene advanced;
    advanced.name = "advanced";
    advanced.page = 1;
    advanced.hotPage = 16;  // a pointer-speed step, hovered
    advanced.recording = true;
    advanced.macroMode = 1;
    advanced.fireTime = 120;
    advanced.pressSteps = 3;

    Scene lighting;
    lighting.name = "lighting";
    lighting.page = 2;
    lighting.hotPage = 2;
    lighting.ledStatus = 0;
    lighting.previewLevel = 0;
    lighting.dpiLevel = 3;
    lighting.dpiEnabled = {1, 1, 1, 1};

    const QString suffix = options.outlines ? QStringLiteral("_outlined") : QString();
    for (int languageFlag : {1, 0}) {
        if (options.outlines && !platform::IsEnglishEdition(languageFlag)) {
            continue;  // both editions share the geometry
        }
        const QString edition =
            platform::IsEnglishEdition(languageFlag) ? QStringLiteral("en") : QStringLiteral("es");
        auto save = [&](const QImage& image, const QString& stem) -> platform::Result<void> {
            const QString path =
                QDir(options.outDir).filePath(stem + "_" + edition + suffix + ".png");
            if (!image.save(path, "png")) {
                return platform::Error{platform::ErrorCode::kIoError,
                                       (QStringLiteral("cannot write ") + path).toStdString()};
            }
            return platform::Ok();
        };
        for (const Scene* scene : {&main, &advanced, &lighting}) {
            if (platform::Result<void> saved =
                    save(painter.Page(*scene, languageFlag), scene->name);
                !saved.ok()) {
                return saved;
            }
        }
        if (options.outlines) {
            continue;
        }
        platform::Result<void> saved = save(painter.Menu(languageFlag, 8, false), "choice_list");
        if (saved.ok()) {
            saved = save(painter.SubMenu(languageFlag, 20, 10, 4), "choice_sublist");
        }
        if (saved.ok()) {
            saved = save(painter.Warning(languageFlag, 1), "warning");
        }
        if (!saved.ok()) {
            return saved;
        }
    }
    return platform::Ok();
}

}  // namespace zel::skin::painter
