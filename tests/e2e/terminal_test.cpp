// tests/e2e/terminal_test.cpp - the editor in a terminal as terminals are: stopped and continued
// from outside, ended by a signal, sent sequences split by pauses, replies, pastes and old mouse
// reports, or too dumb to draw a screen.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tests/e2e/e2e_support.h"

namespace
{

const char *const no_wine = "wine's console passes on no stops, signals, mouse reports or bytes";

// What a shell command printed, run by tmux, which fills in #{pane_tty} and #{pane_pid} first.
std::string shell_says(const session &s, const std::string &command)
{
    run_dir out("");
    s.tmux_do("run-shell '" + command + " >" + out.file("said") + "'");
    return out.read("said");
}

// Sends sig to the program, the child of the pane's shell (sh -c, which leaves the terminal
// alone when its child stops), and waits up to 5 s for ps to show it in state (T: stopped).
bool signal_until(const session &s, const std::string &sig, char state)
{
    s.tmux_do("run-shell 'pkill -" + sig + " -P #{pane_pid}'");
    for (int n = 0; n < 100; n++, std::this_thread::sleep_for(std::chrono::milliseconds(50)))
        if (shell_says(s, "ps -o stat= --ppid #{pane_pid}")[0] == state)
            return true;
    return false;
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
    EXPECT_EQ(dir.read("stty.before"), shell_says(s, "stty -g <#{pane_tty}"));
    EXPECT_EQ("0 1 0\n",
              s.tmux_says("display -p '#{alternate_on} #{cursor_flag} #{mouse_any_flag}'"));
    ASSERT_TRUE(signal_until(s, "CONT", 'S'));
    EXPECT_TRUE(s.shows("Vellumix - KR_PROG.PRG  (modified)")); // the whole screen again
    EXPECT_TRUE(s.shows("u undo  s save  q quit  h help"));
    EXPECT_NE(dir.read("stty.before"), shell_says(s, "stty -g <#{pane_tty}"));
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
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    s.send("A"); // Up: not Esc, which quits a level with nothing to save
    s.keys({"8"});
    EXPECT_TRUE(s.shows("|>wh<[gn][bl]"));
    s.send("\x1b[<0;10");
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    s.send(";5M"); // a click on row 2's second cell
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
