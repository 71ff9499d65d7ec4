// tools/make_sample.cpp - writes the sample program image, by default as KR_PROG.PRG here.
// With --seeds DIR it writes the fuzzing seeds instead: DIR/image/sample.bin, the image from
// its level offset table to the end of the last record, and DIR/text/sample.lvl, its levels
// as text. Nothing else that begins with '-' is a file name: it gets the usage.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "store/store.h"
#include "text/text.h"
#include "tools/sample_image.h"

static int write_file(const std::string &path, const std::uint8_t *bytes, std::size_t size)
{
    std::FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "make_sample: cannot create '%s'\n", path.c_str());
        return 0;
    }
    int ok = std::fwrite(bytes, 1, size, f) == size;
    ok = std::fclose(f) == 0 && ok;
    if (!ok)
        std::fprintf(stderr, "make_sample: cannot write '%s'\n", path.c_str());
    return ok;
}

static int write_seeds(const std::string &dir, std::vector<std::uint8_t> &image)
{
    if (!decode_as_loaded(image))
        return 0;
    std::uint32_t end = tb_level[30].start + 178 + 2 * std::uint32_t{tb_level[30].nb_colors};
    if (!write_file(dir + "/image/sample.bin", image.data() + levels_table, end - levels_table))
        return 0;
    std::FILE *f = std::fopen((dir + "/text/sample.lvl").c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "make_sample: cannot create '%s/text/sample.lvl'\n", dir.c_str());
        return 0;
    }
    int ok = display_levels(f);
    return std::fclose(f) == 0 && ok;
}

static const char usage[] =
    "usage: make_sample [FILE]     the sample image, as FILE (KR_PROG.PRG)\n"
    "       make_sample --seeds DIR  the fuzzing seeds, into DIR\n";

int main(int argc, char **argv)
{
    const bool seeds = argc == 3 && std::strcmp(argv[1], "--seeds") == 0;
    if (!seeds && (argc > 2 || (argc == 2 && argv[1][0] == '-'))) {
        const bool asked =
            argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0);
        std::fputs(usage, asked ? stdout : stderr);
        return asked ? 0 : 2;
    }
    std::vector<std::uint8_t> image = make_sample_image();
    if (seeds)
        return write_seeds(argv[2], image) ? 0 : 1;
    return write_file(argc > 1 ? argv[1] : "KR_PROG.PRG", image.data(), image.size()) ? 0 : 1;
}
