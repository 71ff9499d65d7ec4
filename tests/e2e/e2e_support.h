// tests/e2e/e2e_support.h - runs the built program in a fresh temporary directory and reads back
// what it printed and left behind. Expected text is written with "\n"; eol() turns it into the
// line ending the program under test writes ("\r\n" for a Windows build under wine).
#ifndef TESTS_E2E_E2E_SUPPORT_H
#define TESTS_E2E_E2E_SUPPORT_H

#include <string>
#include <vector>

extern const std::string prg, lvl;
bool windows_build();
std::string eol(const std::string &s);
std::string sample_image();
void set_word(std::string &image, std::size_t at, unsigned value); // big-endian

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

// Standard error of a good load and decode, of the text file read, of the image written.
extern const std::string decoded, text_read, written;

#endif
