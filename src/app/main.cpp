#include <cstdio>

int main() {
    std::puts("ZEL_GMouse: the window is not built yet.");
    return 0;
}
