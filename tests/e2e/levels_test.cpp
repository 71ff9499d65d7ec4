// tests/e2e/levels_test.cpp - the command line, the levels shown and exported as text or drawn,
// and images refused for records that the tool cannot read safely.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/e2e/e2e_support.h"

TEST(Cli, OptionsMatchWholeWordsInAnyCaseWithEitherPrefix)
{
    const std::string help =
        eol("Kestrune level editor - version 0.11\n"
            "Written by the Vellumix developers, 2007.11.10\n\n"
            "Syntax : Vellumix <action>\n"
            "  <action>   = '-loadprg' (displays levels from PRG file)\n"
            "               '-loadlvl' (displays levels from text file)\n"
            "               '-saveprg' (saves levels from text file to PRG file)\n"
            "               '-savelvl' (saves levels from PRG file to text file)\n"
            "               '-checklvl' (tells where the text file is not read as written)\n"
            "               '-savesvg' (draws levels to the picture file vellumix.svg)\n"
            "               '-edit' (edits levels of PRG file in the console)\n\n");
    const std::string saved =
        decoded + eol("Creating levels text file ... 'vellumix.lvl' generated.\n");
    const struct {
        std::vector<std::string> args;
        bool levels_shown;
        std::string err;
    } rows[] = {{{}, false, help},
                {{"-quiet"}, false, ""},
                {{"-LoadPRG"}, true, decoded},
                {{"/savelvl"}, false, saved},
                {{"-loadprg", "-savelvl"}, false, saved}, // the later action wins
                {{"loadprg"}, false, help},
                {{"/QUIET", "-loadprg", "whatever"}, true, ""}};
    for (const auto &w : rows) {
        SCOPED_TRACE(testing::PrintToString(w.args));
        run_dir dir;
        run_result r = run_tool(dir, w.args);
        EXPECT_EQ(0, r.status);
        EXPECT_EQ(w.levels_shown, r.out.rfind(eol("# Kestrune level editor"), 0) == 0);
        EXPECT_EQ(w.levels_shown, !r.out.empty());
        EXPECT_EQ(w.err == saved, dir.names().size() == 2); // the text file was written
        EXPECT_EQ(w.err, r.err);
    }
}

static const std::size_t table = 0x1E8BC, level_1 = 0x1E934, level_3 = 0x1EA98;

TEST(Levels, LoadprgAndSavelvlLayOutEveryLevel)
{
    std::string image = sample_image();
    set_word(image, level_1 + 2 + 2 * 15, 0x0010); // a short row's no-slot place holds white
    run_dir dir(image);
    run_result r = run_tool(dir, {"-loadprg"});
    EXPECT_EQ(0, r.status);
    EXPECT_EQ(decoded, r.err);
    EXPECT_EQ(0u, r.out.find(eol("# Kestrune level editor - version 0.11\n"
                                 "# Written by the Vellumix developers, 2007.11.10\n\n\n"
                                 "Level  1       (Start address : 0x0001e934)\n\n"
                                 "|[gn][gn][bl][bl][or][or][ye][ye]|\n"
                                 "|..[gn][gn][bl][bl][or][or][ye][wh]..|\n"
                                 "|[bl][bl][or][or][ye][ye][gn][gn]|\n")));
    EXPECT_NE(std::string::npos, // eight colors; the last level ends the output
              r.out.find(eol("Random colors : black, red, purple, white, yellow, orange, blue, "
                             "green.\n\n|[ye][??][??][rd][ye][wh][??][??]|\n")));
    const std::string end = eol("\n|" + std::string(32, '.') + "|\n\n\n");
    EXPECT_EQ(end, r.out.substr(r.out.size() - end.size()));
    r = run_tool(dir, {"-savelvl"});
    EXPECT_EQ(decoded + eol("Creating levels text file ... 'vellumix.lvl' generated.\n"), r.err);
    EXPECT_EQ(run_tool(dir, {"-loadprg"}).out, dir.read(lvl));
    for (const char *action : {"-loadprg", "-loadlvl", "-checklvl"}) { // levels going nowhere
        r = run_tool(dir, {action}, "", ">/dev/full");
        EXPECT_EQ(1, r.status) << action;
        EXPECT_NE(std::string::npos, r.err.find(eol("could not be written to standard output !\n")))
            << r.err;
    }
}

