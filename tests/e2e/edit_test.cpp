// tests/e2e/edit_test.cpp - the edit workflow: export, edit, check, import.
#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "tests/e2e/e2e_support.h"

static const std::size_t level_1 = 0x1E934; // no random colors: cells from level_1 + 2
static const std::size_t level_3 = 0x1EA98; // green, black: cells from level_3 + 6

// A cut file is no order to drop colors: the levels it does not begin stay as the image has them,
// and the one it ends in keeps no random cell without a color to draw from.
TEST(Edit, LevelsACutFileDoesNotReachStayAsTheImageHoldsThem)
{
    run_dir dir(sample_image(), true);
    const std::string text = dir.read(lvl), image_levels = run_tool(dir, {"-loadprg"}).out;
    std::size_t colors = text.find("Random", text.find("Level 15")), row = text.find('|', colors);
    std::size_t cut = text.find('|', text.find('|', row + 1) + 1); // its first row line
    const std::string files[] = {"", text.substr(0, text.find("Level 13")),
                                 text.substr(0, colors) + text.substr(row, cut - row)};
    for (const std::string &file : files) {
        dir.write(lvl, file);
        const std::string shown = run_tool(dir, {"-loadlvl"}).out;
        const std::size_t l15 = shown.find("Level 15"), l16 = shown.find("Level 16");
        EXPECT_EQ(image_levels.substr(image_levels.find("Level 16")), shown.substr(l16));
        // level 15 begun without its color line has none, as in a whole file, nor random cells
        bool begun = &file == &files[2];
        for (const char *word : {"Random", "[??]"})
            EXPECT_EQ(begun, shown.substr(l15, l16 - l15).find(word) == std::string::npos) << word;
        const std::string said = run_tool(dir, {"-checklvl"}).out; // and the check says so
        EXPECT_EQ(begun, said.find("(4 random cells read as empty") != std::string::npos) << said;
        EXPECT_EQ(0, run_tool(dir, {"-saveprg"}).status);
        EXPECT_EQ(shown, run_tool(dir, {"-loadprg"}).out);
        EXPECT_EQ(!begun, dir.read(prg) == sample_image());
        dir.write(prg, sample_image());
    }
}

TEST(Edit, EditsLandInTheirRecordsAndOddWordsAreWrittenInFormat)
{
    std::string image = sample_image(), expected = image;
    const std::size_t row_3 = level_1 + 2 + 2 * 16;
    const unsigned odd[][2] = {{0x0012, 0xFFFE}, {0x00FE, 0xFFFE}, {0x0104, 0x0004}};
    for (int k = 0; k < 3; k++) {
        set_word(image, row_3 + 2 * k, odd[k][0]);
        set_word(expected, row_3 + 2 * k, odd[k][1]);
    }
    set_word(image, level_1 + 2 + 2 * 15, 0x0014); // no slot, as code * 2
    set_word(image, 0x1ECB4, 0x000F);              // level 6's first color, low bit set
    run_dir dir(image, true);
    dir.edit("|[gn][gn][bl][bl][or]", "|[wh][gn][bl][bl][or]");
    dir.edit("Random colors : green, black.", "Random colors : orange.");
    run_result r = run_tool(dir, {"-saveprg"});
    EXPECT_EQ(0, r.status);
    EXPECT_EQ(decoded + text_read + written, r.err);
    set_word(expected, level_1 + 2, 0x0010);
    expected.replace(level_3, 4, std::string("\x00\x01\x00\x0C", 4)); // one color: orange
    // the cells moved up by one word; the last word of the old record stays behind
    expected.replace(level_3 + 4, 176, image.substr(level_3 + 6, 176));
    EXPECT_EQ(expected, dir.read(prg));
}

