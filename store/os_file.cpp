// store/os_file.cpp - replacing a file atomically and keeping its backup, on the primitives that
// each system's file gives (os_posix.cpp, os_win.cpp).
#include "store/os_file.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

std::string directory_of(const std::string &path)
{
    std::string dir = fs::path(path).parent_path().string();
    return dir.empty() ? std::string(".") : dir;
}

int finish_temp(temp_file &t)
{
    int ok = std::fflush(t.f) == 0 && !std::ferror(t.f) && flush_to_disk(t.f);
    ok = std::fclose(t.f) == 0 && ok; // a full disk often shows only at close
    t.f = nullptr;
    if (!ok)
        std::remove(t.name.c_str());
    return ok;
}

int move_file(const char *from, const char *to)
{
    temp_file t;
    t.name = from;
    t.target = to;
    return rename_over(t);
}

int replace_file(temp_file &t)
{
    if (rename_over(t))
        return 1;
    std::remove(t.name.c_str());
    return 0;
}

// 1 = the two files hold the same bytes; 0 = they differ, or one could not be read.
static int same_content(const std::string &a, const std::string &b)
{
    static std::array<char, 65536> x, y;
    std::FILE *fa = std::fopen(a.c_str(), "rb"), *fb = std::fopen(b.c_str(), "rb");
    int same = fa && fb;
    while (same) {
        std::size_t na = std::fread(x.data(), 1, x.size(), fa);
        std::size_t nb = std::fread(y.data(), 1, y.size(), fb);
        same = na == nb && std::memcmp(x.data(), y.data(), na) == 0 && !std::ferror(fa) &&
               !std::ferror(fb);
        if (na < x.size())
            break;
    }
    if (fa)
        std::fclose(fa);
    if (fb)
        std::fclose(fb);
    return same;
}

int copy_stream(std::FILE *from, std::FILE *to, std::uint64_t &copied)
{
    static std::array<char, 65536> chunk;
    for (;;) {
        std::size_t got = std::fread(chunk.data(), 1, chunk.size(), from);
        std::size_t put = std::fwrite(chunk.data(), 1, got, to);
        copied += put;
        if (put != got || std::ferror(from))
            return 0;
        if (got < chunk.size())
            return 1;
    }
}

static int copy_as(const std::string &old, const char *backup)
{
    temp_file b;
    if (!create_temp_beside(backup, 0, b))
        return 0;
    std::FILE *from = std::fopen(old.c_str(), "rb");
    std::uint64_t copied = 0;
    int ok = from && copy_mode(old, b.f) && copy_stream(from, b.f, copied);
    if (from)
        std::fclose(from);
    if (!ok) {
        discard_temp(b);
        return 0;
    }
    return finish_temp(b) && replace_file(b);
}

bool backup_kept = false;

int keep_backup(temp_file &t, const char *backup)
{
    std::error_code ec;
    backup_kept = false;
    if (fs::status(t.target, ec).type() == fs::file_type::not_found ||
        fs::equivalent(t.target, backup, ec) || same_content(t.target, t.name))
        return 1;
    backup_kept = link_as(t.target, backup) || copy_as(t.target, backup);
    if (backup_kept)
        return 1;
    std::remove(t.name.c_str());
    return 0;
}

void discard_temp(temp_file &t)
{
    if (t.f)
        std::fclose(t.f);
    t.f = nullptr;
    std::remove(t.name.c_str());
}
