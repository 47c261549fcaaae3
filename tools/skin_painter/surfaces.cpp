#include "surfaces.h"

#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <span>
#include <system_error>
#include <utility>
#include <vector>

#include "app/pages/page_table.h"
#include "looks.h"
#include "mouse_art.h"
#include "skin/qt/skin_image_store.h"
#include "skin/skin_files.h"
#include "theme.h"

namespace zel::skin::painter {

namespace {

using namespace palette;

constexpr int kJpegQuality = 90;
constexpr int kMaskJpegQuality = 100;
constexpr qreal kWindowCut = 22;
constexpr qreal kWarningCut = 14;
// DPI shown for each step, the scale under the DPI bars.
constexpr int kDpiSteps[12] = {300, 600, 900, 1200, 1500, 1800, 2400, 3000, 3600, 4800, 6400, 7200};

QRectF Rect(const SkinButton& button) {
    return QRectF(button.x, button.y, std::max(0, button.width), std::max(0, button.height));
}

QRectF Rect(const ControlRect& control) {
    return QRectF(control.x, control.y, std::max(0, control.width), std::max(0, control.height));
}

template <std::size_t N>
QRectF Union(const std::array<SkinButton, N>& buttons, std::initializer_list<int> indices) {
    QRectF result;
    for (int i : indices) {
        const QRectF r = Rect(buttons[static_cast<std::size_t>(i)]);
        if (!r.isEmpty()) {
            result = result.isNull() ? r : result.united(r);
        }
    }
    return result;
}

template <std::size_t N>
QRectF UnionRange(const std::array<SkinButton, N>& buttons, int first, int last) {
    QRectF result;
    for (int i = first; i <= last; ++i) {
        const QRectF r = Rect(buttons[static_cast<std::size_t>(i)]);
        if (!r.isEmpty()) {
            result = result.isNull() ? r : result.united(r);
        }
    }
    return result;
}

struct PlannedButton {
    QRectF rect;
    ButtonArt art;
};

// The pages in the order of the tables (app::kMainPage, kAdvancedPage, kColorPage).
enum class Page : std::uint8_t {
    kMain = app::kMainPage,
    kAdvanced = app::kAdvancedPage,
    kColor = app::kColorPage
};

// What changes between the renderings of one surface's resting picture.
struct BaseVariant {
    bool diagramLit = false;  // main page: every part of the mouse diagram glowing
    QColor led;               // colour page: the LED preview's colour, invalid when unlit
};

// ---------------------------------------------------------------------------------------
// Shared pieces

void DrawHeaderStrip(QPainter& painter, const QRectF& rect) {
    if (rect.isEmpty()) {
        return;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    QLinearGradient band(rect.topLeft(), rect.topRight());
    band.setColorAt(0, WithAlpha(kTeal, 0));
    band.setColorAt(0.5, WithAlpha(kTeal, 80));
    band.setColorAt(1, WithAlpha(kTeal, 0));
    painter.fillRect(rect, band);
    QLinearGradient line(rect.topLeft(), rect.topRight());
    line.setColorAt(0, WithAlpha(kCyan, 0));
    line.setColorAt(0.5, WithAlpha(kCyan, 200));
    line.setColorAt(1, WithAlpha(kCyan, 0));
    painter.fillRect(QRectF(rect.left(), rect.bottom() - 1, rect.width(), 1), line);
    painter.restore();
}

void DrawPanel(QPainter& painter, const QRectF& rect) {
    if (rect.isEmpty()) {
        return;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = rect.adjusted(0.5, 0.5, -0.5, -0.5);
    const QPainterPath path = BevelPath(box, 12);
    QLinearGradient fill(box.topLeft(), box.bottomLeft());
    fill.setColorAt(0, QColor(18, 26, 34, 235));
    fill.setColorAt(1, QColor(13, 19, 25, 235));
    painter.fillPath(path, fill);
    painter.strokePath(path, QPen(kPanelEdge, 1));
    // Accent on the cut corner and along the top.
    QPen accent(kTeal, 2);
    accent.setCapStyle(Qt::FlatCap);
    painter.setPen(accent);
    painter.drawLine(QPointF(box.left() + 1, box.top() + 12),
                     QPointF(box.left() + 12, box.top() + 1));
    painter.drawLine(QPointF(box.left() + 12, box.top() + 1),
                     QPointF(box.left() + 48, box.top() + 1));
    painter.setPen(QPen(WithAlpha(kTeal, 160), 2, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(QPointF(box.right() - 1, box.bottom() - 12),
                     QPointF(box.right() - 12, box.bottom() - 1));
    painter.restore();
}

// The frame of a child control (edit or list box, black inside, drawn by the program).
void DrawWell(QPainter& painter, const QRectF& rect) {
    if (rect.isEmpty()) {
        return;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QRectF outer = rect.adjusted(-3, -3, 3, 3);
    painter.fillRect(outer, QColor(4, 6, 8));
    painter.setPen(WithAlpha(kTeal, 170));
    painter.drawRect(outer.adjusted(0, 0, -1, -1));
    painter.setPen(QColor(24, 34, 42));
    painter.drawRect(outer.adjusted(1, 1, -2, -2));
    painter.fillRect(rect, Qt::black);
    painter.restore();
}

void DrawDotGrid(QPainter& painter, const QRectF& area) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (qreal y = area.top() + 8; y < area.bottom(); y += 16) {
        for (qreal x = area.left() + 8; x < area.right(); x += 16) {
            painter.fillRect(QRectF(x, y, 1, 1), QColor(30, 44, 54));
        }
    }
    painter.restore();
}

void DrawHatch(QPainter& painter, const QRectF& area, const QColor& color, qreal step) {
    painter.save();
    painter.setClipRect(area);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(color, 1));
    for (qreal x = area.left() - area.height(); x < area.right(); x += step) {
        painter.drawLine(QPointF(x, area.bottom()), QPointF(x + area.height(), area.top()));
    }
    painter.restore();
}

void SmallText(QPainter& painter, const QRectF& rect, const QString& text, const QColor& color,
               int pixelSize, Qt::Alignment align = Qt::AlignCenter, int weight = QFont::Normal) {
    painter.save();
    painter.setFont(DisplayFont(pixelSize, weight));
    painter.setPen(color);
    painter.drawText(rect, align, text);
    painter.restore();
}

QPainterPath WindowPath(QSize size, qreal cut) {
    return OctagonPath(QRectF(0, 0, size.width(), size.height()), cut);
}

QImage RenderMask(QSize size, qreal cut, int scale) {
    QImage mask = NewPicture(size, scale);
    mask.fill(Qt::white);
    QPainter painter(&mask);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillPath(WindowPath(size, cut), Qt::black);
    return mask;
}

void DrawWindowBorder(QPainter& painter, QSize size, qreal cut) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF outer(1, 1, size.width() - 2, size.height() - 2);
    painter.strokePath(OctagonPath(outer, cut - 0.5), QPen(kTeal, 2));
    painter.strokePath(OctagonPath(outer.adjusted(3, 3, -3, -3), cut - 2),
                       QPen(QColor(20, 30, 38), 1));
    // Bright accents on the four cut corners.
    QPen corner(kGlow, 2.2, Qt::SolidLine, Qt::FlatCap);
    painter.setPen(corner);
    const qreal w = size.width() - 1;
    const qreal h = size.height() - 1;
    const qreal c = cut - 0.5;
    painter.drawLine(QPointF(1, 1 + c), QPointF(1 + c, 1));
    painter.drawLine(QPointF(w - c, 1), QPointF(w, 1 + c));
    painter.drawLine(QPointF(w, h - c), QPointF(w - c, h));
    painter.drawLine(QPointF(1 + c, h), QPointF(1, h - c));
    painter.restore();
}

// Renders a surface's three layers: the resting picture, then the over and down looks of
// every button drawn on copies of it, each clipped to its own rectangle.
struct SurfaceLayers {
    QImage normal;
    QImage over;
    QImage down;
};

QImage WithLooks(QImage base, const std::vector<PlannedButton>& buttons, ButtonState state,
                 const QImage& lit) {
    QPainter painter(&base);
    for (const PlannedButton& button : buttons) {
        if (button.rect.isEmpty()) {
            continue;
        }
        if (button.art.look == Look::LitCopy) {
            if (!lit.isNull()) {
                // The source rectangle is in the lit picture's own pixels.
                const QRectF area = button.rect.toAlignedRect();
                const qreal ratio = lit.devicePixelRatio();
                painter.drawImage(area, lit, QRectF(area.topLeft() * ratio, area.size() * ratio));
            }
            continue;
        }
        DrawLook(painter, button.rect, button.art, state);
    }
    return base;
}

// ---------------------------------------------------------------------------------------
// The main window: frame and three pages

class MainWindowArt {
public:
    MainWindowArt(const SkinGeometry& geometry, int scale)
        : layout_(geometry.english), size_(geometry.sizes.main), scale_(scale) {}

    QImage Mask() const { return RenderMask(size_, kWindowCut, scale_); }

    QImage Base(Page page, const BaseVariant& variant) const {
        QImage image = NewPicture(size_, scale_);
        image.fill(kVoid);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setClipPath(WindowPath(size_, kWindowCut));
        DrawChrome(painter);
        switch (page) {
            case Page::kMain:
                DrawMainPage(painter, variant);
                break;
            case Page::kAdvanced:
                DrawAdvancedPage(painter);
                break;
            case Page::kColor:
                DrawColorPage(painter, variant);
                break;
        }
        for (const PlannedButton& button : Buttons(page)) {
            DrawLook(painter, button.rect, button.art, ButtonState::kNormal);
        }
        painter.setClipping(false);
        DrawWindowBorder(painter, size_, kWindowCut);
        return image;
    }

    // Every member of the frame's rows and the page's that has a look, as the tables give them.
    std::vector<PlannedButton> Buttons(Page page) const {
        std::vector<PlannedButton> plan;
        const auto add = [&](std::span<const app::Control> table) {
            for (const app::Control& row : table) {
                if (row.look == Look::None) {
                    continue;
                }
                const auto list = app::ButtonsOf(layout_, row.list);
                for (int member = 0; member < row.count; ++member) {
                    const auto index = static_cast<std::size_t>(row.first + member);
                    if (index < list.size()) {
                        plan.push_back({Rect(list[index]), {row.look, member}});
                    }
                }
            }
        };
        add(app::kFrameControls);
        add(app::kShippedPages.Of(static_cast<std::uint8_t>(page)).controls);
        return plan;
    }

    QSize size() const { return size_; }
    const SkinLayout& layout() const { return layout_; }

private:
    // Background, top bar, side bar and bottom bar: identical on every page, so the frame
    // buttons look the same whichever page's pictures they are copied from.
    void DrawChrome(QPainter& painter) const {
        const qreal w = size_.width();
        const qreal h = size_.height();
        const auto& main = layout_.mainButtons;
        const qreal barBottom = std::max(Rect(main[9]).bottom(), Rect(main[13]).bottom()) + 12;
        const qreal sideRight = Union(main, {4, 5, 6, 7, 8, 14, 15, 16, 19}).right() + 18;
        const qreal footTop = Union(main, {0, 2, 3}).top() - 11;

        QLinearGradient ground(0, 0, 0, h);
        ground.setColorAt(0, kBase);
        ground.setColorAt(1, kBaseDeep);
        painter.fillRect(QRectF(0, 0, w, h), ground);
        DrawDotGrid(painter, QRectF(sideRight, barBottom, w - sideRight, footTop - barBottom));
        // A faint light behind the content's centre.
        QRadialGradient halo(QPointF((sideRight + w) / 2, barBottom + 40), w * 0.45);
        halo.setColorAt(0, WithAlpha(kTeal, 28));
        halo.setColorAt(1, WithAlpha(kTeal, 0));
        painter.fillRect(QRectF(sideRight, barBottom, w - sideRight, footTop - barBottom), halo);

        // Side bar.
        QLinearGradient side(0, 0, sideRight, 0);
        side.setColorAt(0, QColor(15, 22, 29));
        side.setColorAt(1, QColor(12, 18, 24));
        painter.fillRect(QRectF(0, barBottom, sideRight, h - barBottom), side);
        DrawHatch(painter, QRectF(0, h - 90, sideRight, 90), QColor(20, 30, 38), 7);
        painter.fillRect(QRectF(sideRight, barBottom, 1, h - barBottom), QColor(30, 44, 54));
        // Divider between the profiles and the file actions.
        const qreal divider = (Rect(main[8]).bottom() + Rect(main[14]).top()) / 2;
        painter.fillRect(QRectF(20, divider, sideRight - 40, 1), QColor(34, 48, 60));
        painter.fillRect(QRectF(sideRight / 2 - 10, divider - 1, 20, 3), kTeal);
        SmallText(painter, QRectF(0, h - 40, sideRight, 16),
                  QStringLiteral("KV270 \u00B7 7200 DPI"), QColor(60, 80, 94), 10, Qt::AlignCenter,
                  QFont::Bold);

        // Top bar.
        QLinearGradient top(0, 0, 0, barBottom);
        top.setColorAt(0, QColor(21, 30, 39));
        top.setColorAt(1, QColor(12, 18, 24));
        painter.fillRect(QRectF(0, 0, w, barBottom), top);
        const QRectF tabs = Union(main, {9, 10, 11});
        painter.fillRect(QRectF(0, barBottom - 1, w, 1), WithAlpha(kTeal, 200));
        QLinearGradient under(tabs.left() - 40, 0, tabs.right() + 40, 0);
        under.setColorAt(0, WithAlpha(kCyan, 0));
        under.setColorAt(0.15, WithAlpha(kCyan, 220));
        under.setColorAt(0.85, WithAlpha(kCyan, 220));
        under.setColorAt(1, WithAlpha(kCyan, 0));
        painter.fillRect(QRectF(tabs.left() - 40, barBottom - 2, tabs.width() + 80, 2), under);
        // Slanted stripes between the tabs and the window buttons.
        const qreal stripesLeft = tabs.right() + 24;
        const qreal stripesRight = Union(main, {17, 18}).left() - 24;
        if (stripesRight > stripesLeft) {
            DrawHatch(painter, QRectF(stripesLeft, tabs.top() + 8, stripesRight - stripesLeft, 14),
                      WithAlpha(kTeal, 90), 6);
        }
        // Logo underline in the side bar's width.
        painter.fillRect(QRectF(0, barBottom - 3, sideRight, 2), WithAlpha(kTeal, 120));

        // Bottom bar.
        painter.fillRect(QRectF(sideRight + 1, footTop, w - sideRight - 1, h - footTop),
                         QColor(10, 15, 20));
        painter.fillRect(QRectF(sideRight + 1, footTop, w - sideRight - 1, 1), QColor(30, 44, 54));
        painter.fillRect(QRectF(sideRight + 1, footTop, 60, 1), kTeal);

        DrawHeaderStrip(painter, Rect(main[19]));
    }

    // Where the pages' panels end: a little above the bottom bar, the same on every page.
    qreal ContentBottom() const { return Union(layout_.mainButtons, {0, 2, 3}).top() - 11 - 12; }

    MouseGeometry Diagram() const {
        const auto& main = layout_.mainButtons;
        MouseGeometry mouse;
        mouse.diagram = Rect(main[31]);
        for (std::size_t i = 0; i < 7; ++i) {
            mouse.parts[i] = Rect(main[115 + i]);
        }
        return mouse;
    }

    void DrawMainPage(QPainter& painter, const BaseVariant& variant) const {
        const auto& main = layout_.mainButtons;
        const QRectF buttonsPanel =
            UnionRange(main, 25, 37).united(Rect(main[20])).adjusted(-8, -6, 8, 10);
        QRectF dpiPanel = UnionRange(main, 46, 113).united(Rect(main[21])).adjusted(-6, -6, 8, 30);
        QRectF wheelPanel = Union(main, {22, 41, 42}).adjusted(-6, -6, 6, 12);
        const qreal bottom = std::max({dpiPanel.bottom(), wheelPanel.bottom(), ContentBottom()});
        dpiPanel.setBottom(bottom);
        wheelPanel.setBottom(bottom);
        DrawPanel(painter, buttonsPanel);
        DrawPanel(painter, dpiPanel);
        DrawPanel(painter, wheelPanel);
        for (int i : {20, 21, 22}) {
            DrawHeaderStrip(painter, Rect(main[static_cast<std::size_t>(i)]));
        }

        // Mouse diagram with call-outs from each function field to its button.
        const MouseGeometry mouse = Diagram();
        MouseStyle style;
        style.light = variant.diagramLit ? MouseLight::kPartsLit : MouseLight::kResting;
        std::fill(std::begin(style.partLit), std::end(style.partLit), variant.diagramLit);
        QRadialGradient stage(mouse.diagram.center(), mouse.diagram.height() * 0.6);
        stage.setColorAt(0, WithAlpha(kTeal, 50));
        stage.setColorAt(1, WithAlpha(kTeal, 0));
        painter.fillRect(mouse.diagram.adjusted(-40, -10, 40, 10), stage);
        DrawMouse(painter, mouse, style);
        DrawCallouts(painter, mouse);

        // DPI scale under the bars of the last level.
        for (int s = 0; s < 12; ++s) {
            const QRectF segment = Rect(main[static_cast<std::size_t>(66 + 36 + s)]);
            SmallText(painter, QRectF(segment.center().x() - 20, segment.bottom() + 5, 40, 12),
                      QString::number(kDpiSteps[s]), kMuted, 9);
        }
        // A track behind each level's bar.
        for (int n = 0; n < 4; ++n) {
            const QRectF bar = UnionRange(main, 66 + 12 * n, 77 + 12 * n);
            painter.fillRect(bar.adjusted(-3, -3, 3, 3), QColor(8, 12, 16));
            painter.fillRect(QRectF(bar.left() - 3, bar.bottom() + 2, 3, 1),
                             QColor::fromHsv(kLevel[n].hsvHue(), 170, 255));
        }
        DrawWheelEmblem(painter, wheelPanel, Union(main, {41, 42}).bottom());
    }

    void DrawCallouts(QPainter& painter, const MouseGeometry& mouse) const {
        const auto& main = layout_.mainButtons;
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing);
        const qreal centre = mouse.diagram.center().x();
        for (int k = 0; k < 6; ++k) {
            const QRectF field = Rect(main[static_cast<std::size_t>(25 + k)]);
            const QRectF part = mouse.parts[static_cast<std::size_t>(k)];
            if (field.isEmpty() || part.isEmpty()) {
                continue;
            }
            const bool left = field.center().x() < centre;
            const QPointF start(left ? field.right() : field.left(), field.center().y());
            const qreal elbowX = left ? mouse.diagram.left() - 14 : mouse.diagram.right() + 14;
            const QPointF end = part.center();
            QPainterPath line;
            line.moveTo(start);
            line.lineTo(elbowX, start.y());
            line.lineTo(end);
            painter.strokePath(line, QPen(WithAlpha(kTeal, 190), 1.2));
            painter.setPen(QPen(kCyan, 1.2));
            painter.setBrush(QColor(6, 10, 13));
            painter.drawEllipse(end, 2.6, 2.6);
            // Number badge on the field's outer side.
            const QPointF badge(left ? field.left() - 14 : field.right() + 14, field.center().y());
            painter.setPen(QPen(kTeal, 1.5));
            painter.setBrush(QColor(8, 14, 18));
            painter.drawEllipse(badge, 9, 9);
            DrawCenteredText(painter, QRectF(badge.x() - 9, badge.y() - 9, 18, 18),
                             QString::number(k + 1), kInk, DisplayFont(11));
        }
        painter.restore();
    }

    void DrawWheelEmblem(QPainter& painter, const QRectF& panel, qreal top) const {
        const QRectF area(panel.left(), top + 8, panel.width(), panel.bottom() - top - 16);
        if (area.height() < 40) {
            return;
        }
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing);
        const QPointF c = area.center();
        const QRectF wheel(c.x() - 9, c.y() - 20, 18, 40);
        QPainterPath tyre;
        tyre.addRoundedRect(wheel, 9, 9);
        QLinearGradient fill(wheel.topLeft(), wheel.bottomLeft());
        fill.setColorAt(0, QColor(30, 42, 52));
        fill.setColorAt(0.5, QColor(50, 68, 80));
        fill.setColorAt(1, QColor(30, 42, 52));
        painter.fillPath(tyre, fill);
        painter.strokePath(tyre, QPen(kTeal, 1.2));
        painter.setClipPath(tyre);
        for (qreal y = wheel.top() + 4; y < wheel.bottom() - 2; y += 4) {
            painter.fillRect(QRectF(wheel.left(), y, wheel.width(), 1.2), QColor(10, 14, 18));
        }
        painter.setClipping(false);
        painter.setPen(QPen(kCyan, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        for (int dir : {-1, 1}) {
            const qreal tip = c.y() + dir * 32;
            painter.drawLine(QPointF(c.x(), c.y() + dir * 24), QPointF(c.x(), tip));
            painter.drawLine(QPointF(c.x() - 4, tip - dir * 4), QPointF(c.x(), tip));
            painter.drawLine(QPointF(c.x() + 4, tip - dir * 4), QPointF(c.x(), tip));
        }
        painter.restore();
    }

    void DrawAdvancedPage(QPainter& painter) const {
        const auto& adv = layout_.advancedButtons;
        QRectF macros = Union(adv, {0, 1, 2, 3, 4, 38, 45, 47})
                            .united(Rect(layout_.editRect4))
                            .united(Rect(layout_.macroDisplayRect1))
                            .adjusted(-6, -6, 6, 10);
        QRectF steps = Union(adv, {5, 6, 7, 39, 43, 44, 46})
                           .united(Rect(layout_.editRect3))
                           .united(Rect(layout_.macroDisplayRect2))
                           .adjusted(-6, -6, 6, 10);
        QRectF speeds =
            UnionRange(adv, 8, 37).united(UnionRange(adv, 40, 42)).adjusted(-6, -6, 6, 10);
        const qreal bottom =
            std::max({macros.bottom(), steps.bottom(), speeds.bottom(), ContentBottom()});
        for (QRectF* panel : {&macros, &steps, &speeds}) {
            panel->setBottom(bottom);
            DrawPanel(painter, *panel);
        }
        for (int i = 38; i <= 42; ++i) {
            DrawHeaderStrip(painter, Rect(adv[static_cast<std::size_t>(i)]));
        }
        for (const ControlRect* control :
             {&layout_.editRect3, &layout_.editRect4, &layout_.macroDisplayRect1,
              &layout_.macroDisplayRect2}) {
            DrawWell(painter, Rect(*control));
        }
        // Scale ticks under the fire-time slider.
        const QRectF slider = Rect(adv[30]);
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing, false);
        for (int i = 0; i <= 10; ++i) {
            const qreal x = std::round(slider.left() + (slider.width() - 1) * i / 10.0);
            painter.fillRect(QRectF(x, slider.top() - (i % 5 == 0 ? 7 : 4), 1, i % 5 == 0 ? 5 : 3),
                             i % 5 == 0 ? kTeal : QColor(44, 62, 76));
        }
        painter.restore();
        DrawCrosshair(painter,
                      QRectF(speeds.left(), Union(adv, {31, 32, 33}).bottom() + 8, speeds.width(),
                             bottom - Union(adv, {31, 32, 33}).bottom() - 16));
    }

    void DrawCrosshair(QPainter& painter, const QRectF& area) const {
        if (area.height() < 60) {
            return;
        }
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing);
        const QPointF c = area.center();
        const qreal r = std::min(area.width(), area.height()) * 0.32;
        painter.setPen(QPen(WithAlpha(kTeal, 160), 1.4));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(c, r, r);
        painter.setPen(QPen(WithAlpha(kTeal, 90), 1));
        painter.drawEllipse(c, r * 0.55, r * 0.55);
        painter.setPen(QPen(kCyan, 1.6));
        for (int i = 0; i < 4; ++i) {
            const qreal angle = M_PI / 2 * i;
            const QPointF d(std::cos(angle), std::sin(angle));
            painter.drawLine(c + d * (r * 0.7), c + d * (r * 1.25));
        }
        painter.setBrush(kGlow);
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(c, 2, 2);
        painter.restore();
    }

    void DrawColorPage(QPainter& painter, const BaseVariant& variant) const {
        const auto& color = layout_.colorButtons;
        QRectF modes = Union(color, {0, 1, 2, 3, 5, 6, 8, 12}).adjusted(-6, -6, 6, 10);
        QRectF preview = Union(color, {7, 9, 10, 11}).adjusted(-6, -6, 6, 10);
        const qreal bottom = std::max({modes.bottom(), preview.bottom(), ContentBottom()});
        modes.setBottom(bottom);
        preview.setBottom(bottom);
        DrawPanel(painter, modes);
        DrawPanel(painter, preview);
        for (int i : {5, 7, 8}) {
            DrawHeaderStrip(painter, Rect(color[static_cast<std::size_t>(i)]));
        }
        DrawLegend(painter, Rect(color[12]));

        // LED preview: the same mouse, scaled into the preview rectangle, lit in the colour.
        const QRectF stageRect = Rect(color[11]);
        if (stageRect.isEmpty()) {
            return;
        }
        painter.save();
        painter.setClipRect(stageRect);
        // A soft pool of light under the mouse that fades out well inside the rectangle.
        const qreal reach = std::min(stageRect.width(), stageRect.height()) * 0.48;
        QRadialGradient floor(stageRect.center(), reach);
        floor.setColorAt(0, QColor(26, 40, 50));
        floor.setColorAt(0.7, QColor(20, 30, 38, 120));
        floor.setColorAt(1, QColor(20, 30, 38, 0));
        painter.fillRect(stageRect, floor);
        const MouseGeometry diagram = Diagram();
        if (!diagram.diagram.isEmpty()) {
            const qreal scale = std::min(stageRect.width() * 0.62 / diagram.diagram.width(),
                                         stageRect.height() * 0.84 / diagram.diagram.height());
            painter.translate(stageRect.center());
            painter.scale(scale, scale);
            painter.translate(-diagram.diagram.center());
            MouseStyle style;
            style.light = MouseLight::kLed;
            style.led = variant.led;
            DrawMouse(painter, diagram, style);
        }
        painter.restore();
    }

    void DrawLegend(QPainter& painter, const QRectF& area) const {
        if (area.isEmpty()) {
            return;
        }
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing);
        const qreal slot = area.width() / 4;
        for (int n = 0; n < 4; ++n) {
            const QPointF c(area.left() + slot * (n + 0.5), area.top() + area.height() * 0.4);
            QPainterPath swatch;
            swatch.addRoundedRect(QRectF(c.x() - 18, c.y() - 9, 36, 18), 4, 4);
            DrawGlow(painter, swatch, WithAlpha(kLevel[n], 160), 5);
            painter.fillPath(swatch, kLevel[n]);
            painter.strokePath(swatch, QPen(QColor::fromHsv(kLevel[n].hsvHue(), 120, 255), 1));
            DrawCenteredText(painter, QRectF(c.x() - 18, c.y() - 9, 36, 18), QString::number(n + 1),
                             Qt::white, DisplayFont(11));
        }
        painter.restore();
    }

