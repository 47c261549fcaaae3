#pragma once

// Decoded skin pictures. A paint asks for its layers by file name; the store hands back the
// decoded picture, decoding a file again whenever its modification time or size changed, so a
// designer who replaces a picture sees it at the next paint without a restart.
//
// Every picture may also exist at twice its size for scaled screens (`name@2x.jpg`, the naming
// Qt uses). A layer asked for at scale 2 comes from that file when it has exactly twice the
// size, and is the 1x picture scaled up otherwise; either way it carries a device pixel ratio
// of 2, so painters on it and copies between layers keep working in layout pixels.

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
    // The same, decoded for one use and not kept (a picture read once, such as a mask).
    QImage LoadSkinImageOnce(std::string_view fileName);

    // A layer of exactly `size` layout pixels at `scale` (1 or 2) device pixels per layout
    // pixel: the picture, or a plain dark layer when the picture is missing; a picture of
    // another size is placed at (0, 0) on the dark layer, so every copy from it stays inside
    // the surface.
    QImage Layer(std::string_view fileName, QSize size, int scale = 1);
    // The same layer for a picture that buttons are only copied from (a page's hover and
    // pressed pictures): kept with 24 bits per pixel, a quarter less memory, the same pixels.
    QImage CopySourceLayer(std::string_view fileName, QSize size, int scale = 1);

    // With caching off every call decodes the file again.
    void SetCaching(bool enabled);
    // Lets go of every decoded picture (a window hidden to the tray); the next paint decodes
    // what it shows again.
    void Release();
    // The bytes of the decoded pictures kept.
    std::size_t KeptBytes() const;
    // True when the picture is decoded and kept.
    bool IsKept(std::string_view fileName) const;
    const std::filesystem::path& skinsDir() const { return skinsDir_; }

private:
    struct CachedPicture {
        std::filesystem::file_time_type modified;
        std::uintmax_t size = 0;
        QImage image;
    };

    QImage Decode(const std::filesystem::path& path) const;
    // LoadSkinImage without the report: a missing 2x picture is not an error.
    QImage Load(std::string_view fileName, bool reportMissing, bool keep = true);
    void ReportOnce(const std::string& fileName, const std::filesystem::path& path);

    std::filesystem::path skinsDir_;
    platform::MessageSink& messages_;
    bool caching_ = true;
    std::map<std::string, CachedPicture, std::less<>> cache_;
    std::set<std::string, std::less<>> reported_;
};

// A plain dark picture of `size` layout pixels at `scale`, what a missing layer shows.
QImage MissingLayer(QSize size, int scale = 1);

// The file name of a picture at `scale`: "main_normal.jpg" at 2 is "main_normal@2x.jpg".
std::string ScaledPictureName(std::string_view fileName, int scale);

// The picture scale for a window's device pixel ratio: 2 for any ratio above 1 (Qt scales the
// 2x picture down where the ratio is smaller), 1 otherwise.
int PictureScaleFor(qreal devicePixelRatio);

}  // namespace zel::skin
