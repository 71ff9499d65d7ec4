// tests/e2e/levels_test.cpp - levels shown and exported as text, and images refused for records
// that the tool cannot read safely.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/e2e/e2e_support.h"

namespace fs = std::filesystem;

TEST(Levels, LoadprgAndSavelvlLayOutEveryLevel)
{
    run_dir dir;
    dir.write(prg, sample_image());
    run_result r = run_tool(dir, {"-loadprg"});
    EXPECT_EQ(0, r.status);
    EXPECT_EQ(decoded(), r.err);
    // a level without random colours, long and short rows, empty cells
    EXPECT_EQ(0u, r.out.find(eol("# Kestrune level editor - version 0.11\n"
                                 "# Written by the Vellumix developers, 2007.11.10\n\n\n"
                                 "Level  1       (Start address : 0x0001e934)\n\n"
                                 "|[gn][gn][bl][bl][or][or][ye][ye]|\n"
                                 "|..[gn][gn][bl][bl][or][or][ye]..|\n"
                                 "|[bl][bl][or][or][ye][ye][gn][gn]|\n"
                                 "|..[bl][bl][or][or][ye][ye][gn]..|\n"
                                 "|[or][or][ye][ye][gn][gn][bl][bl]|\n"
                                 "|................................|\n")));
    EXPECT_NE(std::string::npos,
              r.out.find(eol("\n\n\nLevel  7       (Start address : 0x0001ed6a)\n")));
    EXPECT_NE(std::string::npos,
              r.out.find(eol("\n\n\nLevel 12       (Start address : 0x0001f0ec)\n"
                             "Random colors : purple, white, yellow, orange, blue.\n"
                             "\n|[??][??][??][gn][pu][rd][bk][gn]|\n")));
    // eight colours, random cells, and the end of the last level
    const std::string last =
        eol("Level 30       (Start address : 0x0001fda0)\n"
            "Random colors : black, red, purple, white, yellow, orange, blue, green.\n\n"
            "|[ye][??][??][rd][ye][wh][??][??]|\n|..[ye][wh][pu][rd][??][wh][pu]..|\n"
            "|[ye][wh][pu][rd][ye][wh][pu][rd]|\n|..[ye][wh][??][rd][??][wh][pu]..|\n");
    ASSERT_NE(std::string::npos, r.out.find(last));
    EXPECT_EQ(r.out.find(last) + last.size() + 7 * (34 + nl().size()) + 2 * nl().size(),
              r.out.size());

    run_result saved = run_tool(dir, {"-savelvl"});
    EXPECT_EQ(0, saved.status);
    EXPECT_EQ(decoded() + eol("Creating levels text file ... 'vellumix.lvl' generated.\n"),
              saved.err);
    EXPECT_EQ("", saved.out);
    EXPECT_EQ(r.out, dir.read(lvl));
}

TEST(Levels, RecordOutOfFormatStopsTheAction)
{
    run_dir dir;
    std::string image = sample_image();
    image[0x1E8BC + 8] = '\x7F'; // level 3's offset now points far beyond the image
    dir.write(prg, image);
    for (const char *action : {"-loadprg", "-savelvl", "-saveprg", "-infos"}) {
        SCOPED_TRACE(action);
        run_result r = run_tool(dir, {action});
        EXPECT_EQ(1, r.status);
        EXPECT_EQ("", r.out);
        EXPECT_EQ(load_report() + "Copying PRG data to structure ... " +
                      eol("\nERROR ! Level 3 record at 0x7F01EA98 runs past the end of the PRG "
                          "file !\n"),
                  r.err);
        EXPECT_EQ(std::vector<std::string>{prg}, dir.names());
        EXPECT_EQ(image, dir.read(prg));
    }
}

TEST(Levels, FullStandardOutputIsAnError)
{
    run_dir dir;
    dir.write(prg, sample_image());
    ASSERT_EQ(0, run_tool(dir, {"-savelvl"}).status);
    for (const char *action : {"-loadprg", "-loadlvl"}) {
        run_result r = run_tool(dir, {action}, "", "/dev/full");
        EXPECT_EQ(1, r.status);
        const std::string message =
            eol("\nERROR ! Levels could not be written to standard output !\n");
        ASSERT_GE(r.err.size(), message.size());
        EXPECT_EQ(message, r.err.substr(r.err.size() - message.size())) << action;
    }
}

TEST(Levels, FailedSavelvlKeepsTheOldTextFile)
{
    run_dir dir;
    dir.write(prg, sample_image());
    dir.write(lvl, "my own edits\n");
    fs::permissions(dir.file(lvl), fs::perms::owner_read);
    run_result r = run_tool(dir, {"-savelvl"});
    EXPECT_EQ(1, r.status);
    EXPECT_EQ(decoded() + "Creating levels text file ... " +
                  eol("\nERROR ! Levels text file 'vellumix.lvl' could not be created !\n"),
              r.err);
    EXPECT_EQ("my own edits\n", dir.read(lvl));

    if (!windows_build()) { // a file-size limit is a POSIX resource limit
        fs::permissions(dir.file(lvl), fs::perms::owner_write, fs::perm_options::add);
        r = run_tool(dir, {"-savelvl"}, "ulimit -f 10; trap '' XFSZ");
        EXPECT_EQ(1, r.status);
        EXPECT_EQ(decoded() + "Creating levels text file ... " +
                      "\nERROR ! Levels text file 'vellumix.lvl' could not be written !\n",
                  r.err);
        EXPECT_EQ("my own edits\n", dir.read(lvl));
    }
    fs::remove(dir.file(lvl));
    fs::create_directories(dir.file(lvl + "/inside"));
    r = run_tool(dir, {"-savelvl"});
    EXPECT_EQ(1, r.status);
    EXPECT_NE(std::string::npos, r.err.find("'vellumix.lvl' could not be created !"));
    EXPECT_TRUE(fs::is_directory(dir.file(lvl + "/inside")));
    EXPECT_EQ((std::vector<std::string>{prg, lvl}), dir.names());
}
