#pragma once

// A picture of one colour, for the image store and outline tests.

#include <QColor>
#include <QImage>
#include <QSize>

namespace zel::skin::testing {

inline QImage Solid(QSize size, QColor color) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

}  // namespace zel::skin::testing
