// tests/e2e/e2e_support.h - runs the built program in a fresh temporary directory and reads back
// what it printed and left behind. Expected text is written with "\n"; eol() turns it into the
// line ending the program under test writes ("\r\n" for a Windows build under wine).
#ifndef TESTS_E2E_E2E_SUPPORT_H
#define TESTS_E2E_E2E_SUPPORT_H

#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

extern const std::string prg, lvl;
bool windows_build();
constexpr bool sanitized =
    VELLUMIX_SANITIZED; // the tests and the program built with the sanitizers
std::string eol(const std::string &s);
std::string sample_image();
void set_word(std::string &image, std::size_t at, unsigned value); // big-endian
// Two files' bytes alike; where not, the first place they differ and their sizes, not the
// whole of an image.
testing::AssertionResult same_bytes(const std::string &expected, const std::string &actual);

struct run_dir { // a temporary directory, removed with all it holds
    std::string path;
    // holding image as the program image (none when empty) and, when exported, the text file
    // that -savelvl writes of it
    explicit run_dir(const std::string &image = sample_image(), bool exported = false);
    ~run_dir();
    std::string file(const std::string &name) const { return path + "/" + name; }
    std::string read(const std::string &name) const;
    void write(const std::string &name, const std::string &bytes) const;
    std::vector<std::string> names() const; // sorted
    // Replaces the first from in the text file with to, both written with "\n".
    void edit(const std::string &from, const std::string &to) const;
};

struct run_result {
    int status = -1;
    std::string out, err; // standard output, standard error
};

std::string shell_quoted(const std::string &s);
// The shell command that runs the program (with its launcher) with args.
std::string tool_command(const std::vector<std::string> &args);

// Runs the program with args in dir; before stands in front of it in the shell command (a
// ulimit, strace), after behind it (a redirection).
run_result run_tool(const run_dir &dir, const std::vector<std::string> &args,
                    const std::string &before = "", const std::string &after = "");

// The program in an 80 x 24 tmux session on a server of its own, run in dir with args; before
// and after stand around its command as in run_tool. The terminal's settings before and after
// go to the files stty.before and stty.after, its exit status to status. under_bash: typed into
// an interactive bash, as a person starts it. Whatever the session started is ended with it,
// and with the test however it ends.
struct session {
    const run_dir &dir;
    const std::string tmux;
    std::string pane_pid;
    mutable bool astray = false;
    explicit session(const run_dir &d, const std::string &args = "-edit",
                     const std::string &before = "", const std::string &after = "",
                     bool under_bash = false);
    ~session();
    void tmux_do(const std::string &command) const { std::system((tmux + " " + command).c_str()); }
    std::string tmux_says(const std::string &command) const // what it printed
    {
        run_dir out("");
        tmux_do(command + " >" + shell_quoted(out.file("said")));
        return out.read("said");
    }
    // Types keys one by one, as a person does (keys that come together are a paste); an Escape
    // alone is then a key of its own.
    void keys(const std::vector<std::string> &names) const
    {
        for (const std::string &k : names) {
            tmux_do("send-keys " + shell_quoted(k));
            // keys that wait together when read are a paste; wine's console reads them slower
            std::this_thread::sleep_for(std::chrono::milliseconds(k == "Escape"     ? 200
                                                                  : windows_build() ? 120
                                                                                    : 50));
        }
    }
    std::string screen() const { return tmux_says("capture-pane -p"); }
    // Waits up to 20 s for text on the screen, or for the program's end (text ""); after one
    // wait in vain the session has gone astray, and each later one waits a second only.
    bool shows(const std::string &text) const
    {
        for (int n = 0; n < (astray ? 20 : 400); n++) {
            if (text.empty() ? !dir.read("status").empty()
                             : screen().find(text) != std::string::npos)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        astray = true;
        ADD_FAILURE() << "not seen: " << text << "\n" << screen();
        return false;
    }
    int status() const { return shows("") ? std::atoi(dir.read("status").c_str()) : -1; }
};

// Standard error of a good load and decode, of the text file read, of the image written.
extern const std::string decoded, text_read, written;

#endif
