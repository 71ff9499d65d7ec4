// tools/sample_image.h - a program image of our own making, for the demo, the tests and fuzzing.
#ifndef TOOLS_SAMPLE_IMAGE_H
#define TOOLS_SAMPLE_IMAGE_H

#include <cstdint>
#include <vector>

// The same 232,882 bytes every time: the offset table, thirty records laid one after another
// right after it, and deterministic filler everywhere else.
std::vector<std::uint8_t> make_sample_image();

// Puts image in file_data as a good load of it leaves it, messages off, and decodes its levels
// into tb_level: 1 = decoded, 0 = a record out of format.
int decode_as_loaded(std::vector<std::uint8_t> &image);

// Offset of the first record, right after the offset table.
constexpr std::uint32_t sample_first_record = 0x1E8BC + 4 * 30;

#endif
