#include <cstdio>
#include <string_view>

#include "app/headless_session.h"

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--headless") {
            return zel::app::RunHeadless();
        }
    }
    std::puts("ZEL_GMouse: the window is not built yet; run with --headless.");
    return 0;
}
