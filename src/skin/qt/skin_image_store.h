#pragma once

// Decoded skin pictures. A paint asks for its layers by file name; the store hands back the
// decoded picture, decoding a file again whenever its modification time or size changed, so a
// designer who replaces a picture sees it at the next paint without a restart.

#include <QImage>
#include <QSize>
#include <cstdint>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <string_view>

#include "platform/message_sink.h"

namespace zel::skin {

// The colour of a layer whose picture is missing or unreadable.
inline constexpr std::uint32_t kMissingLayerColor = 0xFF101418;

class SkinImageStore {
public:
    SkinImageStore(std::filesystem::path skinsDir, platform::MessageSink& messages);

    // The picture skinsDir/fileName at its own pixel size, or a null image when it is missing
    // or cannot be decoded; that is reported once per file through the message sink.
    QImage LoadSkinImage(std::string_view fileName);

    // A layer of exactly `size`: the picture, or a plain dark layer when the picture is
    // missing; a picture of another size is placed at (0, 0) on the dark layer, so every copy
    // from it stays inside the surface.
    QImage Layer(std::string_view fileName, QSize size);

    // With caching off every call decodes the file again.
    void SetCaching(bool enabled);
    const std::filesystem::path& skinsDir() const { return skinsDir_; }

private:
    struct CachedPicture {
        std::filesystem::file_time_type modified;
        std::uintmax_t size = 0;
        QImage image;
    };

    QImage Decode(const std::filesystem::path& path) const;
    void ReportOnce(const std::string& fileName, const std::filesystem::path& path);

    std::filesystem::path skinsDir_;
    platform::MessageSink& messages_;
    bool caching_ = true;
    std::map<std::string, CachedPicture, std::less<>> cache_;
    std::set<std::string, std::less<>> reported_;
};

// A plain dark picture of `size`, what a missing layer shows.
QImage MissingLayer(QSize size);

}  // namespace zel::skin
