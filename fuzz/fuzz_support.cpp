// fuzz/fuzz_support.cpp
#include "fuzz/fuzz_support.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "cli/logerror.h"
#include "tools/sample_image.h"

void load_sample_image()
{
    static const std::vector<std::uint8_t> image = make_sample_image();
    static std::vector<std::uint8_t> buffer(prg_size);
    std::copy(image.begin(), image.end(), buffer.begin());
    file_data = buffer.data();
    levels_table = prg_levels_table;
    nb_levels = prg_nb_levels;
    quiet_mode = 1;
}

void overlay_at_levels_table(const std::uint8_t *data, std::size_t size)
{
    std::copy(data, data + std::min<std::size_t>(size, prg_size - levels_table),
              file_data + levels_table);
}

void check_table(const std::array<tb_level_entry, 31> &table)
{
    for (int i = 1; i <= 30; i++) {
        const tb_level_entry &e = table[i];
        if (e.nb_colors > 8)
            std::abort();
        for (int j = 0; j < 8; j++)
            if (e.colors[j] > 8 || (j >= e.nb_colors && e.colors[j] != 0))
                std::abort();
        for (std::uint8_t c : e.cells)
            if (c > code_no_slot)
                std::abort();
    }
}
