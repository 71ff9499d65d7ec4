// tests/e2e/edit_test.cpp - the edit workflow: export, edit, check, import.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/e2e/e2e_support.h"

namespace fs = std::filesystem;

static const std::size_t level_1 = 0x1E934; // no random colours: cells from level_1 + 2
static const std::size_t level_3 = 0x1EA98; // green, black: cells from level_3 + 6

static void edit(const run_dir &dir, const std::string &from, const std::string &to)
{
    std::string text = dir.read(lvl);
    std::size_t at = text.find(eol(from));
    ASSERT_NE(std::string::npos, at) << from;
    dir.write(lvl, text.replace(at, eol(from).size(), eol(to)));
}

static const std::string written = eol("0x00038DB2 bytes written.\n");

TEST(Edit, UneditedTextReadsBackToTheSameLevelsAndImage)
{
    run_dir dir;
    dir.write(prg, sample_image());
    ASSERT_EQ(0, run_tool(dir, {"-savelvl"}).status);
    run_result r = run_tool(dir, {"-loadlvl"});
    EXPECT_EQ(0, r.status);
    EXPECT_EQ(run_tool(dir, {"-loadprg"}).out, r.out);
    EXPECT_EQ(decoded() + eol("Copying text file to structure ... \n"), r.err);
    r = run_tool(dir, {"-saveprg"});
    EXPECT_EQ(0, r.status);
    EXPECT_EQ(saveprg_messages() + written, r.err);
    EXPECT_EQ(sample_image(), dir.read(prg));
}

TEST(Edit, EditedCellAndColourLandInTheirRecords)
{
    run_dir dir;
    dir.write(prg, sample_image());
    ASSERT_EQ(0, run_tool(dir, {"-savelvl"}).status);
    edit(dir, "|[gn][gn][bl][bl][or]", "|[wh][gn][bl][bl][or]");
    edit(dir, "Random colors : green, black.", "Random colors : orange.");
    run_result r = run_tool(dir, {"-saveprg"});
    EXPECT_EQ(0, r.status);
    EXPECT_EQ(saveprg_messages() + written, r.err);

    std::string expected = sample_image();
    expected[level_1 + 3] = 0x10;                                     // first cell: white
    expected.replace(level_3, 4, std::string("\x00\x01\x00\x0C", 4)); // one colour: orange
    // the cells moved up by one word; the last word of the old record stays behind
    expected.replace(level_3 + 4, 176, sample_image().substr(level_3 + 6, 176));
    EXPECT_EQ(expected, dir.read(prg));
}

TEST(Edit, GrownColourListIsRefusedAndTheImageKept)
{
    run_dir dir;
    dir.write(prg, sample_image());
    ASSERT_EQ(0, run_tool(dir, {"-savelvl"}).status);
    edit(dir, "Random colors : green, black.", "Random colors : green, black, red.");
    edit(dir, "0x0001e934)\n", "0x0001e934)\nRandom colors : blue.\n");
    run_result r = run_tool(dir, {"-saveprg"});
    EXPECT_EQ(1, r.status);
    EXPECT_EQ(decoded() +
                  eol("Copying text file to structure ... \nCopying structure to PRG file ... "
                      "\nERROR ! Level 1 has 1 random colors, its record has room for 0 only !\n"
                      "\nERROR ! Level 3 has 3 random colors, its record has room for 2 only !\n"),
              r.err);
    EXPECT_EQ(sample_image(), dir.read(prg));
    EXPECT_EQ((std::vector<std::string>{prg, lvl}), dir.names());
}

TEST(Edit, MissingOrUnreadableTextFileStopsLoadlvlButSaveprgStillWrites)
{
    for (bool directory : {false, true}) {
        SCOPED_TRACE(directory);
        run_dir dir;
        // read as empty, written back as 0xFFFE: proof that the image was written
        std::string image = sample_image().replace(level_1 + 2, 2, std::string("\x00\x12", 2));
        dir.write(prg, image);
        if (directory)
            fs::create_directory(dir.file(lvl));
        // a directory opens on POSIX but cannot be read; Windows does not open it at all
        const std::string why = directory && !windows_build() ? "could not be read" : "not found";
        const std::string failed = decoded() + eol("Copying text file to structure ... \nERROR ! "
                                                   "Levels text file 'vellumix.lvl' " +
                                                   why + " !\n");
        run_result r = run_tool(dir, {"-loadlvl"});
        EXPECT_EQ(1, r.status);
        EXPECT_EQ("", r.out);
        EXPECT_EQ(failed, r.err);

        r = run_tool(dir, {"-saveprg"});
        EXPECT_EQ(1, r.status);
        EXPECT_EQ(failed + eol("Copying structure to PRG file ... \nWriting PRG file ... ") +
                      written,
                  r.err);
        // the levels as decoded, random colours and all, cells normalised
        EXPECT_EQ(image.replace(level_1 + 2, 2, "\xFF\xFE"), dir.read(prg));
    }
}
