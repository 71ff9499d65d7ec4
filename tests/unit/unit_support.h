// tests/unit/unit_support.h - the sample image loaded as the tool would load it.
#ifndef TESTS_UNIT_UNIT_SUPPORT_H
#define TESTS_UNIT_UNIT_SUPPORT_H

#include <cstdint>
#include <string>

// Puts the sample image in file_data, as a good load_prg leaves it; nothing is decoded yet.
void load_sample();
// Reads text through the level text reader over tb_level; returns what read_levels_text returns.
int read_text(const std::string &text);
// Sets the 16-bit big-endian word at offset at of file_data.
void put_word(std::uint32_t at, unsigned value);

#endif
