#pragma once

// One QApplication for the shell's window tests, created on first use (the tests of this folder
// share one process, so whoever comes first creates it).

#include <QApplication>

namespace zel::app::shell_testing {

inline void EnsureApplication() {
    if (QApplication::instance() == nullptr) {
        static int argc = 1;
        static char name[] = "app_tests";
        static char* argv[] = {name, nullptr};
        static auto* application = new QApplication(argc, argv);
        (void)application;
    }
}

// As the first member of a test fixture: the application exists before any widget member.
struct ApplicationGuard {
    ApplicationGuard() { EnsureApplication(); }
};

}  // namespace zel::app::shell_testing
