// fuzz/decoder_fuzz.cpp - the record decoder over arbitrary image bytes: it refuses the image or
// decodes it, and encoding the result writes nothing outside the records it came from.
#include <cstdlib>
#include <vector>

#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    load_sample_image();
    overlay_at_levels_table(data, size);
    if (!data_to_tb_level())
        return 0;
    check_table(tb_level);
    std::vector<std::uint8_t> before(file_data, file_data + prg_size);
    std::vector<bool> in_record(prg_size);
    for (int i = 1; i <= 30; i++) {
        std::uint64_t end = std::uint64_t{tb_level[i].start} + 178 + 2 * nb_record_colors[i];
        if (end > prg_size)
            std::abort();
        for (std::uint64_t at = tb_level[i].start; at < end; at++)
            in_record[at] = true;
    }
    if (!tb_level_to_data())
        std::abort(); // nothing grew
    for (std::uint32_t at = 0; at < prg_size; at++)
        if (!in_record[at] && before[at] != file_data[at])
            std::abort();
    return 0;
}