    const SkinLayout& layout_;
    QSize size_;
    int scale_;
};

SurfaceLayers RenderPage(const MainWindowArt& art, Page page, const BaseVariant& normal,
                         const BaseVariant& over, const BaseVariant& down) {
    const auto buttons = art.Buttons(page);
    BaseVariant litVariant = normal;
    litVariant.diagramLit = true;
    const QImage lit = page == Page::kMain ? art.Base(page, litVariant) : QImage();
    SurfaceLayers layers;
    layers.normal = art.Base(page, normal);
    layers.over = WithLooks(art.Base(page, over), buttons, ButtonState::kOver, lit);
    layers.down = WithLooks(art.Base(page, down), buttons, ButtonState::kDown, lit);
    return layers;
}

// ---------------------------------------------------------------------------------------
// Choice lists: rows of one height, the hot row's band copied from the over or down picture

QImage RenderListLayer(QSize cell, int rows, ButtonState state, bool groupChevrons, int scale) {
    const int width = cell.width();
    const int rowHeight = cell.height();
    const int height = rows * rowHeight + 1;  // the strip below the last row belongs to the list
    QImage image = NewPicture(QSize(width, height), scale);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    QLinearGradient ground(0, 0, 0, height);
    ground.setColorAt(0, QColor(16, 24, 31));
    ground.setColorAt(1, QColor(10, 15, 20));
    painter.fillRect(QRect(0, 0, width, height), ground);
    for (int row = 0; row < rows; ++row) {
        const QRectF band(0, row * rowHeight, width, rowHeight);
        if (state != ButtonState::kNormal) {
            const bool down = state == ButtonState::kDown;
            QLinearGradient glow(band.topLeft(), band.topRight());
            glow.setColorAt(0, down ? QColor(0, 120, 153) : QColor(0, 96, 124));
            glow.setColorAt(0.45, down ? QColor(0, 58, 76) : QColor(6, 34, 46));
            glow.setColorAt(1, down ? QColor(0, 46, 60) : QColor(8, 26, 34));
            painter.fillRect(band, glow);
            painter.fillRect(QRectF(band.left(), band.top(), width, 1), down ? kGlow : kCyan);
            painter.fillRect(QRectF(band.left(), band.bottom() - 1, width, 1),
                             down ? kGlow : WithAlpha(kCyan, 140));
            painter.fillRect(QRectF(1, band.top() + 1, 3, rowHeight - 2), down ? Qt::white : kGlow);
        } else {
            painter.fillRect(QRectF(8, band.bottom() - 1, width - 16, 1), QColor(28, 40, 50));
            painter.fillRect(QRectF(1, band.top() + rowHeight / 2.0 - 3, 2, 6), QColor(40, 58, 70));
        }
        // Rows 7 .. 10 of the first list open a sub-list.
        if (groupChevrons && row >= 6) {
            painter.save();
            painter.setRenderHint(QPainter::Antialiasing);
            const QPointF c(width - 14, band.center().y());
            painter.setPen(QPen(state == ButtonState::kNormal ? kMuted : kGlow, 1.8, Qt::SolidLine,
                                Qt::RoundCap, Qt::RoundJoin));
            painter.drawPolyline(
                QPolygonF({c + QPointF(-2.5, -4.5), c + QPointF(2, 0), c + QPointF(-2.5, 4.5)}));
            painter.restore();
        }
    }
    // The list's edge: left and right borders, and the bottom strip.
    painter.fillRect(QRectF(0, 0, 1, height), kTeal);
    painter.fillRect(QRectF(width - 1, 0, 1, height), kTeal);
    painter.fillRect(QRectF(0, 0, width, 1), kTeal);
    painter.fillRect(QRectF(0, height - 1, width, 1), kTeal);
    return image;
}

QImage SolidMask(QSize size, int scale) {
    QImage mask = NewPicture(size, scale);
    mask.fill(Qt::black);
    return mask;
}

// ---------------------------------------------------------------------------------------
// Warning window

class WarningArt {
public:
    WarningArt(const SkinGeometry& geometry, int scale)
        : layout_(geometry.english), size_(geometry.sizes.warning), scale_(scale) {}

