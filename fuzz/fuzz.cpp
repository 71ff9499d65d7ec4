// fuzz/fuzz.cpp - two libFuzzer targets, one per build of this file (FUZZ_TARGET):
//   1 reader: arbitrary text read over the sample's levels by the check.
//   2 image:  arbitrary bytes over the level table and records, refused or decoded.
// Both: the levels hold known codes only, and encoding them writes only inside their records.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <vector>

#include "store/store.h"
#include "text/text.h"
#include "tools/sample_image.h"

static void require(bool holds)
{
    if (!holds)
        std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const std::vector<std::uint8_t> sample = make_sample_image();
    static std::vector<std::uint8_t> image;
    image = sample;
    if (FUZZ_TARGET != 1) // the bytes from the level table on
        std::copy(data, data + std::min<std::size_t>(size, prg_size - prg_levels_table),
                  image.begin() + prg_levels_table);
    if (!decode_as_loaded(image))
        return 0;
#if FUZZ_TARGET == 1
    static char path[] = "/tmp/vellumix-fuzz-XXXXXX"; // the check reads a file, by name
    static int fd = mkstemp(path), removed = std::atexit([] { std::remove(path); });
    std::FILE *f = std::fopen(path, "wb"), *sink = std::fopen("/dev/null", "w");
    require(fd >= 0 && removed == 0 && f && std::fwrite(data, 1, size, f) == size);
    require(std::fclose(f) == 0);
    int nb_warnings = 0;
    require(check_levels_text(path, sink, nb_warnings));
    display_levels(sink);
    std::fclose(sink);
#endif
    for (const tb_level_entry &e : tb_level) { // known codes only, unused colours 0
        for (int j = 0; j < 8; j++)
            require(e.nb_colors <= 8 && e.colors[j] <= 8 && (j < e.nb_colors || !e.colors[j]));
        for (std::uint8_t c : e.cells)
            require(c <= code_no_slot);
    }
    const std::vector<std::uint8_t> decoded_from = image;
    require(tb_level_to_data() || FUZZ_TARGET == 1);   // the reader may grow a colour list
    std::vector<std::uint8_t> expected = decoded_from; // with the records as now encoded
    for (int i = 1; i <= 30; i++) {
        std::uint64_t end = std::uint64_t{tb_level[i].start} + 178 + 2 * nb_record_colors[i];
        require(end <= prg_size);
        std::copy(image.begin() + tb_level[i].start, image.begin() + end,
                  expected.begin() + tb_level[i].start);
    }
    require(expected == image);
    return 0;
}
