// tests/e2e/cli_test.cpp - the command line: help, quiet switch, option matching.
#include <gtest/gtest.h>

#include "tests/e2e/e2e_support.h"

static std::string help()
{
    return eol("Kestrune level editor - version 0.11\n"
               "Written by the Vellumix developers, 2007.11.10\n\n"
               "Syntax : Vellumix <action>\n"
               "  <action>   = '-loadprg' (displays levels from PRG file)\n"
               "               '-loadlvl' (displays levels from text file)\n"
               "               '-saveprg' (saves levels from text file to PRG file)\n"
               "               '-savelvl' (saves levels from PRG file to text file)\n\n");
}

TEST(Cli, HelpAndQuietNeedNoImage)
{
    run_dir dir; // no image: opening it would be an error
    run_result r = run_tool(dir, {});
    EXPECT_EQ(0, r.status);
    EXPECT_EQ("", r.out);
    EXPECT_EQ(help(), r.err);

    r = run_tool(dir, {"-quiet"});
    EXPECT_EQ(0, r.status);
    EXPECT_EQ("", r.out);
    EXPECT_EQ("", r.err);
    EXPECT_TRUE(dir.names().empty());
}

TEST(Cli, OptionsMatchWholeWordsInAnyCaseWithEitherPrefix)
{
    struct row {
        std::vector<std::string> args;
        bool levels_printed, text_file_written, help_shown, quiet;
    };
    const row rows[] = {
        {{"-LoadPRG"}, true, false, false, false},
        {{"/savelvl"}, false, true, false, false},
        {{"-loadprg", "-savelvl"}, false, true, false, false}, // the later action wins
        {{"-loadprgx"}, false, false, true, false},
        {{"loadprg"}, false, false, true, false},
        {{"/QUIET", "-loadprg", "whatever"}, true, false, false, true},
    };
    for (const row &w : rows) {
        SCOPED_TRACE(w.args[0]);
        run_dir dir;
        dir.write(prg, sample_image());
        run_result r = run_tool(dir, w.args);
        EXPECT_EQ(0, r.status);
        EXPECT_EQ(w.levels_printed, r.out.rfind(eol("# Kestrune level editor"), 0) == 0);
        EXPECT_EQ(w.text_file_written, dir.names().size() == 2);
        EXPECT_EQ(w.help_shown, r.err == help());
        EXPECT_EQ(w.quiet, r.err.empty());
    }
}
