// fuzz/reader_fuzz.cpp - the level text reader over arbitrary bytes, on the sample's levels.
// Whatever it reads, the table must stay printable and encodable.
#include <cstdio>
#include <cstdlib>

#include "fuzz/fuzz_support.h"
#include "text/text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static int decoded = 0;
    static std::array<tb_level_entry, 31> sample_levels;
    load_sample_image(); // the encoder below writes into it
    if (!decoded) {
        decoded = data_to_tb_level();
        sample_levels = tb_level;
    }
    tb_level = sample_levels;
    nb_record_colors.fill(0); // what a decode would have left, then the sample's counts
    for (int i = 1; i <= 30; i++)
        nb_record_colors[i] = sample_levels[i].nb_colors;
    // fmemopen refuses an empty buffer
    std::FILE *f = size ? fmemopen(const_cast<std::uint8_t *>(data), size, "rb") : std::tmpfile();
    int ok = read_levels_text(f, tb_level);
    std::fclose(f);
    if (!ok)
        std::abort(); // a file that was written can be read
    check_table(tb_level);
    std::FILE *sink = std::fopen("/dev/null", "w");
    display_levels(sink);
    std::fclose(sink);
    tb_level_to_data(); // refuses grown records; must never write out of the image
    return 0;
}
