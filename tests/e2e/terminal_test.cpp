// tests/e2e/terminal_test.cpp - the editor in a terminal as terminals are: stopped and continued
// from outside, ended by a signal, sent sequences split by pauses, replies, pastes and old mouse
// reports, or too dumb to draw a screen.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "tests/e2e/e2e_support.h"

namespace
{

const char *const no_wine = "wine's console passes on no stops, signals, mouse reports or bytes";

std::string said(const session &s, const std::string &format) // a pane's value, its line end cut
{
    std::string value = s.tmux_says("display -p '" + format + "'");
    return value.substr(0, value.find('\n'));
}

std::string stty_of(const session &s) // the pane's terminal settings, read from outside
{
    run_dir out("");
    std::system(("stty -g <" + said(s, "#{pane_tty}") + " >" + out.file("stty")).c_str());
    return out.read("stty");
}

// Sends sig to the program, the child of the pane's shell (sh -c, which leaves the terminal
// alone when its child stops), and waits up to 5 s for ps to show it in state (T: stopped).
bool signal_until(const session &s, const std::string &sig, char state)
{
    s.tmux_do("run-shell 'pkill -" + sig + " -P #{pane_pid}'");
    run_dir out("");
    for (int n = 0; n < 100; n++) {
        std::system(
            ("ps -o stat= --ppid " + said(s, "#{pane_pid}") + " >" + out.file("ps")).c_str());
        if (out.read("ps")[0] == state)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

void pause_then_send(const session &s, const std::string &bytes)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    s.send(bytes);
}

} // namespace

TEST(Terminal, AStopGivesTheTerminalBackAContinueTakesItAgainAndSigquitEndsIt)
{
    if (windows_build())
        GTEST_SKIP() << no_wine;
    run_dir dir;
    session s(dir);
    ASSERT_TRUE(s.shows("Level 1 of 30"));
    s.keys({"7"});
    ASSERT_TRUE(signal_until(s, "TSTP", 'T'));
    EXPECT_EQ(dir.read("stty.before"), stty_of(s));
    EXPECT_EQ("0 1 0", said(s, "#{alternate_on} #{cursor_flag} #{mouse_any_flag}"));
    ASSERT_TRUE(signal_until(s, "CONT", 'S'));
    EXPECT_TRUE(s.shows("Vellumix - KR_PROG.PRG  (modified)")); // the whole screen again
    EXPECT_TRUE(s.shows("u undo  s save  q quit  h help"));
    EXPECT_NE(dir.read("stty.before"), stty_of(s));
    s.keys({"Right", "8"});
    EXPECT_TRUE(s.shows("|[bk]>wh<[bl]"));
    s.tmux_do("run-shell 'pkill -QUIT -P #{pane_pid}'");
    EXPECT_EQ(1, s.status());
    EXPECT_EQ(dir.read("stty.before"), dir.read("stty.after"));
    EXPECT_TRUE(sample_image() == dir.read(prg));
}

TEST(Terminal, SplitSequencesRepliesPastesAndX10ClicksAreTakenAsMeant)
{
    if (windows_build())
        GTEST_SKIP() << no_wine;
    run_dir dir;
    session s(dir);
    ASSERT_TRUE(s.shows("Level 1 of 30"));
    s.keys({"Down"});
    s.send("\x1b[");
    pause_then_send(s, "A"); // Up: not Esc, which quits a level with nothing to save
    s.keys({"8"});
    EXPECT_TRUE(s.shows("|>wh<[gn][bl]"));
    s.send("\x1b[<0;10");
    pause_then_send(s, ";5M"); // a click on row 2's second cell
    EXPECT_TRUE(s.shows("|..[gn]>wh<[bl]"));
    s.send("\x1b[M $&"); // an X10 click on row 3's first cell
    EXPECT_TRUE(s.shows("|>wh<[bl][or]"));
    s.send("\x1b]0;sqy\x07\x1bPsq\x1b\\");
    s.tmux_do("set-buffer 'as q\ny s\rqq'");
    s.tmux_do("paste-buffer -p"); // in brackets: mode 2004 is on
    s.keys({"Right"});
    EXPECT_TRUE(s.shows("|[wh]>bl<[or]"));
    s.keys({"q"}); // nothing was saved, so it asks
    EXPECT_TRUE(s.shows("Save changes to KR_PROG.PRG? (y/n, Esc: stay)"));
    s.keys({"n"});
    EXPECT_EQ(0, s.status());
    EXPECT_TRUE(sample_image() == dir.read(prg));
}

TEST(Terminal, ADumbTerminalIsRefused)
{
    if (windows_build())
        GTEST_SKIP() << "a Windows console always draws";
    run_dir dir;
    session s(dir, "-edit", "TERM=dumb", "2>err");
    EXPECT_EQ(1, s.status());
    EXPECT_EQ(decoded +
                  "\nERROR ! -edit needs a terminal that can draw a screen (TERM is 'dumb') !\n",
              dir.read("err"));
}
