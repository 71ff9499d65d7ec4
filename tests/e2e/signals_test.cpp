// tests/e2e/signals_test.cpp - the editor as terminals and systems treat it: stopped and
// continued, ended by signals; and the recovery file, its unsaved changes kept beside the program
// file, written after a pause and when the editor is ended, gone when nothing is unsaved, and
// offered back at the next start; kept aside when the editor quits without saving. (How its bytes
// become keys is the decoder's unit test.)
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <sys/stat.h>
#include <thread>

#include "tests/e2e/e2e_support.h"

namespace
{

const std::string recovery = "vellumix-unsaved.lvl", lock = "vellumix-edit.lock";

// What -savelvl writes for the sample with level 1's first cell white: the recovery file's text
// after an 8 typed on the first screen.
std::string white_first_cell()
{
    std::string image = sample_image();
    set_word(image, 0x1E936, 0x0010);
    run_dir dir(image, true);
    return dir.read(lvl);
}

void wait_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

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

TEST(Recovery, WrittenAfterAPauseAndWhenTheEditorIsEnded)
{
    const std::string expected = white_first_cell();
    // KILL two seconds and a half after the changes, which only the pause's write survives; the
    // others end the editor at once: two signals together, a signal whose default would end it,
    // a crash (no recovery file, but the terminal given back), and ten windows closed under an
    // interactive bash, which passes on its SIGHUP as the terminal sends its own
    std::vector<std::string> ends = {"KILL", "HUP TERM QUIT", "USR1", "SEGV"};
    ends.resize(ends.size() + 10);
    for (const std::string &end : ends) {
        SCOPED_TRACE(end);
        if (windows_build() && end != "KILL")
            continue; // wine's console passes on no signals
        run_dir dir;
        session s(dir, "-edit", "", "", end.empty());
        ASSERT_TRUE(s.shows("Level 1 of 30"));
        s.keys({"8"});
        ASSERT_TRUE(s.shows(">wh<"));
        for (int n = 1; n <= 6 && end == "KILL"; n++) { // a change every half second delays the
            wait_ms(500); // write no further: none after the first, one before the sixth
            EXPECT_TRUE(n % 5 != 1 || (n == 6) == std::filesystem::exists(dir.file(recovery)));
            s.keys({n % 2 ? "7" : "8"});
        }
        wait_ms(end == "KILL" ? 2500 : 0);
        std::string signals, word;
        for (std::istringstream words(end); words >> word;)
            signals += "pkill -" + word + " -P #{pane_pid};";
        s.tmux_do(end.empty() ? "kill-session" : "run-shell '" + signals + "'");
        if (end == "SEGV") { // the crash's own status, in a terminal as it was
            EXPECT_NE(0, s.status());
            EXPECT_EQ(dir.read("stty.before"), dir.read("stty.after"));
            continue;
        }
        // the editor removes its lock as it ends, the recovery file kept: but when killed
        for (int n = 0; n < 100 && (dir.read(recovery).empty() ||
                                    (end != "KILL" && std::filesystem::exists(dir.file(lock))));
             n++)
            wait_ms(50);
        EXPECT_EQ(expected, dir.read(recovery));
        if (!end.empty() && end != "KILL") {
            EXPECT_EQ(1, s.status());
            EXPECT_EQ(dir.read("stty.before"), dir.read("stty.after"));
        }
        for (const std::string &name : dir.names()) // no temporary file, no lock but a killed one's
            EXPECT_TRUE(name[0] != '.' && (name != lock || end == "KILL")) << name;
        EXPECT_TRUE(same_bytes(sample_image(), dir.read(prg))); // nothing saved
        if (end != "KILL")
            continue;
        // its status written, the next editor takes over the killed one's lock, offers its changes
        // back; a second beside it is refused; n keeps them aside; a quit leaves no lock
        EXPECT_NE(0, s.status());
        std::filesystem::remove(dir.file("status"));
        if (!windows_build()) // a link of the lock's name does not turn it off
            std::filesystem::create_symlink("elsewhere", dir.file(lock));
        session next(dir);
        EXPECT_TRUE(next.shows("holds an earlier session's unsaved changes to level 1."));
        {
            session second(dir, "-edit", "", "2>err");
            if (windows_build() && second.shows("Press a key to close this window."))
                second.keys({"Space"});
            EXPECT_EQ(1, second.status());
            EXPECT_EQ(decoded + eol("\nERROR ! Another vellumix -edit is open in this folder !\n"),
                      dir.read("err"));
        }
        std::filesystem::remove(dir.file("status"));
        next.keys({"n"});
        EXPECT_TRUE(next.shows("The earlier changes are kept in vellumix-unsaved.lvl.bak."));
        next.keys({"q"});
        EXPECT_EQ(0, next.status());
        EXPECT_EQ(expected, dir.read(recovery + ".bak"));
        EXPECT_FALSE(std::filesystem::exists(dir.file(lock))); // the killed one's too
    }
}

// Stopped, the editor gives the terminal back as it found it (sh leaves it be; an interactive
// bash restores its own). Continued, or put in the background by bash's bg and brought back
// by fg, which sends no SIGCONT, it takes the terminal again as soon as it is in the foreground.
// Its recovery file, written after a pause, is gone once nothing is unsaved: saved (with a pipe
// named as the text file, which the save never waits on), or dropped.
TEST(Terminal, AStopGivesTheTerminalBackAndTheForegroundTakesItAgain)
{
    for (bool bash : {false, true}) {
        if (windows_build() && bash)
            break; // wine's console passes on no stops: there, the keys and the recovery file
        SCOPED_TRACE(bash ? "bg, fg" : "TSTP, CONT");
        run_dir dir;
        if (bash)
            mkfifo(dir.file("vellumix.lvl").c_str(), 0644);
        session s(dir, "-edit", "", "2>err", bash);
        ASSERT_TRUE(s.shows("Level 1 of 30"));
        s.keys({"7"});
        if (!windows_build()) {
            ASSERT_TRUE(signal_until(s, "TSTP", 'T'));
            if (!bash) {
                EXPECT_EQ(dir.read("stty.before"), shell_says(s, "stty -g <#{pane_tty}"));
            }
            EXPECT_EQ("0 1 0\n", s.tmux_says("display -p '#{alternate_on} #{cursor_flag} "
                                             "#{mouse_any_flag}'"));
            if (bash)
                s.keys({"b", "g", "Enter", "f", "g", "Enter"});
            else
                ASSERT_TRUE(signal_until(s, "CONT", 'S'));
            EXPECT_TRUE(s.shows("Vellumix - KR_PROG.PRG  (modified)")); // the whole screen again
            EXPECT_EQ("1 1\n", s.tmux_says("display -p '#{alternate_on} #{mouse_any_flag}'"));
            EXPECT_NE(dir.read("stty.before"), shell_says(s, "stty -g <#{pane_tty}"));
        }
        s.tmux_do("send-keys -l " + shell_quoted("\x1b[C\x1b[C")); // two keys in one read
        s.keys({"8"});
        EXPECT_TRUE(s.shows("|[bk][gn]>wh<[bl]"));
        for (int n = 0; n < 100 && dir.read(recovery).empty(); n++)
            wait_ms(50);
        EXPECT_FALSE(dir.read(recovery).empty());
        s.keys({bash ? "s" : "q", "n"});
        wait_ms(300);
        EXPECT_FALSE(std::filesystem::exists(dir.file(recovery)));
        if (bash)
            continue;
        EXPECT_EQ(0, s.status()); // the changes quit without a save kept aside, and said so
        EXPECT_EQ(decoded + eol("Not saved: the changes to level 1 are kept in "
                                "vellumix-unsaved.lvl.bak.\n"),
                  dir.read("err"));
        EXPECT_NE(std::string::npos, dir.read(recovery + ".bak").find("|[bk][gn][wh][bl]"));
    }
}
