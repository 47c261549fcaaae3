#include "skin/qt/skin_image_store.h"

#include <QImageReader>
#include <QPainter>
#include <QString>
#include <system_error>
#include <utility>

#include "text/catalog.h"
#include "text/console_text.h"

namespace zel::skin {

namespace {

// One pixel format for every layer, so copies between layers are plain row copies.
constexpr QImage::Format kLayerFormat = QImage::Format_RGB32;
// Layers only copied from: the same colours without the unused fourth byte.
constexpr QImage::Format kCopySourceFormat = QImage::Format_RGB888;

}  // namespace

QImage MissingLayer(QSize size, int scale) {
    QImage layer(size.expandedTo(QSize(0, 0)) * scale, kLayerFormat);
    layer.setDevicePixelRatio(scale);
    layer.fill(QColor::fromRgba(kMissingLayerColor));
    return layer;
}

std::string ScaledPictureName(std::string_view fileName, int scale) {
    std::string name(fileName);
    if (scale == 1) {
        return name;
    }
    const std::size_t dot = name.rfind('.');
    const std::string suffix = "@" + std::to_string(scale) + "x";
    name.insert(dot == std::string::npos ? name.size() : dot, suffix);
    return name;
}

int PictureScaleFor(qreal devicePixelRatio) {
    return devicePixelRatio > 1.0 ? 2 : 1;
}

SkinImageStore::SkinImageStore(std::filesystem::path skinsDir, platform::MessageSink& messages)
    : skinsDir_(std::move(skinsDir)), messages_(messages) {}

void SkinImageStore::SetCaching(bool enabled) {
    caching_ = enabled;
    if (!enabled) {
        cache_.clear();
    }
}

void SkinImageStore::Release() {
    cache_.clear();
}

std::size_t SkinImageStore::KeptBytes() const {
    std::size_t bytes = 0;
    for (const auto& [name, picture] : cache_) {
        bytes += static_cast<std::size_t>(picture.image.sizeInBytes());
    }
    return bytes;
}

bool SkinImageStore::IsKept(std::string_view fileName) const {
    return cache_.find(fileName) != cache_.end();
}

QImage SkinImageStore::Decode(const std::filesystem::path& path) const {
    QImageReader reader(QString::fromStdString(path.string()), "jpg");
    reader.setDecideFormatFromContent(true);  // a PNG saved under a .jpg name still works
    QImage image = reader.read();
    if (image.isNull()) {
        return {};
    }
    if (image.format() != kLayerFormat) {
        image = std::move(image).convertToFormat(kLayerFormat);
    }
    return image;
}

void SkinImageStore::ReportOnce(const std::string& fileName, const std::filesystem::path& path) {
    if (reported_.insert(fileName).second) {
        messages_.ShowMessage(
            text::FillText(text::console::kSkinPictureMissing, {{"{file}", path.string()}}));
    }
}

QImage SkinImageStore::LoadSkinImage(std::string_view fileName) {
    return Load(fileName, true);
}

QImage SkinImageStore::LoadSkinImageOnce(std::string_view fileName) {
    return Load(fileName, true, false);
}

QImage SkinImageStore::Load(std::string_view fileName, bool reportMissing, bool keep) {
    const std::filesystem::path path = skinsDir_ / std::filesystem::path(std::string(fileName));
    std::error_code error;
    const auto modified = std::filesystem::last_write_time(path, error);
    const std::uintmax_t size = error ? 0 : std::filesystem::file_size(path, error);
    if (error) {
        cache_.erase(std::string(fileName));
        if (reportMissing) {
            ReportOnce(std::string(fileName), path);
        }
        return {};
    }
    if (caching_) {
        const auto cached = cache_.find(fileName);
        if (cached != cache_.end() && cached->second.modified == modified &&
            cached->second.size == size) {
            QImage image = cached->second.image;
            if (!keep) {
                cache_.erase(cached);
            }
            return image;
        }
    }
    QImage image = Decode(path);
    if (image.isNull()) {
        cache_.erase(std::string(fileName));
        ReportOnce(std::string(fileName), path);
        return {};
    }
    reported_.erase(std::string(fileName));
    if (caching_ && keep) {
        cache_[std::string(fileName)] = CachedPicture{modified, size, image};
    } else {
        cache_.erase(std::string(fileName));
    }
    return image;
}

QImage SkinImageStore::Layer(std::string_view fileName, QSize size, int scale) {
    if (scale > 1) {
        QImage scaled = Load(ScaledPictureName(fileName, scale), false);
        if (!scaled.isNull() && scaled.size() == size * scale) {
            scaled.setDevicePixelRatio(scale);
            return scaled;
        }
        // No picture drawn for this scale: the 1x one, enlarged.
        QImage enlarged =
            Layer(fileName, size, 1)
                .scaled(size * scale, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        if (enlarged.format() != kLayerFormat) {
            enlarged = std::move(enlarged).convertToFormat(kLayerFormat);
        }
        enlarged.setDevicePixelRatio(scale);
        return enlarged;
    }
    QImage picture = LoadSkinImage(fileName);
    if (!picture.isNull() && picture.size() == size) {
        return picture;
    }
    QImage layer = MissingLayer(size);
    if (!picture.isNull()) {
        QPainter painter(&layer);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(0, 0, picture);
    }
    return layer;
}

QImage SkinImageStore::CopySourceLayer(std::string_view fileName, QSize size, int scale) {
    const QImage layer = Layer(fileName, size, scale);
    if (layer.format() != kLayerFormat) {
        return layer;  // kept compact already
    }
    QImage compact = layer.convertToFormat(kCopySourceFormat);
    compact.setDevicePixelRatio(layer.devicePixelRatio());
    // Only the decoded picture itself is kept, under the name it was read from.
    const std::string loaded =
        scale > 1 ? ScaledPictureName(fileName, scale) : std::string(fileName);
    const auto cached = cache_.find(loaded);
    if (cached != cache_.end() && cached->second.image.cacheKey() == layer.cacheKey()) {
        cached->second.image = compact;
    }
    return compact;
}

}  // namespace zel::skin
