#include "platform/text.h"

#include <cstdio>

int main() {
    std::printf("%s\n", Format("demo %u", 1u).c_str());
    return 0;
}
