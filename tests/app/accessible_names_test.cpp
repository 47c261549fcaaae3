// The names assistive technology gives the controls of the shipped skin: on every page of both
// editions each control that acts, and each readout, has a name of its own that says what it
// does, never one it shares with another control of the page.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "app/pages/page_focus.h"
#include "app/pages/page_state.h"
#include "app/pages/page_table.h"
#include "platform/message_sink.h"
#include "settings/profile_operations.h"
#include "shipped_layout.h"
#include "skin/layout_loader.h"

namespace zel::app {
namespace {

struct Expected {
    int languageFlag;
    std::uint8_t page;
    std::string_view row;
    int member;
    std::string name;
};

class AccessibleNames : public ::testing::TestWithParam<int> {};

TEST_P(AccessibleNames, AreUniqueOnEachPageAndSayWhatTheControlDoes) {
    const int languageFlag = GetParam();
    skin::SkinLayout layout;
    ASSERT_TRUE(shell_testing::LoadShippedLayout(languageFlag, layout));
    settings::ProfileSettings profile;
    settings::ApplyResetDefaults(profile);
    macro::MacroStore macros;

    const Expected expected[] = {
        {1, kAdvancedPage, "import_macros", 0, "Import macros"},
        {1, kAdvancedPage, "import_profile", 0, "Import profile"},
        {1, kAdvancedPage, "export_macros", 0, "Export macros"},
        {1, kAdvancedPage, "set_repeat_count", 0, "Set repeat count"},
        {1, kAdvancedPage, "press_count", 0, "Press steps: 0"},
        {1, kMainPage, "dpi_enable", 0, "Level 1 on"},
        {1, kMainPage, "dpi_select", 0, "Level 1"},
        {1, kMainPage, "dpi0_step", -1, "Level 1 DPI"},
        {1, kMainPage, "function", 3, "Side button (front)"},
        {0, kAdvancedPage, "import_macros", 0, "Importar macros"},
        {0, kMainPage, "export_profile", 0, "Exportar perfil"},
    };
    for (const std::uint8_t page : {kMainPage, kAdvancedPage, kColorPage}) {
        const PageStateView view{profile, macros, layout, page, 1, languageFlag, false, {}};
        std::map<std::string, std::string> owners;  // name -> the control that has it
        const auto check = [&](const Control& row, int member) {
            const std::string name = ControlName(row, member, view);
            const std::string who = std::string(row.name) + "[" + std::to_string(member) + "]";
            EXPECT_FALSE(name.empty()) << "page " << int(page) << " " << who;
            const auto [at, added] = owners.emplace(name, who);
            EXPECT_TRUE(added) << "page " << int(page) << ": \"" << name << "\" names both "
                               << at->second << " and " << who;
            for (const Expected& e : expected) {
                if (e.languageFlag == languageFlag && e.page == page && e.row == row.name &&
                    e.member == member) {
                    EXPECT_EQ(name, e.name);
                }
            }
        };
        for (const Control* row : FocusOrder(page, layout, kShippedPages)) {
            if (row->kind == ControlKind::StepBar || row->kind == ControlKind::Slider) {
                check(*row, -1);
                continue;
            }
            for (int member = 0; member < row->count; ++member) {
                check(*row, member);
            }
        }
        for (const Control& row : kShippedPages.Of(page).controls) {
            if (row.kind == ControlKind::Readout) {
                check(row, 0);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(BothEditions, AccessibleNames, ::testing::Values(0, 1),
                         [](const auto& info) { return info.param != 0 ? "EN" : "CN"; });

}  // namespace
}  // namespace zel::app
