// Figures for the skin: the main window's outline from the shipped mask, and one main-page
// paint composed from its three layers, decoding every picture as the program would without
// a cache, and with the store's cache.
//
// Targets: outline under 5 ms; paint under 8 ms decoding, under 2 ms cached.

#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <cstdio>
#include <filesystem>

#include "platform/message_sink.h"
#include "skin/layout_loader.h"
#include "skin/qt/button_image.h"
#include "skin/qt/mask_region.h"
#include "skin/qt/skin_image_store.h"
#include "skin/skin_files.h"

namespace {

using namespace zel::skin;

const std::filesystem::path kSkinsDir = std::filesystem::path(ZEL_RUNTIME_DIR) / "skins";

const SkinLayout& ShippedLayout() {
    static const SkinLayout layout = [] {
        SkinLayout loaded;
        zel::platform::StderrMessageSink messages;
        SkinLayoutLoader(kSkinsDir, messages, nullptr).LoadSkinLayouts(loaded, 1);
        return loaded;
    }();
    return layout;
}

QImage ShippedMask() {
    zel::platform::StderrMessageSink messages;
    SkinImageStore store(kSkinsDir, messages);
    store.SetCaching(false);
    return store.LoadSkinImage(pictures::kMainMask);
}

void BM_MainOutlineFromDecodedMask(benchmark::State& state) {
    const QImage mask = ShippedMask();
    if (mask.isNull()) {
        state.SkipWithError("main_mask.jpg missing: build zel_skin_pictures first");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(BuildMaskRegion(mask));
    }
    state.SetLabel("target < 5 ms");
}
BENCHMARK(BM_MainOutlineFromDecodedMask)->Unit(benchmark::kMillisecond);

void BM_MainWindowShapeWithDecode(benchmark::State& state) {
    const SkinLayout& layout = ShippedLayout();
    for (auto _ : state) {
        const QImage mask = ShippedMask();
        benchmark::DoNotOptimize(BuildMainWindowShape(mask, layout, QSize(880, 580)));
    }
    state.SetLabel("decode + outline + repaint region");
}
BENCHMARK(BM_MainWindowShapeWithDecode)->Unit(benchmark::kMillisecond);

// The main page as the paint handler draws it: three layers, the hovered button, the DPI
// level, four bars of segments with their enable boxes, the wheel status, the hover companion
// and the frame's current profile and page.
void ComposeMainPage(SkinImageStore& store, QSize size, const SkinLayout& layout) {
    QImage back = store.Layer(pictures::kMainNormal, size);
    const QImage over = store.Layer(pictures::kMainOver, size);
    const QImage down = store.Layer(pictures::kMainDown, size);
    const auto& b = layout.mainButtons;
    CopyButtonImage(back, over, b[27]);
    CopyButtonImage(back, down, b[55]);
    {
        QPainter painter(&back);
        static const QColor colours[4] = {{0, 0, 255}, {255, 0, 255}, {255, 0, 0}, {128, 0, 255}};
        const int steps[4] = {3, 6, 9, 10};
        for (int n = 0; n < 4; ++n) {
            for (int s = 0; s <= steps[n]; ++s) {
                const SkinButton& segment = b[static_cast<std::size_t>(66 + 12 * n + s)];
                painter.fillRect(
                    QRect(segment.x + 1, segment.y + 1, segment.width - 2, segment.height - 1),
                    colours[n]);
            }
        }
    }
    for (int n = 0; n < 4; ++n) {
        CopyButtonImage(back, down, b[static_cast<std::size_t>(46 + n)]);
    }
    CopyButtonImage(back, down, b[41]);
    CopyButtonImage(back, over, b[117]);
    CopyButtonImage(back, down, b[4]);
    CopyButtonImage(back, down, b[9]);
    CopyButtonImage(back, down, b[18]);
    benchmark::DoNotOptimize(back.constBits());
}

void BM_MainPagePaint(benchmark::State& state) {
    const bool cached = state.range(0) != 0;
    const QImage mask = ShippedMask();
    if (mask.isNull()) {
        state.SkipWithError("main_mask.jpg missing: build zel_skin_pictures first");
        return;
    }
    zel::platform::StderrMessageSink messages;
    SkinImageStore store(kSkinsDir, messages);
    store.SetCaching(cached);
    const SkinLayout& layout = ShippedLayout();
    for (auto _ : state) {
        ComposeMainPage(store, mask.size(), layout);
    }
    state.SetLabel(cached ? "cached layers, target < 2 ms" : "decoding every layer, target < 8 ms");
}
BENCHMARK(BM_MainPagePaint)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
