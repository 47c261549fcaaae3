#include "settings/led_preview.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <vector>

namespace zel::settings {
namespace {

// One pass: an optional DPI level change before it, then what the preview shows after it.
struct Pass {
    std::optional<std::int32_t> dpiLevelBefore;
    bool dark;
    std::uint8_t level;
    int waitMs;
    bool repaint;
};

struct Sequence {
    const char* what;
    std::uint8_t ledStatus;
    std::int32_t startLevel;
    std::vector<Pass> passes;
};

const Sequence kSequences[] = {
    {"mode 3 stays dark and tracks the level",
     3,
     1,
     {
         {{}, true, 1, 1200, true},
         {{}, true, 1, 1200, false},
         {2, true, 2, 1200, true},
         {{}, true, 2, 1200, false},
     }},
    {"mode 2 shows the current level steadily",
     2,
     1,
     {
         {{}, false, 1, 1200, false},
         {3, false, 3, 1200, true},
         {{}, false, 3, 1200, false},
         {0, false, 0, 1200, true},
     }},
    {"mode 0 blinks through the levels with 1200 ms phases",
     0,
     2,
     {
         {{}, true, 3, 1200, true},
         {{}, false, 3, 1200, true},
         {{}, true, 0, 1200, true},
         {{}, false, 0, 1200, true},
         {{}, true, 1, 1200, true},
     }},
    {"mode 0 holds a new level for 2000 ms, then one phase, then blinks from it",
     0,
     0,
     {
         {{}, true, 1, 1200, true},
         {2, false, 2, 2000, true},
         {{}, false, 2, 1200, false},
         {{}, true, 3, 1200, true},
         {{}, false, 3, 1200, true},
     }},
    {"mode 0 level change while lit on that level still holds",
     0,
     0,
     {
         {{}, true, 1, 1200, true},
         {{}, false, 1, 1200, true},
         {1, false, 1, 2000, false},
         {{}, false, 1, 1200, false},
         {{}, true, 2, 1200, true},
     }},
    {"mode 1 blinks with 800 ms phases",
     1,
     3,
     {
         {{}, true, 0, 800, true},
         {{}, false, 0, 800, true},
         {1, false, 1, 2000, true},
         {{}, false, 1, 800, false},
         {{}, true, 2, 800, true},
     }},
    {"a mode outside 0..3 blinks like mode 0",
     9,
     0,
     {
         {{}, true, 1, 1200, true},
         {{}, false, 1, 1200, true},
     }},
    {"a DPI level outside 0..3 never leaves the picture range",
     2,
     7,
     {
         {{}, false, 0, 1200, false},
         {200, false, 0, 1200, false},
         {3, false, 3, 1200, true},
     }},
};

TEST(LedPreview, Sequences) {
    for (const auto& seq : kSequences) {
        SCOPED_TRACE(seq.what);
        ProfileSettings settings;
        settings.appliedLedStatus = seq.ledStatus;
        settings.DPI_LEVEL = seq.startLevel;
        LedPreview preview(settings);
        EXPECT_FALSE(preview.previewDark.load());
        EXPECT_LE(preview.previewLevel.load(), 3);
        int index = 0;
        for (const Pass& p : seq.passes) {
            SCOPED_TRACE(testing::Message() << "pass " << index++);
            if (p.dpiLevelBefore) {
                settings.DPI_LEVEL = *p.dpiLevelBefore;
            }
            const LedPreview::StepResult r = preview.Step();
            EXPECT_EQ(preview.previewDark.load(), p.dark);
            EXPECT_EQ(preview.previewLevel.load(), p.level);
            EXPECT_EQ(r.wait.count(), p.waitMs);
            EXPECT_EQ(r.repaint, p.repaint);
        }
    }
}

TEST(LedPreview, RestartTakesTheCurrentLevelLit) {
    ProfileSettings settings;
    settings.appliedLedStatus = 0;
    settings.DPI_LEVEL = 1;
    LedPreview preview(settings);
    preview.Step();  // dark, level 2
    ASSERT_TRUE(preview.previewDark.load());

    settings.DPI_LEVEL = 3;
    preview.Restart();
    EXPECT_FALSE(preview.previewDark.load());
    EXPECT_EQ(preview.previewLevel.load(), 3);
    // The restart remembered level 3, so no hold follows: the blinking goes on.
    const auto r = preview.Step();
    EXPECT_EQ(r.wait.count(), 1200);
    EXPECT_TRUE(preview.previewDark.load());
    EXPECT_EQ(preview.previewLevel.load(), 0);
}

TEST(LedPreview, ModeChangeTakesEffectAtTheNextPass) {
    ProfileSettings settings;
    settings.appliedLedStatus = 0;
    LedPreview preview(settings);
    preview.Step();
    ASSERT_TRUE(preview.previewDark.load());
    settings.appliedLedStatus = 2;
    preview.Step();
    EXPECT_FALSE(preview.previewDark.load());
    EXPECT_EQ(preview.previewLevel.load(), 0);
    settings.appliedLedStatus = 1;
    EXPECT_EQ(preview.Step().wait.count(), 800);
}

}  // namespace
}  // namespace zel::settings
