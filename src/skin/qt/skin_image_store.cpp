#include "skin/qt/skin_image_store.h"

#include <QImageReader>
#include <QPainter>
#include <QString>
#include <system_error>
#include <utility>

namespace zel::skin {

namespace {

// One pixel format for every layer, so copies between layers are plain row copies.
constexpr QImage::Format kLayerFormat = QImage::Format_RGB32;

}  // namespace

QImage MissingLayer(QSize size) {
    QImage layer(size.expandedTo(QSize(0, 0)), kLayerFormat);
    layer.fill(QColor::fromRgba(kMissingLayerColor));
    return layer;
}

SkinImageStore::SkinImageStore(std::filesystem::path skinsDir, platform::MessageSink& messages)
    : skinsDir_(std::move(skinsDir)), messages_(messages) {}

void SkinImageStore::SetCaching(bool enabled) {
    caching_ = enabled;
    if (!enabled) {
        cache_.clear();
    }
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
        messages_.ShowMessage("Skin picture missing or unreadable: " + path.string());
    }
}

QImage SkinImageStore::LoadSkinImage(std::string_view fileName) {
    const std::filesystem::path path = skinsDir_ / std::filesystem::path(std::string(fileName));
    std::error_code error;
    const auto modified = std::filesystem::last_write_time(path, error);
    const std::uintmax_t size = error ? 0 : std::filesystem::file_size(path, error);
    if (error) {
        cache_.erase(std::string(fileName));
        ReportOnce(std::string(fileName), path);
        return {};
    }
    if (caching_) {
        const auto cached = cache_.find(fileName);
        if (cached != cache_.end() && cached->second.modified == modified &&
            cached->second.size == size) {
            return cached->second.image;
        }
    }
    QImage image = Decode(path);
    if (image.isNull()) {
        cache_.erase(std::string(fileName));
        ReportOnce(std::string(fileName), path);
        return {};
    }
    reported_.erase(std::string(fileName));
    if (caching_) {
        cache_[std::string(fileName)] = CachedPicture{modified, size, image};
    }
    return image;
}

QImage SkinImageStore::Layer(std::string_view fileName, QSize size) {
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

}  // namespace zel::skin
