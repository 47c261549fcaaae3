// Every character the program shows has a glyph in the fonts the package brings: the no-mouse
// box's 【 and 】 are drawn as brackets, not as the empty box of a missing glyph. The box is the
// real one (MessageBoxSink), grabbed while it is open.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QRawFont>
#include <QTextLayout>
#include <QTimer>
#include <set>
#include <string>

#include "app/window/message_box_sink.h"
#include "shell_test_qt.h"
#include "skin/layout_loader.h"
#include "text/catalog.h"

namespace zel::app {
namespace {

// A code point no font has (the last private-use one of plane 16): drawn as the missing glyph.
constexpr char32_t kMissing = 0x10FFFD;

// The open message box's label, grabbed, while `sink` shows `text`; the box is then closed.
struct ShownBox {
    QImage picture;
    QFont font;
    QString text;
};
ShownBox ShowAndGrab(const QString& text) {
    ShownBox shown;
    bool seen = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            if (box == nullptr || !box->isVisible()) {
                continue;
            }
            for (QLabel* label : box->findChildren<QLabel*>()) {
                if (label->text() == text) {
                    shown = {label->grab().toImage(), label->font(), label->text()};
                    seen = true;
                }
            }
            box->accept();
        }
    });
    poll.start(10);
    QTimer::singleShot(20000, [] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            modal->close();
        }
    });
    MessageBoxSink sink;
    const QByteArray utf8 = text.toUtf8();
    sink.ShowMessage(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())),
                     "ZEL_GMouse");
    poll.stop();
    EXPECT_TRUE(seen) << "the box was not shown with its text";
    return shown;
}

// Whether Qt draws `c` in `font` (or in the face it falls back to) with a real glyph.
bool HasGlyph(const QFont& font, char32_t c) {
    QTextLayout layout(QString::fromUcs4(&c, 1), font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    const QList<QGlyphRun> runs = layout.glyphRuns();
    if (runs.isEmpty()) {
        return false;
    }
    for (const QGlyphRun& run : runs) {
        if (!run.rawFont().supportsCharacter(c)) {
            return false;
        }
        for (const quint32 glyph : run.glyphIndexes()) {
            if (glyph == 0) {  // .notdef, the missing-glyph box
                return false;
            }
        }
    }
    return true;
}

QImage Drawn(const QFont& font, char32_t c) {
    QImage image(64, 64, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QRect(0, 0, 64, 64), Qt::AlignCenter, QString::fromUcs4(&c, 1));
    return image;
}

TEST(MessageGlyphs, TheNoMouseBoxDrawsItsBrackets) {
    shell_testing::EnsureApplication();
    for (const int flag : {0, 1}) {
        const QString text = QString::fromStdString(text::Message(text::TextId::kNoMouse, flag));
        ASSERT_TRUE(text.contains(QChar(0x3010)) && text.contains(QChar(0x3011))) << flag;
        const ShownBox shown = ShowAndGrab(text);
        ASSERT_FALSE(shown.picture.isNull());
        for (const char16_t bracket : {u'\u3010', u'\u3011'}) {
            EXPECT_TRUE(HasGlyph(shown.font, bracket))
                << "U+" << std::hex << int(bracket) << " has no glyph in "
                << shown.font.family().toStdString() << " or its fallbacks";
            EXPECT_TRUE(Drawn(shown.font, bracket) != Drawn(shown.font, kMissing))
                << "U+" << std::hex << int(bracket) << " is drawn as the missing glyph";
            // The same box with the bracket replaced by a missing character looks different.
            QString missing = text;
            missing.replace(QChar(bracket), QString::fromUcs4(&kMissing, 1));
            EXPECT_TRUE(ShowAndGrab(missing).picture != shown.picture)
                << "the box draws U+" << std::hex << int(bracket) << " as a missing glyph";
        }
    }
}

// Every character of both editions' texts, the skins' captions and the program's own marks.
TEST(MessageGlyphs, EveryTextOfBothEditionsHasItsGlyphs) {
    shell_testing::EnsureApplication();
    std::set<char32_t> characters;
    const auto add = [&characters](const QString& text) {
        for (const char32_t c : text.toUcs4()) {
            if (c > 0x20) {
                characters.insert(c);
            }
        }
    };
    for (int id = 0; id < text::kTextIdCount; ++id) {
        for (const int flag : {0, 1}) {
            add(QString::fromStdString(text::Message(static_cast<text::TextId>(id), flag)));
        }
    }
    add(QStringLiteral("[\u2193][\u2191]"));
    int layouts = 0;
    for (const char* edition : {"INI_EN", "INI_CN"}) {
        const QDir dir(QStringLiteral(ZEL_SOURCE_DIR "/data/skins/") + edition);
        for (const QString& name : dir.entryList({QStringLiteral("*.ini")}, QDir::Files)) {
            QFile file(dir.filePath(name));
            ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
            add(QString::fromUtf8(file.readAll()));
            ++layouts;
        }
    }
    ASSERT_GE(layouts, 8);
    ASSERT_TRUE(characters.count(0xF1) == 1 && characters.count(0xFF01) == 1);
    const QMessageBox box;  // the font message boxes use
    std::string missing;
    for (const char32_t c : characters) {
        if (!HasGlyph(box.font(), c)) {
            missing += QString::fromUcs4(&c, 1).toStdString() + " ";
        }
    }
    EXPECT_EQ(missing, "") << "no glyph in " << box.font().family().toStdString();
}

}  // namespace
}  // namespace zel::app