    QImage Mask() const { return RenderMask(size_, kWarningCut, scale_); }

    QImage Layer(ButtonState state) const {
        QImage image = NewPicture(size_, scale_);
        image.fill(kVoid);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setClipPath(WindowPath(size_, kWarningCut));
        const qreal w = size_.width();
        const qreal h = size_.height();
        QLinearGradient ground(0, 0, 0, h);
        ground.setColorAt(0, QColor(20, 28, 36));
        ground.setColorAt(1, QColor(9, 13, 17));
        painter.fillRect(QRectF(0, 0, w, h), ground);
        DrawHatch(painter, QRectF(0, 0, w, 6), WithAlpha(kAmber, 120), 8);
        const QRectF message = Rect(layout_.warningButtons[2]);
        // Amber warning sign above the message, with rules to both sides.
        const qreal signY = std::max(24.0, message.top() - 22);
        const QPointF sign(w / 2, signY);
        QPainterPath triangle;
        triangle.moveTo(sign.x(), sign.y() - 12);
        triangle.lineTo(sign.x() + 13, sign.y() + 10);
        triangle.lineTo(sign.x() - 13, sign.y() + 10);
        triangle.closeSubpath();
        DrawGlow(painter, triangle, WithAlpha(kAmber, 140), 6);
        painter.fillPath(triangle, kAmber);
        DrawCenteredText(painter, QRectF(sign.x() - 8, sign.y() - 7, 16, 18), QStringLiteral("!"),
                         QColor(30, 20, 0), DisplayFont(14));
        for (int side : {-1, 1}) {
            const qreal from = sign.x() + side * 24;
            const qreal to = side < 0 ? 24.0 : w - 24;
            QLinearGradient rule(from, 0, to, 0);
            rule.setColorAt(0, WithAlpha(kAmber, 200));
            rule.setColorAt(1, WithAlpha(kAmber, 0));
            painter.fillRect(QRectF(std::min(from, to), sign.y() + 1, std::abs(to - from), 1),
                             rule);
        }
        // A dark plate behind the message, which the program writes in red.
        QPainterPath plate;
        plate.addRoundedRect(message.adjusted(-4, 0, 4, 0), 4, 4);
        painter.fillPath(plate, QColor(6, 9, 12, 200));
        painter.strokePath(plate, QPen(QColor(60, 30, 36), 1));
        std::vector<PlannedButton> buttons = Buttons();
        for (const PlannedButton& button : buttons) {
            DrawLook(painter, button.rect, button.art, ButtonState::kNormal);
            if (state != ButtonState::kNormal) {
                DrawLook(painter, button.rect, button.art, state);
            }
        }
        painter.setClipping(false);
        DrawWindowBorder(painter, size_, kWarningCut);
        return image;
    }

private:
    std::vector<PlannedButton> Buttons() const {
        return {{Rect(layout_.warningButtons[0]), {Look::WarningAction, 0}},
                {Rect(layout_.warningButtons[1]), {Look::WarningAction, 0}}};
    }

