// tests/e2e/e2e_support.cpp - the runner behind the end-to-end tests.
#include "tests/e2e/e2e_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tools/sample_image.h"

namespace fs = std::filesystem;

const std::string prg = "KR_PROG.PRG";
const std::string lvl = "vellumix.lvl";

static std::string setting(const char *env, const char *built_in)
{
    const char *value = std::getenv(env);
    return value && *value ? value : built_in;
}

// Functions, not globals, so that other files' static strings can be built from them.
static const std::string &bin()
{
    static const std::string value = setting("VELLUMIX_BIN", VELLUMIX_E2E_BIN);
    return value;
}

static const std::string &launcher()
{
    static const std::string value = setting("VELLUMIX_LAUNCHER", VELLUMIX_E2E_LAUNCHER);
    return value;
}

bool windows_build() { return bin().size() > 4 && bin().compare(bin().size() - 4, 4, ".exe") == 0; }

const std::string &nl()
{
    static const std::string value = windows_build() ? "\r\n" : "\n";
    return value;
}

std::string eol(std::string s)
{
    std::string r;
    for (char c : s)
        r += c == '\n' ? nl() : std::string(1, c);
    return r;
}

std::string sample_image()
{
    std::vector<std::uint8_t> image = make_sample_image();
    return std::string(image.begin(), image.end());
}

std::string load_report()
{
    return eol("Reading PRG file ... 0x00038DB2 bytes read.\n"
               "Levels table stored at address 0x0001E8BC.\n30 levels found.\n");
}

std::string decoded() { return load_report() + eol("Copying PRG data to structure ... \n"); }

std::string saveprg_messages()
{
    return decoded() +
           eol("Copying text file to structure ... \nCopying structure to PRG file ... \n"
               "Writing PRG file ... ");
}

run_dir::run_dir()
{
    std::string pattern = (fs::temp_directory_path() / "vellumix-e2e.XXXXXX").string();
    path = mkdtemp(pattern.data());
}

run_dir::~run_dir()
{
    std::error_code ec;
    fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path, ec);
}

std::string run_dir::read(const std::string &name) const
{
    std::ifstream in(file(name), std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
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

static std::string shell_quoted(const std::string &s)
{
    std::string r = "'";
    for (char c : s)
        r += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return r + "'";
}

run_result run_tool(const run_dir &dir, const std::vector<std::string> &args,
                    const std::string &shell_setup, const std::string &stdout_to, bool as_nobody)
{
    run_dir capture, copy;
    std::string command = "cd " + shell_quoted(dir.path) + " && ";
    if (!shell_setup.empty())
        command += shell_setup + "; ";
    std::string program = bin();
    if (as_nobody && geteuid() == 0) {
        // a copy where nobody may run it: the build folder may lie inside root's home
        program = copy.file("vellumix");
        fs::copy_file(bin(), program);
        chmod(copy.path.c_str(), 0755);
        chmod(program.c_str(), 0755);
        command += "setpriv --reuid=65534 --regid=65534 --clear-groups ";
    }
    if (!launcher().empty())
        command += launcher() + " ";
    command += shell_quoted(program);
    for (const std::string &a : args)
        command += " " + shell_quoted(a);
    command += " </dev/null >" + shell_quoted(stdout_to.empty() ? capture.file("out") : stdout_to) +
               " 2>" + shell_quoted(capture.file("err"));
    int raw = std::system(("sh -c " + shell_quoted(command)).c_str());
    run_result r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = capture.read("out");
    r.err = capture.read("err");
    return r;
}
