// tests/e2e/recovery_test.cpp - the recovery file: the editor's unsaved changes kept beside the
// program file, written after a pause and when the editor is ended, gone when nothing is unsaved,
// and offered back at the next start.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "tests/e2e/e2e_support.h"

namespace
{

const std::string recovery = "vellumix-unsaved.lvl";

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

} // namespace

TEST(Recovery, WrittenAfterAPauseAndWhenTheEditorIsEnded)
{
    const std::string expected = white_first_cell();
    // "kill": SIGKILL two seconds and a half after the change, which only the pause's write
    // survives; the others end the editor at once, before that pause is over
    for (const char *end : {"KILL", "HUP", "TERM", "kill-session"}) {
        SCOPED_TRACE(end);
        if (windows_build() && std::string(end) != "KILL")
            continue; // wine's console passes on no signals
        run_dir dir;
        session s(dir);
        ASSERT_TRUE(s.shows("Level 1 of 30"));
        s.keys({"8"});
        ASSERT_TRUE(s.shows(">wh<"));
        wait_ms(500);
        EXPECT_FALSE(std::filesystem::exists(dir.file(recovery))); // not one write a key
        if (std::string(end) == "KILL")
            wait_ms(2000);
        if (std::string(end) == "kill-session")
            s.tmux_do("kill-session");
        else
            s.tmux_do(std::string("run-shell 'pkill -") + end + " -P #{pane_pid}'");
        for (int n = 0; n < 100 && dir.read(recovery).empty(); n++)
            wait_ms(50);
        EXPECT_EQ(expected, dir.read(recovery));
        EXPECT_TRUE(sample_image() == dir.read(prg)); // nothing saved
    }
}

TEST(Recovery, GoneWhenNothingIsUnsavedAndOfferedBackAtTheNextStart)
{
    run_dir dir;
    {
        session s(dir);
        ASSERT_TRUE(s.shows("Level 1 of 30"));
        for (const char *undo : {"u", "s", "q"}) { // undone, saved, dropped with q n
            s.keys({"8"});
            for (int n = 0; n < 100 && dir.read(recovery).empty(); n++)
                wait_ms(50);
            EXPECT_FALSE(dir.read(recovery).empty()) << undo;
            s.keys({undo, undo[0] == 'q' ? "n" : "Right"});
            wait_ms(300);
            EXPECT_FALSE(std::filesystem::exists(dir.file(recovery))) << undo;
        }
        EXPECT_EQ(0, s.status());
    }
    { // a directory in its place: said, and editing goes on
        run_dir blocked;
        std::filesystem::create_directory(blocked.file(recovery));
        session s(blocked);
        ASSERT_TRUE(s.shows("Level 1 of 30"));
        s.keys({"8"});
        EXPECT_TRUE(s.shows("Recovery file could not be written: "));
        s.keys({"s", "q"});
        EXPECT_EQ(0, s.status());
        EXPECT_EQ(std::string("\x00\x10", 2), blocked.read(prg).substr(0x1E936, 2));
    }
    // a recovery file left by an earlier session: y restores it over the image, and saves as
    // the text route does; n keeps it as its .bak
    const std::string text = white_first_cell();
    run_dir text_route(sample_image());
    text_route.write(lvl, text);
    ASSERT_EQ(0, run_tool(text_route, {"-saveprg", "-quiet"}).status);
    for (const char *answer : {"y", "n"}) {
        run_dir again;
        again.write(recovery, text);
        session s(again);
        EXPECT_TRUE(s.shows(
            "Unsaved changes to level 1 from an earlier session are in vellumix-unsaved.lvl."));
        s.keys({answer});
        if (answer[0] == 'y') {
            EXPECT_TRUE(s.shows("Restored the unsaved changes: save with s."));
            s.keys({"s", "q"});
            EXPECT_EQ(0, s.status());
            EXPECT_TRUE(text_route.read(prg) == again.read(prg));
            EXPECT_FALSE(std::filesystem::exists(again.file(recovery)));
        } else {
            s.keys({"q"});
            EXPECT_EQ(0, s.status());
            EXPECT_TRUE(sample_image() == again.read(prg));
            EXPECT_EQ(text, again.read(recovery + ".bak"));
        }
    }
}
