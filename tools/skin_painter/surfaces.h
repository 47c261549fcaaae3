#pragma once

// Renders every picture of the skin from the layout geometry.

#include <QImage>
#include <QString>
#include <map>
#include <string>

#include "skin_geometry.h"

namespace zel::skin::painter {

// File name (as the program asks for it) -> picture.
using PictureSet = std::map<std::string, QImage>;

// Every picture at `scale` device pixels per layout pixel (1 or 2); the sizes the program sees
// stay the layout's.
PictureSet RenderSkin(const SkinGeometry& geometry, int scale);

// Saves every picture as JPEG into `folder`, each under the name the program asks for at
// `scale` (`name@2x.jpg` for 2); false with a message on the first failure.
// Encodes image (quality -1: the format's default; otherwise also optimised) and puts it at path
// whole, through the program's atomic writer.
platform::Result<void> SaveImage(const QImage& image, const QString& path, const char* format,
                                 int quality = -1);

platform::Result<void> SavePictures(const PictureSet& pictures, const QString& folder, int scale);

}  // namespace zel::skin::painter
