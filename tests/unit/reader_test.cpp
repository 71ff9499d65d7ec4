// tests/unit/reader_test.cpp - what the reader makes of edited text, forgiving rules included.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "store/store.h"
#include "tests/unit/unit_support.h"
#include "text/text.h"

static std::string sample_text() // what -savelvl writes for the sample image
{
    load_sample();
    data_to_tb_level();
    std::FILE *f = std::tmpfile();
    display_levels(f);
    std::string text(static_cast<std::size_t>(std::ftell(f)), '\0');
    std::rewind(f);
    EXPECT_EQ(text.size(), std::fread(text.data(), 1, text.size(), f));
    std::fclose(f);
    return text;
}

static std::vector<int> cells(int level, int from, int to)
{
    return std::vector<int>(tb_level[level].cells.begin() + from,
                            tb_level[level].cells.begin() + to);
}

static std::vector<int> colours(int level)
{
    return std::vector<int>(tb_level[level].colors.begin(),
                            tb_level[level].colors.begin() + tb_level[level].nb_colors);
}

static const std::string blue_row = "|[bl][bl][bl][bl][bl][bl][bl][bl]|\n";

TEST(Reader, RowLinesAreCountedElevenToALevel)
{
    std::string text = sample_text();
    auto level_3_row_1 = cells(3, 0, 8);
    // a twelfth row line in level 1 becomes level 2's first row; level 2's own first row, read
    // as a short row, is taken at the wrong places and comes out empty
    std::size_t end_of_1 = text.find("\n\n\nLevel  2");
    ASSERT_EQ(1, read_text(text.substr(0, end_of_1 + 1) + blue_row + text.substr(end_of_1 + 1)));
    EXPECT_EQ(std::vector<int>(8, 1), cells(2, 0, 8));
    EXPECT_EQ((std::vector<int>{9, 9, 9, 9, 9, 9, 9, 10}), cells(2, 8, 16));
    EXPECT_TRUE(colours(30).size() == 8); // level 30's colour line still comes before its rows

    // level 2 one row short takes level 3's first row and colour line; level 30 gets none
    text = sample_text();
    std::size_t row_2 = text.find("|", text.find("Level  2"));
    text.erase(row_2, 35);
    ASSERT_EQ(1, read_text(text));
    EXPECT_EQ(level_3_row_1, cells(2, 80, 88));
    EXPECT_EQ((std::vector<int>{4, 7}), colours(2));
    EXPECT_TRUE(colours(30).empty());
}

TEST(Reader, ColourLinesAreReadFromFixedPlaces)
{
    struct row {
        const char *line;
        std::vector<int> expected;
    };
    const row rows[] = {
        {"Random colors : blue, red.", {1, 2}},
        {"Random colors : blue, empty, red.", {1, 2}},
        {"Random colors : Blue, red.", {2}},
        {"Random colors : blue,red.", {1}},
        {"Random colors : blue red.", {1}},
        {"Random colors : blue,   red.", {1, 2}},
        {"Random colors : random, white", {0, 8}},
        {"Random colors : red, red, red, red, red, red, red, red, blue.", {2, 2, 2, 2, 2, 2, 2, 2}},
        {"random colors : blue.", {}},
        {"Random colors: blue.", {}},
    };
    for (const row &w : rows) {
        SCOPED_TRACE(w.line);
        load_sample();
        data_to_tb_level();
        ASSERT_EQ(1, read_text(std::string(w.line) + "\n"));
        EXPECT_EQ(w.expected, colours(1));
    }
}

TEST(Reader, RandomCellsNeedColoursAlreadyRead)
{
    load_sample();
    data_to_tb_level();
    // level 1: colours after its rows go to level 2, so level 1's random cells are emptied
    std::string text = "|[??][bl]\n";
    for (int r = 2; r <= 11; r++)
        text += "|\n";
    text += "Random colors : green.\n|[??][??]\n";
    ASSERT_EQ(1, read_text(text));
    EXPECT_EQ((std::vector<int>{9, 1}), cells(1, 0, 2));
    EXPECT_TRUE(colours(1).empty());
    EXPECT_EQ((std::vector<int>{0, 0, 9}), cells(2, 0, 3));
    EXPECT_EQ(std::vector<int>{4}, colours(2));
    // levels the file does not reach keep their cells, random ones too, but lose their colours
    EXPECT_TRUE(colours(3).empty());
    EXPECT_EQ(0, tb_level[3].cells[19]);
}

TEST(Reader, LinesAreReadInPiecesOf79WithNothingStale)
{
    load_sample();
    data_to_tb_level();
    // the longest colour line the writer makes fills the buffer; its line break is a line too
    const std::string longest = "Random colors : yellow, purple, orange, yellow, purple, orange, "
                                "yellow, purple.\n";
    ASSERT_EQ(80u, longest.size());
    // a comment longer than 79 characters: its rest is a row line
    std::string text = longest + "#" + std::string(78, '-') + blue_row;
    // a comment leaves cell names where a short row line that follows it ends early
    text += "#..[rd][rd][rd][rd][rd][rd][rd]\n|..[wh]\n";
    ASSERT_EQ(1, read_text(text));
    EXPECT_EQ((std::vector<int>{3, 5, 6, 3, 5, 6, 3, 5}), colours(1));
    EXPECT_EQ(std::vector<int>(8, 1), cells(1, 0, 8));
    EXPECT_EQ((std::vector<int>{8, 9, 9, 9, 9, 9, 9, 10}), cells(1, 8, 16));
}

TEST(Reader, ReadErrorLeavesTheTableAsDecoded)
{
    load_sample();
    data_to_tb_level();
    std::array<tb_level_entry, 31> before = tb_level;
    std::string dir = std::filesystem::temp_directory_path().string();
    EXPECT_EQ(0, text_to_tb_level(dir.c_str())); // a directory opens, but cannot be read
    for (int i = 1; i <= 30; i++) {
        EXPECT_EQ(before[i].nb_colors, tb_level[i].nb_colors);
        EXPECT_EQ(before[i].cells, tb_level[i].cells);
    }
}
