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

PictureSet RenderSkin(const SkinGeometry& geometry);

// Saves every picture as JPEG into `folder`; false with a message on the first failure.
bool SavePictures(const PictureSet& pictures, const QString& folder, QString& error);

}  // namespace zel::skin::painter