TEST(Levels, ImageOrRecordOutOfFormatStopsEveryAction)
{
    const char *actions[] = {"-infos", "-loadprg", "-savelvl", "-saveprg", "-checklvl"};
    const struct {
        std::size_t size; // of the image, 1: none
        std::vector<std::pair<std::size_t, unsigned>> words;
        const char *message;
    } rows[] = {
        {1, {}, "\nERROR ! File 'KR_PROG.PRG' not found !"},
        {0, {}, "\nERROR ! Only 0x00000000 bytes were read !\n"},
        {0x38DB1, {}, "\nERROR ! Only 0x00038DB1 bytes were read !\n"},
        {0x38DB2,
         {{table, 0xFFFF}, {table + 2, 0xFFF0}}, // a sum that would wrap round
         "Level 1 record at 0xFFFFFFF0 runs past the end of the PRG file"},
        {0x38DB2, {{level_1, 0x0009}}, "Level 1 has 9 random colors, 8 at most are allowed"},
        {0x38DB2,
         {{table + 8, 0x0003}, {table + 10, 0x8CFE}, {0x38CFE, 0x0002}},
         "Level 3 record at 0x00038CFE runs past the end of the PRG file"},
        {0x38DB2, {{level_3 + 4, 0x0012}}, "Level 3 holds an unknown color code (9)"},
        {0x38DB2, {{level_3 + 6, 0x0016}}, "Level 3 holds an unknown color code (11)"},
        {0x38DB2, {{level_3 + 180, 0x0016}}, "Level 3 holds an unknown color code (11)"}, // last
    };
    int n = 0;
    for (const auto &w : rows) {
        const char *action = actions[n++ % 5];
        SCOPED_TRACE(action);
        std::string image = sample_image().substr(0, w.size);
        for (const auto &word : w.words)
            set_word(image, word.first, word.second);
        run_dir dir("");
        if (w.size != 1)
            dir.write(prg, image);
        run_result r = run_tool(dir, {action});
        EXPECT_EQ(1, r.status);
        EXPECT_EQ("", r.out);
        const std::string report = decoded;
        EXPECT_EQ(w.words.empty() ? "Reading PRG file ... " + eol(w.message)
                                  : report.substr(0, report.size() - eol("\n").size()) +
                                        eol("\nERROR ! ") + w.message + eol(" !\n"),
                  r.err);
        EXPECT_EQ(w.size == 1 ? 0u : 1u, dir.names().size()); // nothing written
        EXPECT_EQ(w.size == 1 ? "" : image, dir.read(prg));
        EXPECT_EQ("", run_tool(dir, {action, "-quiet"}).err);
    }
}

static const std::string svg = "vellumix.svg";

TEST(Picture, SampleIsDrawnAsTheReadmeShowsIt)
{
    run_dir dir;
    dir.write(svg, "an older picture, replaced with no backup");
    run_result r = run_tool(dir, {"/SaveSVG"});
    EXPECT_EQ(0, r.status);
    EXPECT_EQ(decoded + eol("Creating levels picture ... 'vellumix.svg' generated.\n"), r.err);
    EXPECT_EQ(0, std::system(("xmllint --noout " + dir.file(svg)).c_str()));
    std::ostringstream readme_picture;
    readme_picture << std::ifstream(VELLUMIX_SOURCE_DIR "/docs/levels.svg").rdbuf();
    EXPECT_EQ(eol(readme_picture.str()), dir.read(svg));
    EXPECT_EQ((std::vector<std::string>{prg, svg}), dir.names());
    // the levels of a text file that differ from the image are named, after the success line
    ASSERT_EQ(0, run_tool(dir, {"-savelvl"}).status);
    std::string text = dir.read(lvl);
    for (const char *level : {"Level  9", "Level 10", "Level 13"})
        text.replace(text.find('|', text.find(level)) + 1, 4, "[bl]");
    dir.write(lvl, text);
    r = run_tool(dir, {"-savesvg"});
    EXPECT_EQ(eol("'vellumix.svg' generated.\nLevels 9, 10 and 13 are drawn from vellumix.lvl, "
                  "not KR_PROG.PRG.\n"),
              r.err.substr(r.err.find('\'')));
    EXPECT_EQ("", run_tool(dir, {"-savesvg", "-quiet"}).err);
    if (!windows_build()) { // a picture that cannot take its name leaves no file behind
        const std::vector<std::string> names = dir.names();
        r = run_tool(
            dir, {"-savesvg"},
            "ASAN_OPTIONS=detect_leaks=0 strace -f -o /dev/null -e inject=rename:error=EIO");
        EXPECT_EQ(1, r.status) << r.err;
        EXPECT_EQ(names, dir.names());
    }
}
