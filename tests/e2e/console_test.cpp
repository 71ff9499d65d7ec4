// tests/e2e/console_test.cpp - the console editor as a person uses it: keys typed into a real
// terminal (a detached tmux session), the screen read back, the program image it saves compared
// with what the text route writes for the same levels.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "edit/state.h"
#include "tests/e2e/e2e_support.h"
#include "tests/key_names.h"
#include "text/text.h"
#include "tools/sample_image.h"

// A terminal claiming 65535 x 65535 gets the picture of the largest window drawn, 1000 x 1000.
TEST(Console, EditNeedsATerminalAndAWindowOfItsOwnOpensTheEditor)
{
    run_dir dir;
    run_result r = run_tool(dir, {"-edit"});
    EXPECT_EQ(1, r.status);
    EXPECT_EQ(decoded + eol("\nERROR ! -edit needs a console: standard input and output must be "
                            "a terminal !\n"),
              r.err);
    if (!windows_build()) { // a terminal that cannot draw a screen
        session s(dir, "-edit", "TERM=dumb", "2>err");
        EXPECT_EQ(1, s.status());
        EXPECT_EQ(decoded + "\nERROR ! -edit needs a terminal that can draw a screen (TERM is "
                            "'dumb') !\n",
                  dir.read("err"));
        std::filesystem::remove(dir.file("status"));
        session huge(dir, "-edit", "stty rows 65535 cols 65535;");
        ASSERT_TRUE(huge.shows("Random colors : none."));
        huge.keys({"q"});
        EXPECT_EQ(0, huge.status());
        return;
    }
    // under wine in tmux the console is the program's own, as when started from Explorer
    session s(dir, "");
    ASSERT_TRUE(s.shows("Level 1 of 30"));
    s.keys({"q"});
    EXPECT_EQ(0, s.status()); // after an error it waits for a key: a second editor's, below
}

// A save asks first when another program changed KR_PROG.PRG or removed it, and when vellumix.lvl
// holds older levels (not cut in level 30), a quit's save too; y puts the level saved in its own
// lines. Each save writes the tail loaded (50 MB), kept out of memory.
TEST(Console, ASaveAsksOfAnotherProgramsChangeAndOfATextFileOutOfStep)
{
    const std::string tail(50 << 20, 't');
    run_dir dir(sample_image() + tail, true);
    std::string text = dir.read(lvl);
    std::size_t cut = text.find("Level 30");
    for (int n = 0; n < 8; n++) // the level line, colors, a blank line and 5 rows
        cut = text.find('\n', cut) + 1;
    std::string mine = text.substr(0, cut);
    mine.insert(mine.find("Level  4"), eol("# my castle\n"));
    dir.write(lvl, mine.replace(mine.find("|[", mine.find("Level  4")) + 1, 4, "[wh]"));
    session s(dir, "-edit", windows_build() ? "" : "/usr/bin/time -f %M -o rss");
    ASSERT_TRUE(s.shows("Level 1 of 30"));
    s.keys({"s"});
    EXPECT_TRUE(s.shows("Saved to KR_PROG.PRG."));
    EXPECT_FALSE(std::filesystem::exists(dir.file(prg + ".orig"))); // nothing changed
    // another program's change (of one byte past the levels), then its removal, are not saved
    // over without a word
    std::string theirs = dir.read(prg);
    theirs[0x38DB2] = 'T';
    dir.write(prg, theirs);
    s.keys({"g", "3", "0", "Enter", "8", "s"});
    EXPECT_TRUE(s.shows("KR_PROG.PRG changed on disk since it was read. Save over it? (y/n)"));
    s.keys({"y"});
    EXPECT_TRUE(s.shows("vellumix.lvl holds older level 30: -saveprg would undo this save."));
    EXPECT_TRUE(same_bytes(theirs, dir.read(prg + ".bak")));
    EXPECT_TRUE(same_bytes(theirs, dir.read(prg + ".orig")));
    EXPECT_TRUE(same_bytes(tail, dir.read(prg).substr(0x38DB2))); // the tail loaded, not theirs
    s.keys({"y"});
    EXPECT_TRUE(s.shows("Saved to KR_PROG.PRG and vellumix.lvl."));
    std::string l30 = run_tool(dir, {"-loadprg", "-quiet"}).out; // as -savelvl writes it
    l30 = l30.substr(l30.find("Level 30"), l30.size() - l30.find("Level 30") - eol("\n\n").size());
    EXPECT_EQ(mine.substr(0, mine.find("Level 30")) + l30, dir.read(lvl));
    EXPECT_EQ(mine, dir.read(lvl + ".bak"));
    std::filesystem::remove(dir.file(prg));
    s.keys({"7", "q", "y"});
    EXPECT_TRUE(s.shows("KR_PROG.PRG is no longer in the folder. Save it again? (y/n)"));
    s.keys({"y"});
    EXPECT_TRUE(s.shows("vellumix.lvl holds older level 30")); // asked before the quit ends
    s.keys({"n"});
    EXPECT_EQ(0, s.status());
    EXPECT_EQ(std::string("\x00\x0E", 2), dir.read(prg).substr(0x1FDB2, 2)); // level 30's
    // the README's 4 MiB; the sanitizers take some 15 MiB of their own (a tail held is 50)
    EXPECT_LT(windows_build() ? 0 : std::stoi(dir.read("rss")), sanitized ? 32768 : 4096);
}

