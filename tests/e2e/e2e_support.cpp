// tests/e2e/e2e_support.cpp - the runner behind the end-to-end tests.
#include "tests/e2e/e2e_support.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

#include "tools/sample_image.h"

namespace fs = std::filesystem;

const std::string prg = "KR_PROG.PRG", lvl = "vellumix.lvl";

// The build's own program unless the environment names another (a Windows build, say).
static const char *setting(const char *env, const char *built_in)
{
    return std::getenv(env) && *std::getenv(env) ? std::getenv(env) : built_in;
}
static const std::string bin = setting("VELLUMIX_BIN", VELLUMIX_E2E_BIN),
                         launcher = setting("VELLUMIX_LAUNCHER", VELLUMIX_E2E_LAUNCHER);

bool windows_build() { return bin.size() > 4 && bin.substr(bin.size() - 4) == ".exe"; }

std::string eol(const std::string &s)
{
    std::string r;
    for (char c : s)
        r += c == '\n' && windows_build() ? std::string("\r\n") : std::string(1, c);
    return r;
}

std::string sample_image()
{
    static const std::vector<std::uint8_t> image = make_sample_image();
    return std::string(image.begin(), image.end());
}

testing::AssertionResult same_bytes(const std::string &expected, const std::string &actual)
{
    const auto at = std::mismatch(expected.begin(), expected.end(), actual.begin(), actual.end());
    if (at.first == expected.end() && at.second == actual.end())
        return testing::AssertionSuccess();
    const std::size_t n = static_cast<std::size_t>(at.first - expected.begin());
    std::ostringstream what;
    what << "they differ from byte 0x" << std::hex << n << std::dec
         << " on: " << testing::PrintToString(expected.substr(n, 16)) << " expected, "
         << testing::PrintToString(actual.substr(n, 16)) << " found; sizes " << expected.size()
         << " and " << actual.size();
    return testing::AssertionFailure() << what.str();
}

void set_word(std::string &image, std::size_t at, unsigned value)
{
    image[at] = static_cast<char>(value >> 8);
    image[at + 1] = static_cast<char>(value);
}

void run_dir::edit(const std::string &from, const std::string &to) const
{
    std::string text = read(lvl);
    std::size_t at = text.find(eol(from));
    ASSERT_NE(std::string::npos, at) << from;
    write(lvl, text.replace(at, eol(from).size(), eol(to)));
}

const std::string decoded = eol("Reading PRG file ... 0x00038DB2 bytes read.\nLevels table "
                                "stored at address 0x0001E8BC.\n30 levels found.\nCopying PRG "
                                "data to structure ... \n");
const std::string text_read = eol("Copying text file to structure ... \n");
const std::string written = eol("Copying structure to PRG file ... \nWriting PRG file ... "
                                "0x00038DB2 bytes written.\n");

run_dir::run_dir(const std::string &image, bool exported)
    : path((fs::temp_directory_path() / "vellumix-e2e.XXXXXX").string())
{
    mkdtemp(path.data());
    if (!image.empty())
        write(prg, image);
    if (exported) {
        const run_result r = run_tool(*this, {"-savelvl"});
        EXPECT_EQ(0, r.status) << r.err;
    }
}

run_dir::~run_dir()
{
    std::error_code ec;
    fs::remove_all(path, ec);
}

std::string run_dir::read(const std::string &name) const
{
    std::ostringstream all;
    all << std::ifstream(file(name), std::ios::binary).rdbuf();
    return all.str();
}

void run_dir::write(const std::string &name, const std::string &bytes) const
{
    std::ofstream(file(name), std::ios::binary) << bytes;
}

std::vector<std::string> run_dir::names() const
{
    std::vector<std::string> all;
    for (const fs::directory_entry &e : fs::directory_iterator(path))
        all.push_back(e.path().filename().string());
    std::sort(all.begin(), all.end());
    return all;
}

std::string shell_quoted(const std::string &s)
{
    std::string r = "'";
    for (char c : s)
        r += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return r + "'";
}

// The shell command that runs the program (with its launcher) with args.
std::string tool_command(const std::vector<std::string> &args)
{
    std::string command = launcher + " " + shell_quoted(bin);
    for (const std::string &a : args)
        command += " " + shell_quoted(a);
    return command;
}

run_result run_tool(const run_dir &dir, const std::vector<std::string> &args,
                    const std::string &before, const std::string &after)
{
    run_dir capture("");
    std::string command = "cd " + shell_quoted(dir.path) + " && " + before + " " +
                          tool_command(args) + " </dev/null >" + shell_quoted(capture.file("out")) +
                          " 2>" + shell_quoted(capture.file("err")) + " " + after;
    bool quiet = false;
    for (const std::string &a : args)
        quiet =
            quiet || a.find("quiet") != std::string::npos || a.find("QUIET") != std::string::npos;
    // wine fails to start a program about once in a thousand, with status 1 and not a word; the
    // program itself always says first what it reads, or is quiet: such a start is tried again
    for (int tries = 1;; tries++) {
        int raw = std::system(("sh -c " + shell_quoted(command)).c_str());
        run_result r{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, capture.read("out"),
                     capture.read("err")};
        if (!windows_build() || quiet || r.status != 1 || !(r.out + r.err).empty() || tries == 3)
            return r;
    }
}

static int sessions = 0; // each on a server of its own

session::session(const run_dir &d, const std::string &args, const std::string &before,
                 const std::string &after, bool under_bash)
    : dir(d), tmux("tmux -f /dev/null -L " + fs::path(d.path).filename().string() + "." +
                   std::to_string(++sessions))
{
    const std::string inner = "stty -g >stty.before; " + before + " " + tool_command({args}) + " " +
                              after + "; s=$?; stty -g >stty.after; echo $s >status";
    tmux_do("new-session -d -x 80 -y 24 -c " + shell_quoted(dir.path) + " " +
            shell_quoted(under_bash ? "exec bash --norc --noprofile -i" : inner));
    pane_pid = std::to_string(std::atoi(tmux_says("display -p '#{pane_pid}'").c_str()));
    // a window of its own watches this test: should it end without its destructors, the session
    // still ends with it
    tmux_do("new-window -d " + shell_quoted("while kill -0 " + std::to_string(getpid()) +
                                            " 2>/dev/null; do sleep 1; done; pkill -KILL -s " +
                                            pane_pid + "; " + tmux + " kill-server"));
    if (under_bash)
        tmux_do("send-keys -l " + shell_quoted(inner) + " \\; send-keys Enter");
}

// The pane's process leads a session of its own, which holds everything it started.
session::~session()
{
    if (pane_pid != "0")
        std::system(("pkill -KILL -s " + pane_pid).c_str());
    tmux_do("kill-server 2>/dev/null");
}
