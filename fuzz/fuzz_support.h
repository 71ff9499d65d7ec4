// fuzz/fuzz_support.h - what the fuzz targets share: the sample image, and checks that a level
// table holds only what the writer can print and the encoder can write.
#ifndef FUZZ_FUZZ_SUPPORT_H
#define FUZZ_FUZZ_SUPPORT_H

#include <array>
#include <cstddef>
#include <cstdint>

#include "store/store.h"

// Resets file_data to the sample image as a good load leaves it; quiet.
void load_sample_image();
// Lays data over the image from the level offset table on: the table and all the records.
void overlay_at_levels_table(const std::uint8_t *data, std::size_t size);
// Aborts unless every entry holds known codes and at most 8 colours, the unused ones 0.
void check_table(const std::array<tb_level_entry, 31> &table);

#endif
