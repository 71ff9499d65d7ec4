// tests/unit/unit_support.cpp
#include "tests/unit/unit_support.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "cli/logerror.h"
#include "store/store.h"
#include "text/text.h"
#include "tools/sample_image.h"

void load_sample()
{
    static std::vector<std::uint8_t> buffer(prg_size);
    std::vector<std::uint8_t> image = make_sample_image();
    std::copy(image.begin(), image.end(), buffer.begin());
    file_data = buffer.data();
    levels_table = prg_levels_table;
    nb_levels = prg_nb_levels;
    quiet_mode = 1;
}

int read_text(const std::string &text)
{
    std::FILE *f = std::tmpfile();
    std::fwrite(text.data(), 1, text.size(), f);
    std::rewind(f);
    int ok = read_levels_text(f, tb_level);
    std::fclose(f);
    return ok;
}

void put_word(std::uint32_t at, unsigned value)
{
    file_data[at] = static_cast<std::uint8_t>(value >> 8);
    file_data[at + 1] = static_cast<std::uint8_t>(value);
}
