#include "preview.h"

#include <QDir>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>
#include <array>
#include <string>
#include <vector>

#include "platform/edition.h"
#include "platform/message_sink.h"
#include "skin/layout_loader.h"
#include "skin/qt/button_image.h"
#include "skin/qt/mask_region.h"
#include "skin/qt/skin_fonts.h"
#include "skin/qt/skin_image_store.h"
#include "skin/skin_files.h"
#include "text/catalog.h"

namespace zel::skin::painter {

namespace {

namespace files = pictures;

constexpr int kNone = 255;
const QColor kLevelFill[4] = {{0, 0, 255}, {255, 0, 255}, {255, 0, 0}, {128, 0, 255}};
constexpr int kDpiOfCode[16] = {300, 300,  600, 900,  1200, 1500, 1800, 2400,
                                300, 3000, 300, 3600, 300,  4800, 6400, 7200};

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
    // Extra states only a preview shows at once: (main list index, pressed?).
    std::vector<std::pair<int, bool>> extraFrame;
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

    QImage Page(const Scene& scene, int languageFlag) {
        SkinLayout layout = platform::IsEnglishEdition(languageFlag) ? english_ : spanish_;
        const QImage mask = store_.LoadSkinImage(files::kMainMask);
        const QSize size = mask.isNull() ? QSize(880, 580) : mask.size();
        static constexpr std::string_view kLayers[3][3] = {
            {files::kMainNormal, files::kMainOver, files::kMainDown},
            {files::kAdvancedNormal, files::kAdvancedOver, files::kAdvancedDown},
            {files::kColorNormalPink, files::kColorOverRed, files::kColorDownPurple}};
        const auto& names = kLayers[scene.page];
        QImage back = store_.Layer(names[0], size);
        const QImage over = store_.Layer(names[1], size);
        const QImage down = store_.Layer(names[2], size);
        const auto& main = layout.mainButtons;

        // Page buttons.
        if (scene.page == 0) {
            if (scene.hotMain != kNone) {
                CopyButtonImage(back, scene.pressed ? down : over, main[Index(scene.hotMain)]);
            }
            CopyButtonImage(back, down, main[Index(54 + scene.dpiLevel)]);
            QPainter fill(&back);
            for (int n = 0; n < 4; ++n) {
                for (int s = 0; s <= scene.dpiSet[Index(n)]; ++s) {
                    const SkinButton& b = main[Index(66 + 12 * n + s)];
                    fill.fillRect(QRect(b.x + 1, b.y + 1, b.width - 2, b.height - 1),
                                  kLevelFill[n]);
                }
            }
            fill.end();
            for (int n = 0; n < 4; ++n) {
                if (scene.dpiEnabled[Index(n)] == 1) {
                    CopyButtonImage(back, down, main[Index(46 + n)]);
                }
            }
            CopyButtonImage(back, down, main[scene.wheelStatus == 0 ? 41 : 42]);
            if (scene.hotMain >= 25 && scene.hotMain <= 31) {
                CopyButtonImage(back, over, main[Index(scene.hotMain + 90)]);
            }
        } else if (scene.page == 1) {
            const auto& adv = layout.advancedButtons;
            if (scene.hotPage != kNone) {
                CopyButtonImage(back, scene.pressed && scene.hotPage != 30 ? down : over,
                                adv[Index(scene.hotPage)]);
            }
            if (scene.recording) {
                CopyButtonImage(back, down, adv[4]);
            }
            CopyButtonImage(back, down, adv[Index(8 + scene.dpiSpeed)]);
            CopyButtonImage(back, down, adv[Index(18 + scene.wheelSpeed)]);
            const SkinButton& slider = adv[30];
            const auto filled = static_cast<int>(static_cast<unsigned>(scene.fireTime) *
                                                 static_cast<unsigned>(slider.width) / 300u);
            CopyLayerRect(back, down, QRect(slider.x, slider.y, filled, slider.height));
            if (scene.macroMode != 0) {
                CopyButtonImage(back, down, adv[7]);
            }
            if (scene.repeatOn) {
                CopyButtonImage(back, down, adv[6]);
            }
        } else {
            const auto& color = layout.colorButtons;
            if (scene.hotPage != kNone) {
                CopyButtonImage(back, scene.pressed ? down : over, color[Index(scene.hotPage)]);
            }
            CopyButtonImage(back, down, color[Index(scene.ledStatus)]);
            if (scene.previewDark) {
                CopyButtonImage(back, store_.Layer(files::kColorNormalGray, size), color[11]);
            } else if (scene.previewLevel == 0) {
                CopyButtonImage(back, store_.Layer(files::kColorOverBlue, size), color[11]);
            } else if (scene.previewLevel == 2) {
                CopyButtonImage(back, over, color[11]);
            } else if (scene.previewLevel == 3) {
                CopyButtonImage(back, down, color[11]);
            }
        }

        // Frame buttons.
        const int pageButton = 9 + scene.page;
        for (int i = 0; i < 20; ++i) {
            const SkinButton& b = main[Index(i)];
            if (i == scene.currentProfile + 3) {
                CopyButtonImage(back, down, b);
            } else if (i == scene.hotMain) {
                CopyButtonImage(back, scene.pressed ? down : over, b);
            } else if (i == pageButton || (i == 17 && !platform::IsEnglishEdition(languageFlag)) ||
                       (i == 18 && platform::IsExactlyEnglishFlag(languageFlag))) {
                CopyButtonImage(back, down, b);
            }
        }
        for (const auto& [index, pressed] : scene.extraFrame) {
            CopyButtonImage(back, pressed ? down : over, main[Index(index)]);
        }

        // Texts.
        QPainter painter(&back);
        painter.setFont(CaptionFont(languageFlag));
        const int textCount = scene.page == 0 ? 54 : scene.page == 1 ? 72 : 33;
        for (int j = 0; j < textCount; ++j) {
            if (j < 20) {
                Caption(painter, main[Index(j)], main[Index(j)].caption, Qt::white);
                continue;
            }
            if (scene.page == 0) {
                const SkinButton& b = main[Index(j)];
                if (j >= 25 && j <= 30) {
                    const int code = scene.functions[Index(j - 25)];
                    const QString label =
                        code >= 41 ? QStringLiteral("Macro %1").arg(code - 40)
                                   : QString::fromStdString(layout.functionNames[Index(code)]);
                    LeftCaption(painter, b, label, j == scene.hotMain ? Qt::red : Qt::white);
                } else {
                    Caption(painter, b, b.caption, Qt::white);
                }
            } else if (scene.page == 1) {
                SkinButton b = layout.advancedButtons[Index(j - 20)];
                switch (j - 20) {
                    case 4:
                        b.caption = std::string(text::Text(
                            scene.recording ? text::TextId::kStopRecording : text::TextId::kRecord,
                            languageFlag));
                        break;
                    case 33:
                        b.caption = std::to_string(scene.fireTime) + "ms";
                        break;
                    case 43:
                        b.caption = "[↓]3";
                        break;
                    case 44:
                        b.caption = "[↑]3";
                        break;
                    default:
                        break;
                }
                Caption(painter, b, b.caption, Qt::white);
            } else {
                SkinButton b = layout.colorButtons[Index(j - 20)];
                if (j - 20 == 9) {
                    const int code = CodeOfStep(scene.dpiSet[Index(scene.dpiLevel & 3)]);
                    b.caption = std::to_string(code >= 0 && code < 16 ? kDpiOfCode[code] : 300);
                }
                Caption(painter, b, b.caption, Qt::white);
            }
        }
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
    main.extraFrame = {{3, false}};  // Apply hovered

    Scene advanced;
    advanced.name = "advanced";
    advanced.page = 1;
    advanced.hotPage = 16;  // a pointer-speed step, hovered
    advanced.recording = true;
    advanced.macroMode = 1;
    advanced.fireTime = 120;

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
