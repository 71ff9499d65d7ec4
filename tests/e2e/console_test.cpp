// tests/e2e/console_test.cpp - the console editor as a person uses it: keys typed into a real
// terminal (a detached tmux session), the screen read back, the program image it saves compared
// with what the text route writes for the same levels.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>

#include "edit/edit.h"
#include "tests/e2e/e2e_support.h"
#include "text/text.h"
#include "tools/sample_image.h"

namespace
{

// The levels of the image in dir as the text route sees them, and a check that the text route
// writes the very same image from them, starting from the untouched sample.
std::string levels_of(const run_dir &dir)
{
    run_result exported = run_tool(dir, {"-loadprg", "-quiet"});
    run_dir fresh(sample_image());
    fresh.write(lvl, exported.out);
    EXPECT_EQ(0, run_tool(fresh, {"-saveprg", "-quiet"}).status);
    EXPECT_TRUE(fresh.read(prg) == dir.read(prg));
    run_result checked = run_tool(fresh, {"-checklvl", "-quiet"});
    EXPECT_EQ(eol("vellumix.lvl: 0 warnings, 0 levels changed\n"), checked.out);
    return exported.out;
}

// Row r (from 0) of level i as the text file writes it, without its line ending.
std::string row_of(const std::string &levels, int i, int r)
{
    std::size_t at = levels.find(
        '|', levels.find(i < 10 ? "Level  " + std::to_string(i) : "Level " + std::to_string(i)));
    for (; r > 0; r--)
        at = levels.find('|', levels.find('|', at + 1) + 1);
    return levels.substr(at, 34);
}

std::string mirrored(const std::string &row, int r) // row line r, its cells left to right
{
    int first = r % 2 ? 3 : 1, n = r % 2 ? 7 : 8;
    std::string m = row;
    for (int j = 0; j < n; j++)
        m.replace(first + 4 * j, 4, row.substr(first + 4 * (n - 1 - j), 4));
    return m;
}

} // namespace

TEST(Console, EditsSavedFromTheConsoleAreWhatTheTextRouteWrites)
{
    run_dir dir;
    const std::string before = levels_of(dir);
    {
        session s(dir);
        ASSERT_TRUE(s.shows("Level 1 of 30"));
        s.keys({"0"}); // level 1 has no random colors to draw from
        EXPECT_TRUE(s.shows("Level 1 has no random colors"));
        s.keys({"8", "Right", "f"}); // white; then fill the green patch next to it
        s.keys({"PgDn", "'>'", "c", "2", "7", "2", "Enter"}); // level 3: red for black
        EXPECT_TRUE(s.shows("green, red."));
        s.keys({"m", "y", "'>'", "p"});
        EXPECT_TRUE(s.shows("Not pasted: the copy has 2 random colors"));
        s.keys({"u"}); // on level 4, the mirror of level 3 undone there
        EXPECT_TRUE(s.shows("Level 3 of 30"));
        s.keys({"U", "s"});
        EXPECT_TRUE(s.shows("Saved to KR_PROG.PRG (the old file is KR_PROG.PRG.bak)."));
        s.keys({"q"});
        EXPECT_EQ(0, s.status());
        EXPECT_EQ(dir.read("stty.before"), dir.read("stty.after"));
    }
    const std::string after = levels_of(dir);
    EXPECT_EQ("|[wh][wh][bl][bl][or][or][ye][ye]|", row_of(after, 1, 0));
    EXPECT_EQ("|..[wh][wh][bl][bl][or][or][ye]..|", row_of(after, 1, 1));
    EXPECT_NE(std::string::npos, after.find(eol("Random colors : green, red.\n")));
    for (int r = 0; r < 11; r++)
        EXPECT_EQ(mirrored(row_of(before, 3, r), r), row_of(after, 3, r)) << r;
    // every other level as it was
    EXPECT_EQ(before.substr(before.find("Level  4")), after.substr(after.find("Level  4")));
}