// Records put where a row says, by the offset table (copied there from the sample when copy):
// level 1's colors may grow as far as its slot goes, and records that share bytes, with each
// other or with the offset table, are refused when a save would write one over the other.
TEST(Edit, ARecordsRoomIsItsSlotAndNoSaveWritesOneRecordOverAnother)
{
    const std::uint32_t table = 0x1E8BC, far = 0x30000;
    const std::string row_1 = "|[gn][gn][bl][bl][or][or][ye][ye]|", row_3 = "|[bl][bl][or][or][ye]";
    const std::string eight = "blue, red, yellow, green, purple, orange, black, white.";
    const struct {
        const char *what;
        std::vector<std::tuple<int, std::uint32_t, bool>> placed; // level, offset, copy
        std::vector<std::pair<std::string, std::string>> edits;   // of the exported text
        const char *error;                                        // "": saved
    } rows[] = {{"a slot of 8 colors",
                 {{1, far, true}, {2, far + 194, true}},
                 {{"\n\n" + row_1, "\nRandom colors : " + eight + "\n\n" + row_1}},
                 ""},
                {"a next record too far",
                 {{1, far, true}, {2, far + 196, true}},
                 {{"\n\n" + row_1, "\nRandom colors : blue.\n\n" + row_1}},
                 "Level 1 has 1 random colors, its record has room for 0 only"},
                {"the offset table next",
                 {{1, table - 182, true}},
                 {{"\n\n" + row_1, "\nRandom colors : blue, red.\n\n" + row_1}},
                 ""},
                {"the offset table too near",
                 {{1, table - 182, true}},
                 {{"\n\n" + row_1, "\nRandom colors : blue, red, white.\n\n" + row_1}},
                 "Level 1 has 3 random colors, its record has room for 2 only"},
                {"the highest record",
                 {{1, far, true}},
                 {{"\n\n" + row_1, "\nRandom colors : blue.\n\n" + row_1}},
                 "Level 1 has 1 random colors, its record has room for 0 only"},
                {"one record, edited alike",
                 {{2, 0x1E934, false}},
                 {{row_1, "|[wh]" + row_1.substr(5)}, {row_1, "|[wh]" + row_1.substr(5)}},
                 ""},
                {"one record, edited apart",
                 {{2, 0x1E934, false}},
                 {{row_1, "|[wh]" + row_1.substr(5)}},
                 "Level 1 record at 0x0001E934 is overwritten by level 2 record at 0x0001E934"},
                {"a record inside another",
                 {{2, 0x1E936, false}},
                 {{row_3, "|[bl][bl][or][or][wh]"}},
                 "Level 1 record at 0x0001E934 is overwritten by level 2 record at 0x0001E936"},
                {"the sample's own",
                 {},
                 {{"green, black.", "green, black, red."}},
                 "Level 3 has 3 random colors, its record has room for 2 only"},
                {"a record over the offset table, level 1's right after it",
                 {{4, table - 176, true}},
                 {},
                 "Level 4 record at 0x0001E80C runs over the level offset table at 0x0001E8BC"},
                {"a count written over by an empty cell",
                 {{1, far, true}, {24, far - 6, true}},
                 {{"|[??][??][ye][wh]", "|..[??][ye][wh]"}},
                 "Level 1 record at 0x00030000 is overwritten by level 24 record at 0x0002FFFA"}};
    for (const auto &w : rows) {
        SCOPED_TRACE(w.what);
        std::string image = sample_image();
        for (const auto &[level, at, copy] : w.placed) {
            std::size_t entry = table + 4 * (level - 1),
                        from = (std::uint8_t(image[entry + 2]) << 8) +
                               std::uint8_t(image[entry + 3]) + 0x10000;
            const std::size_t n = at < table ? std::min<std::size_t>(178, table - at) : 178;
            if (copy) // the cells past n are the offset table's
                image.replace(at, n, image.substr(from, n));
            set_word(image, entry, at >> 16);
            set_word(image, entry + 2, at & 0xFFFF);
        }
        run_dir dir(image, true);
        for (const auto &e : w.edits)
            dir.edit(e.first, e.second);
        const std::string read = run_tool(dir, {"-loadlvl"}).out;
        run_result r = run_tool(dir, {"-saveprg"});
        EXPECT_EQ(*w.error != 0, r.status);
        EXPECT_NE(std::string::npos, r.err.find(*w.error ? w.error : "bytes written")) << r.err;
        if (*w.error) // nothing written, and so no backup either
            EXPECT_TRUE(same_bytes(image, dir.read(prg))) << w.error;
        else
            EXPECT_EQ(read, run_tool(dir, {"-loadprg"}).out);
    }
}

