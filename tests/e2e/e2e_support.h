// tests/e2e/e2e_support.h - runs the built program in a fresh temporary directory and reads back
// what it printed and left behind. The expected text is written with "\n"; eol() turns it into
// what the program under test really writes in text mode ("\r\n" for a Windows build).
#ifndef TESTS_E2E_E2E_SUPPORT_H
#define TESTS_E2E_E2E_SUPPORT_H

#include <cstdint>
#include <string>
#include <vector>

struct run_result {
    int status = -1;
    std::string out; // standard output
    std::string err; // standard error
};

struct run_dir {
    std::string path;
    run_dir();  // empty
    ~run_dir(); // removed with all it holds
    run_dir(const run_dir &) = delete;
    run_dir &operator=(const run_dir &) = delete;
    std::string file(const std::string &name) const { return path + "/" + name; }
    std::string read(const std::string &name) const;
    void write(const std::string &name, const std::string &bytes) const;
    std::vector<std::string> names() const; // what the directory holds, sorted
};

extern const std::string prg;   // "KR_PROG.PRG"
extern const std::string lvl;   // "vellumix.lvl"
const std::string &nl();        // the line ending the program under test writes
bool windows_build();           // the program under test is a Windows program
std::string eol(std::string s); // "\n" -> nl
std::string sample_image();     // the sample program image, as bytes

// Runs the program with args in dir. shell_setup runs first in the same shell (a ulimit, say);
// stdout_to, when not empty, replaces the capture of standard output (/dev/full, say);
// as_nobody runs it as the user nobody when the tests run as root, who may write anywhere.
run_result run_tool(const run_dir &dir, const std::vector<std::string> &args,
                    const std::string &shell_setup = "", const std::string &stdout_to = "",
                    bool as_nobody = false);

// What standard error shows of a good image: its load report, then also its decoding, and
// for -saveprg the steps up to the unfinished "Writing PRG file ... " line.
std::string load_report();
std::string decoded();
std::string saveprg_messages();

#endif
