// tests/e2e/edit_test.cpp - the edit workflow: export, edit, check, import.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/e2e/e2e_support.h"

namespace fs = std::filesystem;

static const std::size_t level_1 = 0x1E934; // no random colours: cells from level_1 + 2
static const std::size_t level_3 = 0x1EA98; // green, black: cells from level_3 + 6

static void replace_once(std::string &text, const std::string &from, const std::string &to)
{
    std::size_t at = text.find(from);
    ASSERT_NE(std::string::npos, at) << from;
    text.replace(at, from.size(), to);
}

static std::string saveprg_messages()
{
    return load_report() +
           eol("Copying PRG data to structure ... \nCopying text file to structure ... \n"
               "Copying structure to PRG file ... \nWriting PRG file ... 0x00038DB2 bytes "
               "written.\n");
}

TEST(Edit, UneditedTextReadsBackToTheSameLevelsAndImage)
{
    run_dir dir;
    dir.write(prg, sample_image());
    ASSERT_EQ(0, run_tool(dir, {"-savelvl"}).status);
    run_result r = run_tool(dir, {"-loadlvl"});
    EXPECT_EQ(0, r.status);
    EXPECT_EQ(run_tool(dir, {"-loadprg"}).out, r.out);
    EXPECT_EQ(load_report() +
                  eol("Copying PRG data to structure ... \nCopying text file to structure ... \n"),
              r.err);
    r = run_tool(dir, {"-saveprg"});
    EXPECT_EQ(0, r.status);
    EXPECT_EQ(saveprg_messages(), r.err);
    EXPECT_EQ(sample_image(), dir.read(prg));
}

TEST(Edit, EditedCellAndColourLandInTheirRecords)
{
    run_dir dir;
    dir.write(prg, sample_image());
    ASSERT_EQ(0, run_tool(dir, {"-savelvl"}).status);
    std::string text = dir.read(lvl);
    replace_once(text, "|[gn][gn][bl][bl][or][or][ye][ye]|", "|[wh][gn][bl][bl][or][or][ye][ye]|");
    replace_once(text, "Random colors : green, black.", "Random colors : orange.");
    dir.write(lvl, text);
    run_result r = run_tool(dir, {"-saveprg"});
    EXPECT_EQ(0, r.status);
    EXPECT_EQ(saveprg_messages(), r.err);

    std::string expected = sample_image();
    expected[level_1 + 3] = 0x10;                                     // first cell: white
    expected.replace(level_3, 4, std::string("\x00\x01\x00\x0C", 4)); // one colour: orange
    // the record moved up by one word; the last word of the old record stays behind
    expected.replace(level_3 + 4, 176, sample_image().substr(level_3 + 6, 176));
    EXPECT_EQ(expected, dir.read(prg));
    EXPECT_NE(std::string::npos,
              run_tool(dir, {"-loadprg"}).out.find(eol("Random colors : orange.\n")));
}

TEST(Edit, GrownColourListIsRefusedAndTheImageKept)
{
    run_dir dir;
    dir.write(prg, sample_image());
    ASSERT_EQ(0, run_tool(dir, {"-savelvl"}).status);
    std::string text = dir.read(lvl);
    replace_once(text, "Random colors : green, black.", "Random colors : green, black, red.");
    replace_once(text, eol("0x0001e934)\n"), eol("0x0001e934)\nRandom colors : blue.\n"));
    dir.write(lvl, text);
    run_result r = run_tool(dir, {"-saveprg"});
    EXPECT_EQ(1, r.status);
    EXPECT_EQ(load_report() +
                  eol("Copying PRG data to structure ... \nCopying text file to structure ... \n") +
                  "Copying structure to PRG file ... " +
                  eol("\nERROR ! Level 1 has 1 random colors, its record has room for 0 only !\n"
                      "\nERROR ! Level 3 has 3 random colors, its record has room for 2 only !\n"),
              r.err);
    EXPECT_EQ(sample_image(), dir.read(prg));
    EXPECT_EQ((std::vector<std::string>{prg, lvl}), dir.names());
}

TEST(Edit, MissingTextFileStopsLoadlvlButSaveprgStillWrites)
{
    run_dir dir;
    std::string image = sample_image();
    image[level_1 + 3] = 0x12; // read as empty, written back as 0xFFFE: proof of a write
    dir.write(prg, image);
    const std::string not_found =
        load_report() +
        eol("Copying PRG data to structure ... \nCopying text file to structure ... \n"
            "ERROR ! Levels text file 'vellumix.lvl' not found !\n");
    run_result r = run_tool(dir, {"-loadlvl"});
    EXPECT_EQ(1, r.status);
    EXPECT_EQ("", r.out);
    EXPECT_EQ(not_found, r.err);

    r = run_tool(dir, {"-saveprg"});
    EXPECT_EQ(1, r.status);
    EXPECT_EQ(not_found + eol("Copying structure to PRG file ... \n"
                              "Writing PRG file ... 0x00038DB2 bytes written.\n"),
              r.err);
    image[level_1 + 2] = '\xFF';
    image[level_1 + 3] = '\xFE';
    EXPECT_EQ(image, dir.read(prg));
}

TEST(Edit, UnreadableTextFileLeavesTheDecodedLevels)
{
    run_dir dir;
    dir.write(prg, sample_image());
    fs::create_directory(dir.file(lvl));
    // a directory opens on POSIX but cannot be read; Windows does not open it at all
    const std::string unreadable =
        load_report() +
        eol("Copying PRG data to structure ... \nCopying text file to structure ... \n"
            "ERROR ! Levels text file 'vellumix.lvl' ") +
        (windows_build() ? "not found !" : "could not be read !") + nl();
    run_result r = run_tool(dir, {"-loadlvl"});
    EXPECT_EQ(1, r.status);
    EXPECT_EQ(unreadable, r.err);
    EXPECT_EQ("", r.out);
    r = run_tool(dir, {"-saveprg"});
    EXPECT_EQ(1, r.status);
    EXPECT_EQ(unreadable + eol("Copying structure to PRG file ... \n"
                               "Writing PRG file ... 0x00038DB2 bytes written.\n"),
              r.err);
    EXPECT_EQ(sample_image(), dir.read(prg)); // every level keeps its random colours
}

TEST(Edit, EitherLineEndingReadsTheSame)
{
    run_dir dir;
    dir.write(prg, sample_image());
    const std::string shown = run_tool(dir, {"-loadprg"}).out;
    std::string lf, crlf;
    for (char c : shown) {
        if (c != '\r')
            lf += c;
        crlf += c == '\n' && (crlf.empty() || crlf.back() != '\r') ? std::string("\r\n")
                                                                   : std::string(1, c);
    }
    for (const std::string &text : {lf, crlf}) {
        dir.write(lvl, text);
        run_result r = run_tool(dir, {"-loadlvl"});
        EXPECT_EQ(0, r.status);
        EXPECT_EQ(shown, r.out);
    }
}