    const SkinLayout& layout_;
    QSize size_;
    int scale_;
};

}  // namespace

PictureSet RenderSkin(const SkinGeometry& geometry, int scale) {
    namespace files = pictures;
    PictureSet out;
    auto put = [&out](std::string_view name, QImage image) {
        out.emplace(std::string(name), std::move(image));
    };

    const MainWindowArt main(geometry, scale);
    put(files::kMainMask, main.Mask());
    {
        const BaseVariant plain;
        SurfaceLayers layers = RenderPage(main, Page::kMain, plain, plain, plain);
        put(files::kMainNormal, std::move(layers.normal));
        put(files::kMainOver, std::move(layers.over));
        put(files::kMainDown, std::move(layers.down));
    }
    {
        const BaseVariant plain;
        SurfaceLayers layers = RenderPage(main, Page::kAdvanced, plain, plain, plain);
        put(files::kAdvancedNormal, std::move(layers.normal));
        put(files::kAdvancedOver, std::move(layers.over));
        put(files::kAdvancedDown, std::move(layers.down));
    }
    {
        // The colour page's layers double as the LED preview in the level colours: the
        // resting picture shows pink (level 1), over red (2), down purple (3); two more
        // pictures give blue (level 0) and the unlit LED.
        auto led = [](QColor color) {
            BaseVariant variant;
            variant.led = color;
            return variant;
        };
        SurfaceLayers layers = RenderPage(main, Page::kColor, led(palette::kLevel[1]),
                                          led(palette::kLevel[2]), led(palette::kLevel[3]));
        put(files::kColorNormalPink, std::move(layers.normal));
        put(files::kColorOverRed, std::move(layers.over));
        put(files::kColorDownPurple, std::move(layers.down));
        SurfaceLayers blue = RenderPage(main, Page::kColor, led(palette::kLevel[0]),
                                        led(palette::kLevel[0]), led(palette::kLevel[0]));
        put(files::kColorOverBlue, std::move(blue.over));
        put(files::kColorNormalGray, main.Base(Page::kColor, led(QColor())));
    }

    const QSize menu = geometry.sizes.menu;
    put(files::kMenuMask, SolidMask(QSize(menu.width(), kMenuRowCount * menu.height() + 1), scale));
    put(files::kMenuNormal,
        RenderListLayer(menu, kMenuRowCount, ButtonState::kNormal, true, scale));
    put(files::kMenuOver, RenderListLayer(menu, kMenuRowCount, ButtonState::kOver, true, scale));
    put(files::kMenuDown, RenderListLayer(menu, kMenuRowCount, ButtonState::kDown, true, scale));
    const QSize sub = geometry.sizes.subMenu;
    put(files::kSubMenuMask,
        SolidMask(QSize(sub.width(), kSubMenuRowCount * sub.height() + 1), scale));
    put(files::kSubMenuNormal,
        RenderListLayer(sub, kSubMenuRowCount, ButtonState::kNormal, false, scale));
    put(files::kSubMenuOver,
        RenderListLayer(sub, kSubMenuRowCount, ButtonState::kOver, false, scale));
    put(files::kSubMenuDown,
        RenderListLayer(sub, kSubMenuRowCount, ButtonState::kDown, false, scale));

    const WarningArt warning(geometry, scale);
    put(files::kWarningMask, warning.Mask());
    put(files::kWarningNormal, warning.Layer(ButtonState::kNormal));
    put(files::kWarningOver, warning.Layer(ButtonState::kOver));
    return out;
}

