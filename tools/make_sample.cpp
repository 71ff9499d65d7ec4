// tools/make_sample.cpp - writes the sample program image, by default as KR_PROG.PRG here.
#include <cstdio>

#include "tools/sample_image.h"

int main(int argc, char **argv)
{
    const char *path = argc > 1 ? argv[1] : "KR_PROG.PRG";
    std::vector<std::uint8_t> image = make_sample_image();
    std::FILE *f = std::fopen(path, "wb");
    if (!f) {
        std::fprintf(stderr, "make_sample: cannot create '%s'\n", path);
        return 1;
    }
    int ok = std::fwrite(image.data(), 1, image.size(), f) == image.size();
    ok = std::fclose(f) == 0 && ok;
    if (!ok)
        std::fprintf(stderr, "make_sample: cannot write '%s'\n", path);
    return ok ? 0 : 1;
}