TEST(Edit, MissingTextFileStopsTheReadingActionsButSaveprgStillWrites)
{
    std::string image = sample_image(); // a cell read as empty: proof of a save
    set_word(image, level_1 + 2, 0x0012);
    run_dir dir(image);
    for (std::string action : {"-loadlvl", "-checklvl", "-savesvg", "-saveprg"}) {
        run_result r = run_tool(dir, {action});
        EXPECT_EQ(action != "-savesvg", r.status) << action; // -savesvg draws the image's levels
        EXPECT_EQ(action == "-savesvg"
                      ? decoded + eol("Creating levels picture ... 'vellumix.svg' generated.\n")
                      : decoded +
                            eol("Copying text file to structure ... \nERROR ! Levels text "
                                "file 'vellumix.lvl' not found !\n") +
                            (action[5] == 'p' ? written : ""),
                  r.err);
    }
    set_word(image, level_1 + 2, 0xFFFE); // the levels as decoded, cells normalised
    EXPECT_EQ(image, dir.read(prg));
}

TEST(Check, TellsWhereTheTextIsNotReadAsWritten)
{
    const std::string colors = "Random colors : green, black.\n", row_1 = "|[gn][gn][bl][bl][or]";
    const std::string empty = "|" + std::string(32, '.') + "|\n", l30 = "blue, green.\n\n|[ye]";
    const struct {
        std::vector<std::pair<std::string, std::string>> edits; // "": append; "\f": cut before;
                                                                // "\v": the whole file
        std::vector<std::string> expected;                      // in this order
        int nb_warnings;                                        // -1: not counted
    } rows[] = {
        {{}, {"vellumix.lvl: 0 warnings, 0 levels changed\n"}, 0},
        {{{row_1, "|[wh][gn][bl][bl][or]"}, // all read as written
          {"[or][ye][ye]|\n", "[or][ye][ye]| \t\n"},
          {colors, "Random colors : black.\n"},
          {"black, red, purple, white, yellow, orange, blue, green.",
           "yellow, purple, orange, yellow, purple, orange, yellow, purple."}, // 79 characters
          {"0x0001e934", "0x00000000"},
          {"Level  2", "# a comment\n\nLevel  2"},
          {"# Kestrune", "\xEF\xBB\xBF# Kestrune"},
          {"Level  4", "# " + std::string(90, '-') + "\nLevel  4"}},
         {":7:1: note: level 1: 1 cell differs from KR_PROG.PRG\nvellumix.lvl:38:1: note: level "
          "3: its random colors differ from KR_PROG.PRG\n",
          ":453:1: note: level 30: its random colors differ from KR_PROG.PRG\nvellumix.lvl: 0 "
          "warnings, 3 levels changed\n"},
         0},
        {{{row_1, "|[gn][gr][bl][bl][or]"}, // level 1, rows 1, 3 and 5
          {"|[bl][bl][or][or][ye][ye][gn][gn]|", "|[bl][bl][or]"},
          {"[gn][gn][bl][bl]|\n", "[gn][gn][bl][bl]| [rd][rd][rd][rd][rd][rd][rd]\n"}},
         {":7:6: warning: '[gr]' is no cell", ":9:14: warning: the row line ends",
          ":11:35: warning: ' [rd][rd][rd][rd][rd][rd' after", "3 warnings, 1 level changed\n"},
         3},
        {{{"|..[gn][gn][bl][bl][or][or][ye]..|\n", ""}},
         {":8:1: warning: a long row where the reader is at level 1 row 2",
          ":19:1: warning: the rows below are read from level 1 row 11 on, not level 2 row 1: 1 "
          "row line missing above\n"},
         15},
        {{{colors, "Random colors : Blue, blueish, pinkred, green,black, empty, red, white.\n"},
          {l30, "blue, green, red.\n\n|[ye]"}},
         {":36:17: warning: 'Blue' is skipped", ":36:23: warning: 'blueish' is read as blue",
          ":36:32: warning: 'pinkred' is no color", ":36:47: warning: 'black' is lost",
          ":36:54: warning: 'empty' is no random", ":36:61: warning: level 3 now has 4 random",
          ":450:73: warning: 'red' is a ninth"},
         7},
        {{{colors, "Random colors :green, black.\n"}},
         {":36:16: warning: 'green' is lost: the"},
         1},
        {{{l30, "blue, green.\nRandom colors : red.\n\n|[ye]"}},
         {":451:1: warning: a second color line for level 30",
          ":451:17: warning: 'red' is a ninth"},
         2},
        {{{colors + "\n" + empty, "\n" + empty + colors}},
         {":38:1: warning: a color line after"},
         1},
        {{{colors, ""}, {"Level  4", colors + "Level  4"}},
         {":50:1: warning: a color line after the rows of level 3", ":50:17: warning: level 4 "
                                                                    "now has 2 random colors, "},
         -1},
        {{{"Level  2", "#" + std::string(78, '-') + empty + "Level  2"}},
         {":20:80: warning: line longer than 79", ":21:1: warning: the rows below are read"},
         -1},
        {{{"Level  1", "level  1"}, {"Level  2", "level  2"}, {"Level  3", "level  3"}},
         {":20:1: warning: line ignored: a level line"},
         3}, // level 3's colors under no heading
        {{{"Level  2", "Level  0"}, {"Level  4", "Level 300"}}, {" 0 warnings, 0 levels"}, 0},
        {{{"", row_1 + "[or][ye][ye]|\n"}}, {":465:1: warning: a row line after"}, 1},
        {{{"\f", "Level 20"}}, {":295:1: note: the file ends after level 19: levels 20 to 30"}, 0},
        {{{"\f", "|..[wh][pu]"}},
         {":438:1: warning: the file ends at level 29 row 4: the rows from there on keep their "
          "cells from KR_PROG.PRG, and level 30 its cells and random colors\n"},
         1},
        {{{"\f", "#"}}, {":1:1: note: the file ends before level 1", "0 levels changed"}, 0},
        {{{"Random colors : black, red, purple, white, yellow, orange, blue, green.\n", ""},
          {"\f", "|..[ye][wh][pu][rd][??][wh][pu]..|"}}, // the last level begun, no colors
         {":451:1: warning: the file ends at level 30 row 2", "(3 random cells read as empty"},
         5},
        {{{"\v", "\xEF\xBB\xBF|[wh][gn][bl][bl][or][or][ye][ye]|\n"}}, // not an ignored line
         {":1:1: warning: the file ends at level 1 row 2", ":1:1: note: level 1: 1 cell differs"},
         1},
        {{{"\v", "\xFF\xFE"}}, // a mark alone
         {":1:1: warning: the file is saved as UTF-16", "1 warning, 0 levels changed\n"},
         1},
        {{{"\v", "\xFE\xFF"}}, {":1:1: warning: the file is saved as UTF-16"}, 1}, // big-endian
        {{{"Level  1", empty + "Level  1"}}, {":6:1: warning: the rows below are read from"}, -1},
        {{{"Level  2", "#" + std::string(78, '-') + "Level  2"}}, {":20:80: warning: line"}, 1},
        {{{"Level  2", std::string(170, 'x') + "\nLevel  2"}}, {":20:80: warning: line"}, 2}};
    for (const auto &w : rows) {
        SCOPED_TRACE(w.expected[0]);
        run_dir dir(sample_image(), true);
        for (const auto &e : w.edits) {
            const std::string text = dir.read(lvl);
            if (e.first.empty() || e.first == "\f" || e.first == "\v")
                dir.write(lvl, e.first == "\f"   ? text.substr(0, text.find(e.second))
                               : e.first == "\v" ? e.second
                                                 : text + eol(e.second));
            else
                dir.edit(e.first, e.second);
        }
        bool quiet = &w != &rows[0]; // the findings are the result: -quiet keeps them
        run_result r = run_tool(dir, {"-checklvl", quiet ? "-quiet" : "/checkLVL"});
        EXPECT_EQ(w.nb_warnings != 0, r.status);
        EXPECT_EQ(quiet ? "" : decoded + text_read, r.err);
        std::size_t at = 0;
        for (const std::string &expected : w.expected)
            EXPECT_NE(std::string::npos, at = r.out.find(eol(expected), at)) << expected << r.out;
        EXPECT_TRUE(w.nb_warnings < 0 ||
                    r.out.find(" " + std::to_string(w.nb_warnings) + " warn") != std::string::npos);
    }
}
