#include "app/popups/choice_list_context.h"

#include <QFontMetrics>
#include <QPainter>

#include "skin/qt/button_image.h"

namespace zel::app {

ListGeometry MeasureList(skin::SkinImageStore& images, std::string_view maskPicture,
                         std::string_view normalPicture, int rows) {
    QImage picture = images.LoadSkinImage(maskPicture);
    if (picture.isNull()) {
        picture = images.LoadSkinImage(normalPicture);
    }
    if (picture.isNull() || rows <= 0) {
        return {};
    }
    return {picture.width(), picture.height() / rows};
}

void DrawCentredRowText(QImage& backBuffer, const QFont& font, const QString& text, int width,
                        int top, int rowHeight, bool hot) {
    if (text.isEmpty()) {
        return;
    }
    QPainter painter(&backBuffer);
    painter.setFont(font);
    painter.setPen(hot ? QColor(255, 0, 0) : QColor(255, 255, 255));
    const QFontMetrics metrics(font);
    const int x = (width - metrics.horizontalAdvance(text)) / 2;
    const int y = top + (rowHeight - metrics.height()) / 2;
    painter.drawText(x, y + metrics.ascent(), text);
}

}  // namespace zel::app