TEST(Console, AFailedSaveLosesNothingAndQuittingAsksFirst)
{
    run_dir dir;
    std::filesystem::permissions(dir.file(prg), std::filesystem::perms::owner_read);
    session s(dir);
    ASSERT_TRUE(s.shows("Level 1 of 30"));
    s.keys({"8", "s"});
    EXPECT_TRUE(s.shows("Not saved: File 'KR_PROG.PRG' not found or read protected"));
    s.keys({"q"});
    EXPECT_TRUE(s.shows("Save changes to KR_PROG.PRG? (y/n, Esc: stay)"));
    s.keys({"Escape"});
    EXPECT_TRUE(s.shows(">wh<[gn][bl]")); // still there, still to be saved
    std::filesystem::permissions(dir.file(prg), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    s.keys({"q", "y"});
    EXPECT_EQ(0, s.status());
    EXPECT_EQ(std::string("\x00\x10", 2), dir.read(prg).substr(0x1E936, 2));
    EXPECT_TRUE(sample_image() == dir.read(prg + ".bak"));
}

// Keys a Windows console under wine does not pass on: clicks, resizes, Ctrl-Z as a key.
TEST(Console, MouseResizeAndSignalsInATerminal)
{
    if (windows_build())
        GTEST_SKIP() << "wine's console reports no mouse or resize, and takes Ctrl-C and "
                        "signals for itself";
    run_dir dir;
    {
        session s(dir);
        ASSERT_TRUE(s.shows("Level 1 of 30"));
        s.keys({"7"});                           // black, the brush, in row 1's first cell
        s.click(0, 9, 4);                        // row 2, cell 2: painted black, cursor there
        s.click(2, 5, 5);                        // row 3, cell 1: blue is the brush
        s.keys({"End", "Space", "C-z", "Home"}); // row 2's last cell painted blue, undone
        EXPECT_TRUE(s.shows("|..>gn<[bk][bl][bl][or][or][ye]..|"));
        EXPECT_TRUE(s.shows("|[bk][gn][bl]"));
        EXPECT_TRUE(s.shows("Brush: [bl] blue"));
        s.tmux_do("resize-window -x 60 -y 20");
        EXPECT_TRUE(s.shows("Please make this window at least 80 x 24 (it is 60 x 20)."));
        s.tmux_do("resize-window -x 80 -y 24");
        EXPECT_TRUE(s.shows("Level 1 of 30"));
        s.tmux_do("run-shell 'pkill -TERM -P #{pane_pid}'");
        EXPECT_EQ(1, s.status());
    }
    EXPECT_EQ(dir.read("stty.before"), dir.read("stty.after"));
    EXPECT_TRUE(sample_image() == dir.read(prg));
}

TEST(Console, EditNeedsATerminalAndAWindowOfItsOwnOpensTheEditor)
{
    run_dir dir;
    run_result r = run_tool(dir, {"-edit"});
    EXPECT_EQ(1, r.status);
    EXPECT_EQ(decoded + eol("\nERROR ! -edit needs a console: standard input and output must be "
                            "a terminal !\n"),
              r.err);
    if (!windows_build())
        return;
    // under wine in tmux the console is the program's own, as when started from Explorer
    session s(dir, "");
    ASSERT_TRUE(s.shows("Level 1 of 30"));
    s.keys({"q"});
    EXPECT_EQ(0, s.status());
    run_dir empty("");
    session t(empty, "");
    EXPECT_TRUE(t.shows("Press a key to close this window."));
    t.keys({"Space"});
    EXPECT_EQ(1, t.status());
}

// Levels 1, 2 and 4 (3 has random colors that fit no other record) put in the order 2, 4, 1 in
// the overview: the image saved is what the text route writes from the text with those blocks
// moved.
TEST(Console, LevelsReorderedInTheOverviewAreTheTextsBlocksMoved)
{
    run_dir dir;
    const std::string text = run_tool(dir, {"-loadprg", "-quiet"}).out;
    std::array<std::size_t, 6> at; // where the blocks of levels 1 to 5 begin, past their lines
    for (int i = 1; i <= 5; i++)
        at[i] = text.find('\n', text.find("Level  " + std::to_string(i)));
    auto block = [&](int i) { return text.substr(at[i], text.find("Level", at[i]) - at[i]); };
    run_dir text_route(sample_image());
    text_route.write(lvl, text.substr(0, at[1]) + block(2) + "Level  2" + block(4) + "Level  3" +
                              block(3) + "Level  4" + block(1) +
                              text.substr(text.find("Level  5")));
    ASSERT_EQ(0, run_tool(text_route, {"-saveprg", "-quiet"}).status);
    session s(dir);
    ASSERT_TRUE(s.shows("Level 1 of 30"));
    s.keys({"Tab", "'>'", "x", "Right", "Right", "x", "Enter", "s"});
    EXPECT_TRUE(s.shows("Saved to KR_PROG.PRG"));
    s.keys({"q"});
    EXPECT_EQ(0, s.status());
    EXPECT_TRUE(text_route.read(prg) == dir.read(prg));
    EXPECT_FALSE(sample_image() == dir.read(prg));
}

// Another program's change to KR_PROG.PRG, or its removal, is not overwritten without a word.
TEST(Console, ASaveAsksWhenTheFileChangedOnDiskOrWentAway)
{
    run_dir dir;
    std::string theirs = sample_image();
    theirs[0x100] ^= 1;
    session s(dir);
    ASSERT_TRUE(s.shows("Level 1 of 30"));
    s.keys({"8"});
    dir.write(prg, theirs);
    s.keys({"s"});
    EXPECT_TRUE(s.shows("KR_PROG.PRG changed on disk since it was read. Save over it? (y/n)"));
    s.keys({"n"});
    EXPECT_TRUE(s.shows("Not saved."));
    EXPECT_TRUE(dir.read(prg) == theirs);
    s.keys({"s", "y"});
    EXPECT_TRUE(s.shows("Saved to KR_PROG.PRG (the old file is KR_PROG.PRG.bak)."));
    EXPECT_TRUE(dir.read(prg + ".bak") == theirs);
    EXPECT_EQ(std::string("\x00\x10", 2), dir.read(prg).substr(0x1E936, 2));
    std::filesystem::remove(dir.file(prg));
    s.keys({"7", "q", "y"});
    EXPECT_TRUE(s.shows("KR_PROG.PRG is no longer in the folder. Save it again? (y/n)"));
    s.keys({"y"});
    EXPECT_EQ(0, s.status());
    EXPECT_EQ(std::string("\x00\x0E", 2), dir.read(prg).substr(0x1E936, 2));
}
// Every tool, typed into the console and made in this process on the same levels by the same
// keys: the image the console saves is what the text route writes from the levels made here.
TEST(Console, TheToolsSaveWhatTheSameKeysMakeOfTheLevels)
{
    static std::vector<std::uint8_t> image = make_sample_image();
    decode_as_loaded(image);
    edit_state here;
    here.save = [](std::string &message) { return message = "", 1; };
    here.disk_state = [] { return 0; };
    edit_start(here);
    const std::pair<const char *, int> typed[] = {
        {"b", 'b'},
        {"7", '7'},
        {"Space", ' '},
        {"v", 'v'},
        {"Right", key_right},
        {"Down", key_down},
        {"3", '3'},
        {"y", 'y'},
        {"Down", key_down},
        {"Down", key_down},
        {"Down", key_down},
        {"Down", key_down},
        {"p", 'p'},
        {"r", 'r'},
        {"1", '1'},
        {"PgDn", key_page_down},
        {"H", 'H'},
        {"K", 'K'},
        {"M", 'M'},
        {"'>'", '>'},
        {"L", 'L'},
        {"J", 'J'},
        {"v", 'v'},
        {"Left", key_left},
        {"BSpace", key_backspace},
        {"x", 'x'},
        {"g", 'g'},
        {"5", '5'},
        {"Enter", key_enter},
        {"X", 'X'},
        {"'<'", '<'},
        {"p", 'p'},
    };
    run_dir dir;
    session s(dir);
    ASSERT_TRUE(s.shows("Level 1 of 30"));
    for (const auto &[name, code] : typed) {
        s.keys({name});
        apply_key(here, {code});
    }
    if (!windows_build()) { // a drag over four cells of level 4, as one undo step
        s.click(0, 3, 5);
        for (int x : {7, 11, 15})
            s.click(32, x, 5);
        s.click(3, 15, 5);
        for (key k :
             {key{key_mouse_left, 3, 5}, key{key_mouse_drag, 7, 5}, key{key_mouse_drag, 11, 5},
              key{key_mouse_drag, 15, 5}, key{key_mouse_release, 15, 5}})
            apply_key(here, k);
    }
    s.keys({"s"});
    EXPECT_TRUE(s.shows("Saved to KR_PROG.PRG"));
    s.keys({"q"});
    EXPECT_EQ(0, s.status());
    run_dir text_route(sample_image());
    std::string levels;
    for (int i = 1; i <= 30; i++)
        levels += level_as_text(i);
    text_route.write(lvl, levels);
    ASSERT_EQ(0, run_tool(text_route, {"-saveprg", "-quiet"}).status);
    EXPECT_TRUE(text_route.read(prg) == dir.read(prg));
    EXPECT_FALSE(sample_image() == dir.read(prg));
}

// A level goes out as text with Y and comes back in with a paste: level 6 pasted over level 9
// (whose record has room for its random colors) is level 6, byte for byte.
TEST(Console, ALevelCopiedAsTextAndPastedBackIsTheSameLevel)
{
    if (windows_build())
        GTEST_SKIP() << "wine's console in tmux has no clipboard and passes on no terminal "
                        "clipboard or pastes in brackets";
    run_dir dir;
    session s(dir);
    ASSERT_TRUE(s.shows("Level 1 of 30"));
    s.tmux_do("set -s set-clipboard on");
    s.keys({"g", "6", "Enter", "Y"});
    EXPECT_TRUE(s.shows("Level 6 sent to the terminal's clipboard as text."));
    const std::string copied = s.tmux_says("show-buffer");
    EXPECT_EQ(0u, copied.find("Level  6       (Start address : 0x0001ecb2)\n"));
    s.keys({"g", "9", "Enter"});
    s.tmux_do("paste-buffer -p");
    EXPECT_TRUE(s.shows("Pasted a level from text."));
    s.keys({"s", "q"});
    EXPECT_EQ(0, s.status());
    const std::string levels = run_tool(dir, {"-loadprg", "-quiet"}).out;
    auto body = [&](const char *level) { // its block, but for its level line
        std::size_t at = levels.find('\n', levels.find(level));
        return levels.substr(at, levels.find("Level", at) - at);
    };
    EXPECT_EQ(copied.substr(copied.find('\n')), body("Level  6"));
    EXPECT_EQ(body("Level  6"), body("Level  9"));
}
