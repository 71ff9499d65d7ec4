// tests/e2e/terminal_test.cpp - the editor in a terminal as terminals are: stopped and continued
// from outside, and ended by a signal. (How its bytes become keys, split by pauses or not, is the
// decoder's unit test; pastes with and without brackets are typed in the tools' session.)
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tests/e2e/e2e_support.h"

namespace
{

const char *const no_wine = "wine's console passes on no stops or signals";

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