// Every tool, typed into the console and made in this process on the same levels by the same
// keys: the image the console saves is what the text route writes from the levels made here,
// a level copied as text and pasted back included. The text file beside it, out of step after
// the save, is then written as -savelvl writes it.
TEST(Console, TheToolsSaveWhatTheSameKeysMakeOfTheLevels)
{
    static std::vector<std::uint8_t> image = make_sample_image();
    decode_as_loaded(image);
    edit_state here;
    here.hooks.save = [](std::string &message) { return message = "", true; };
    here.hooks.disk_state = [] { return disk_change::same; };
    edit_start(here);
    // paint (a random cell refused), fill, colors, mirror, a refused paste, undo and redo; then
    // the tools: brush, box painted, copied and pasted, replace, shifts, mirror, a box emptied
    // and cut, go to, clear, paste; mirror painting, a box mirrored, a stamp, a level moved
    const char *typed = "0 8 Right f PgDn > c 2 7 2 Enter m y > p u U b 7 Space v Right Down 3 y "
                        "Down Down Down Down p r 1 PgDn H K M > L J v Left BSpace x g 5 Enter X < "
                        "p S 1 Right Right 6 v Down Right m M v S P Tab m 5 Enter Left Enter";
    run_dir dir(sample_image(), true);
    const std::string exported = dir.read(lvl);
    session s(dir);
    ASSERT_TRUE(s.shows("Level 1 of 30"));
    auto type = [&](const std::string &name) { // a key in the console, and the same key here
        s.keys({name});
        apply_key(here, {code_named(name)});
    };
    for (std::istringstream names(typed); names >> std::ws && !names.eof();) {
        std::string name;
        names >> name;
        type(name);
    }
    // level 6 copied as text with Y: to the terminal's clipboard, or under wine to the Windows
    // clipboard and back with Ctrl-V over level 27; then pasted as tmux pastes without -p, as
    // every paste reaches a Windows program, over level 9: both have room for its colors
    const std::string six = level_as_text(6);
    s.tmux_do("set -s set-clipboard on");
    for (const char *name : {"g", "6", "Enter", "Y"})
        type(name);
    if (windows_build()) {
        EXPECT_TRUE(s.shows("Level 6 copied to the clipboard as text."));
        for (const char *name : {"g", "2", "7", "Enter"})
            type(name);
        s.keys({"C-v"});
        apply_key(here, {key_paste, 0, 0, six});
        EXPECT_TRUE(s.shows("Pasted a level from text over level 27."));
    } else {
        EXPECT_TRUE(s.shows("Level 6 sent to the terminal's clipboard as text."));
        EXPECT_EQ(six, s.tmux_says("show-buffer"));
    }
    for (const char *name : {"g", "9", "Enter"})
        type(name);
    s.tmux_do("set-buffer " + shell_quoted(six) + " \\; paste-buffer");
    EXPECT_TRUE(s.shows("Pasted a level from text over level 9."));
    apply_key(here, {key_paste, 0, 0, six});
    if (!windows_build()) {
        s.tmux_do("resize-window -x 120 -y 40"); // each layout's clicks are the unit tests'
        EXPECT_TRUE(s.shows("|....[  ye  ][  wh  ][  pu  ]"));
    }
    s.keys({"s"});
    EXPECT_TRUE(s.shows("older levels")); // those the file is compared on below
    s.keys({"y", "q"});
    EXPECT_EQ(0, s.status());
    EXPECT_EQ(dir.read("stty.before"), dir.read("stty.after"));
    run_dir text_route(sample_image());
    std::string levels;
    for (int i = 1; i <= 30; i++)
        levels += level_as_text(i);
    text_route.write(lvl, levels);
    ASSERT_EQ(0, run_tool(text_route, {"-saveprg", "-quiet"}).status);
    EXPECT_EQ(run_tool(text_route, {"-loadprg", "-quiet"}).out,
              run_tool(dir, {"-loadprg", "-quiet"}).out);
    EXPECT_TRUE(same_bytes(text_route.read(prg), dir.read(prg)));
    EXPECT_FALSE(sample_image() == dir.read(prg));
    ASSERT_EQ(0, run_tool(text_route, {"-savelvl", "-quiet"}).status);
    EXPECT_EQ(text_route.read(lvl), dir.read(lvl));
    EXPECT_EQ(exported, dir.read(lvl + ".bak"));
}
