// tests/e2e/edit_test.cpp - the edit workflow: export, edit, import.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/e2e/e2e_support.h"

static const std::size_t level_1 = 0x1E934; // no random colours: cells from level_1 + 2
static const std::size_t level_3 = 0x1EA98; // green, black: cells from level_3 + 6

TEST(Edit, LevelsTheTextDoesNotReachKeepTheirCellsButLoseTheirColours)
{
    std::string image = sample_image();
    set_word(image, 0x1E8BE, level_3 & 0xFFFF); // level 1 is level 3: green, black and [??]
    run_dir dir(image);
    dir.write(lvl, "");
    const std::string shown = run_tool(dir, {"-loadlvl"}).out;
    EXPECT_EQ(std::string::npos, shown.find("Random colors"));
    EXPECT_LT(shown.find("[??]"), shown.find("Level  2")); // level 1 keeps its cells
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
    set_word(image, 0x1ECB4, 0x000F);              // level 6's first colour, low bit set
    run_dir dir(image, true);
    dir.edit("|[gn][gn][bl][bl][or]", "|[wh][gn][bl][bl][or]");
    dir.edit("Random colors : green, black.", "Random colors : orange.");
    run_result r = run_tool(dir, {"-saveprg"});
    EXPECT_EQ(0, r.status);
    EXPECT_EQ(decoded + text_read + written, r.err);
    set_word(expected, level_1 + 2, 0x0010);
    expected.replace(level_3, 4, std::string("\x00\x01\x00\x0C", 4)); // one colour: orange
    // the cells moved up by one word; the last word of the old record stays behind
    expected.replace(level_3 + 4, 176, image.substr(level_3 + 6, 176));
    EXPECT_EQ(expected, dir.read(prg));
}

TEST(Edit, GrownColourListIsRefusedAndTheImageKept)
{
    run_dir dir(sample_image(), true);
    dir.edit("Random colors : green, black.", "Random colors : green, black, red.");
    dir.edit("0x0001e934)\n", "0x0001e934)\nRandom colors : blue.\n");
    run_result r = run_tool(dir, {"-saveprg"});
    EXPECT_EQ(1, r.status);
    EXPECT_EQ(decoded + text_read +
                  eol("Copying structure to PRG file ... "
                      "\nERROR ! Level 1 has 1 random colors, its record has room for 0 only !\n"
                      "\nERROR ! Level 3 has 3 random colors, its record has room for 2 only !\n"),
              r.err);
    EXPECT_EQ(sample_image(), dir.read(prg));
}

TEST(Edit, MissingOrUnreadableTextFileStopsTheReadingActionsButSaveprgStillWrites)
{
    for (bool directory : {false, true}) {
        std::string image = sample_image(); // a cell read as empty: proof of a save
        set_word(image, level_1 + 2, 0x0012);
        run_dir dir(image);
        if (directory)
            std::filesystem::create_directory(dir.file(lvl));
        // a directory opens on POSIX but cannot be read; Windows does not open it at all
        const char *why = directory && !windows_build() ? "could not be read" : "not found";
        const std::string failed = decoded +
                                   eol("Copying text file to structure ... \nERROR ! "
                                       "Levels text file 'vellumix.lvl' ") +
                                   why + eol(" !\n");
        for (std::string action : {"-loadlvl", "-savesvg", "-saveprg"}) {
            bool picture_of_the_image = !directory && action == "-savesvg";
            run_result r = run_tool(dir, {action});
            EXPECT_EQ(!picture_of_the_image, r.status) << action;
            EXPECT_EQ(picture_of_the_image ? r.err : failed + (action[5] == 'p' ? written : ""),
                      r.err);
        }
        set_word(image, level_1 + 2, 0xFFFE); // the levels as decoded, cells normalised
        EXPECT_EQ(image, dir.read(prg));
    }
}