platform::Result<void> SavePictures(const PictureSet& pictures, const QString& folder, int scale) {
    if (!QDir().mkpath(folder)) {
        return platform::Error{platform::ErrorCode::kIoError,
                               (QStringLiteral("cannot create ") + folder).toStdString()};
    }
    for (const auto& [name, image] : pictures) {
        const QString path =
            QDir(folder).filePath(QString::fromStdString(ScaledPictureName(name, scale)));
        const QString temporary = path + QStringLiteral(".part");
        QImageWriter writer(temporary, "jpg");
        const bool mask = name.find("mask") != std::string::npos;
        writer.setQuality(mask ? kMaskJpegQuality : kJpegQuality);
        writer.setOptimizedWrite(true);
        // A build that stops half-way leaves the old picture, never a cut one.
        if (!writer.write(image)) {
            const QString reason = writer.errorString();
            QFile::remove(temporary);
            return platform::Error{
                platform::ErrorCode::kIoError,
                (QStringLiteral("cannot write ") + temporary + QStringLiteral(": ") + reason)
                    .toStdString()};
        }
        std::error_code renameError;
        std::filesystem::rename(temporary.toStdString(), path.toStdString(), renameError);
        if (renameError) {
            QFile::remove(temporary);
            return platform::Error{platform::ErrorCode::kIoError,
                                   (QStringLiteral("cannot replace ") + path).toStdString()};
        }
    }
    return platform::Ok();
}

}  // namespace zel::skin::painter
