// fuzz/round_trip_fuzz.cpp - levels decoded from a mutated image, written as text and read back,
// come back identical, once the table holds only what the text form can say: the no-slot place
// ends each short row and nowhere else, and random cells stand only in levels with colours.
#include <cstdio>
#include <cstdlib>

#include "fuzz/fuzz_support.h"
#include "text/text.h"

static void make_expressible(tb_level_entry &e)
{
    for (int k = 0; k < nb_cells; k++) {
        bool no_slot = k % 16 == 15;
        if (no_slot)
            e.cells[k] = code_no_slot;
        else if (e.cells[k] == code_no_slot || (e.cells[k] == code_random && e.nb_colors == 0))
            e.cells[k] = code_empty;
    }
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    load_sample_image();
    overlay_at_levels_table(data, size);
    if (!data_to_tb_level())
        return 0;
    for (int i = 1; i <= 30; i++)
        make_expressible(tb_level[i]);
    static std::array<tb_level_entry, 31> written;
    written = tb_level;

    std::FILE *f = std::tmpfile();
    display_levels(f);
    std::rewind(f);
    for (int i = 1; i <= 30; i++) { // nothing of the old table may show through
        tb_level[i].cells.fill(1);
        tb_level[i].colors.fill(2);
        tb_level[i].nb_colors = 3;
    }
    if (!read_levels_text(f, tb_level))
        std::abort();
    std::fclose(f);
    for (int i = 1; i <= 30; i++) {
        const tb_level_entry &a = written[i], &b = tb_level[i];
        if (a.level != b.level || a.start != b.start || a.nb_colors != b.nb_colors ||
            a.colors != b.colors || a.cells != b.cells)
            std::abort();
    }
    return 0;
}
