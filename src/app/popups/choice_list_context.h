#pragma once

// What the function choice lists (ChoiceList, ChoiceSubList) share: the objects they read, the
// callbacks into the main window, and how a row is measured and written.

#include <QFont>
#include <QImage>
#include <QSize>
#include <QString>
#include <array>
#include <functional>
#include <string>
#include <string_view>

#include "macro/macro_store.h"
#include "skin/qt/skin_image_store.h"

namespace zel::app {

struct ChoiceListContext {
    skin::SkinImageStore* images = nullptr;
    const std::array<std::string, 55>* functionNames = nullptr;
    const macro::MacroStore* macros = nullptr;
    QFont font;  // the edition's text font
    // Gives the edited mouse button the function `code` and repaints the main window.
    std::function<void(int code)> choose;
    // After a second-level choice: the main window marks the first-level list for destruction
    // and repaints at once, which destroys it.
    std::function<void()> closeAfterGroupChoice;
};

// Width and row height of a list from its mask picture: the picture's width and its height
// divided by `rows`. Without the mask, the normal picture's size stands in; without either the
// list has no size.
struct ListGeometry {
    int width = 0;
    int rowHeight = 0;
};
ListGeometry MeasureList(skin::SkinImageStore& images, std::string_view maskPicture,
                         std::string_view normalPicture, int rows);

// Writes `text` centred in the band (0, top)-(width, top + rowHeight), red when hot, white
// otherwise, on a transparent background.
void DrawCentredRowText(QImage& backBuffer, const QFont& font, const QString& text, int width,
                        int top, int rowHeight, bool hot);

}  // namespace zel::app
