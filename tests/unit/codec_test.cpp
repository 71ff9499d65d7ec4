// tests/unit/codec_test.cpp - level records decoded from and encoded into the image.
#include <gtest/gtest.h>

#include <vector>

#include "cli/logerror.h"
#include "store/store.h"
#include "tests/unit/unit_support.h"
#include "tools/sample_image.h"

static const std::uint32_t level_1 = sample_first_record; // no colours: cells from + 2
static const std::uint32_t level_3 = 0x1EA98;             // two colours: cells from + 6
static const std::uint32_t level_6 = 0x1ECB2;             // three colours: cells from + 8

static std::vector<std::uint8_t> image_now()
{
    return std::vector<std::uint8_t>(file_data, file_data + prg_size);
}

TEST(Codec, DecodeThenEncodeKeepsAnImageInFormat)
{
    load_sample();
    put_word(level_1 + 2, 0x0012); // code 9 as code * 2
    put_word(level_1 + 4, 0x00FE);
    put_word(level_1 + 6, 0x0014); // code 10 as code * 2
    put_word(level_1 + 8, 0x0104); // the high byte is not looked at
    put_word(level_3 + 2, 0x0003); // an odd colour byte
    std::vector<std::uint8_t> expected = image_now();
    ASSERT_EQ(1, data_to_tb_level());
    EXPECT_EQ(9, tb_level[1].cells[0]);
    EXPECT_EQ(1, tb_level[3].colors[0]);
    ASSERT_EQ(1, tb_level_to_data());
    auto set = [&](std::uint32_t at, unsigned w) {
        expected[at] = static_cast<std::uint8_t>(w >> 8);
        expected[at + 1] = static_cast<std::uint8_t>(w);
    };
    set(level_1 + 2, 0xFFFE);
    set(level_1 + 4, 0xFFFE);
    set(level_1 + 6, 0xFFFF);
    set(level_1 + 8, 0x0004);
    set(level_3 + 2, 0x0002);
    EXPECT_EQ(expected, image_now());
}

TEST(Codec, ShrunkRecordLeavesTheOldRecordsLastBytes)
{
    load_sample();
    ASSERT_EQ(1, data_to_tb_level());
    std::vector<std::uint8_t> before = image_now();
    tb_level[6].nb_colors = 1;
    ASSERT_EQ(1, tb_level_to_data());
    std::vector<std::uint8_t> after = image_now();
    EXPECT_EQ(0x01, after[level_6 + 1]);
    for (int k = 0; k < 88; k++) // the cells moved up by two words
        EXPECT_EQ(before[level_6 + 8 + 2 * k + 1], after[level_6 + 4 + 2 * k + 1]);
    for (std::uint32_t at = level_6 + 180; at < level_6 + 184; at++)
        EXPECT_EQ(before[at], after[at]);
}

TEST(Codec, RecordsOutOfFormatAreRefused)
{
    struct row {
        const char *what;
        std::uint32_t table_entry, offset; // a new offset for a level, if not 0
        std::uint32_t word_at;
        unsigned word;
        const char *message;
    };
    const std::uint32_t table = prg_levels_table;
    const row rows[] = {
        {"offset that wraps", table, 0xFFFFFFF0u, 0, 0,
         "\nERROR ! Level 1 record at 0xFFFFFFF0 runs past the end of the PRG file !\n"},
        {"count word past the end", table + 4, prg_size - 1, 0, 0,
         "\nERROR ! Level 2 record at 0x00038DB1 runs past the end of the PRG file !\n"},
        {"nine colours", 0, 0, level_1, 0x0009,
         "\nERROR ! Level 1 has 9 random colors, 8 at most are allowed !\n"},
        {"cells past the end", table + 8, prg_size - 180, prg_size - 180, 0x0002,
         "\nERROR ! Level 3 record at 0x00038CFE runs past the end of the PRG file !\n"},
        {"colour code 9", 0, 0, level_3 + 4, 0x0012,
         "\nERROR ! Level 3 holds an unknown color code (9) !\n"},
        {"cell code 11", 0, 0, level_1 + 12, 0x0016,
         "\nERROR ! Level 1 holds an unknown color code (11) !\n"},
    };
    for (const row &w : rows) {
        SCOPED_TRACE(w.what);
        load_sample();
        quiet_mode = 0;
        if (w.table_entry) {
            put_word(w.table_entry, w.offset >> 16);
            put_word(w.table_entry + 2, w.offset & 0xFFFF);
        }
        if (w.word_at)
            put_word(w.word_at, w.word);
        testing::internal::CaptureStderr();
        EXPECT_EQ(0, data_to_tb_level());
        EXPECT_EQ(std::string("Copying PRG data to structure ... ") + w.message,
                  testing::internal::GetCapturedStderr());
    }
    quiet_mode = 1;
}
