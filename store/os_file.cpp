// store/os_file.cpp - replacing a file atomically and keeping its backups, on the primitives that
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

int move_file(const char *from, const char *to) { return rename_over(from, to); }

int replace_file(temp_file &t)
{
    if (replace_target(t.name, t.target))
        return 1;
    std::remove(t.name.c_str());
    return 0;
}

// 1 = the two files hold the same bytes; 0 = they differ, or one could not be read.
static int same_content(const std::string &a, const std::string &b)
{
    static std::array<char, 65536> x, y;
    std::FILE *fa = open_regular(a.c_str()), *fb = open_regular(b.c_str());
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

int copy_stream(std::FILE *from, std::FILE *to, std::uint64_t &copied, std::uint64_t *hash)
{
    static std::array<unsigned char, 65536> chunk;
    for (;;) {
        std::size_t got = std::fread(chunk.data(), 1, chunk.size(), from);
        std::size_t put = to ? std::fwrite(chunk.data(), 1, got, to) : got;
        copied += put;
        for (std::size_t k = 0; hash && k < put; k++) // FNV-1a: a change of any byte shows
            *hash = (*hash ^ chunk[k]) * 0x100000001B3u;
        if (put != got || std::ferror(from))
            return 0;
        if (got < chunk.size())
            return 1;
    }
}

// 1 = name, a new file beside near, holds what old holds: a hard link where the file system
// allows one, else a copy with old's permission bits.
static int second_name(const std::string &old, const char *near, std::string &name)
{
    if (link_beside(old, near, name))
        return 1;
    temp_file b;
    if (!create_temp_beside(near, 0, b, true))
        return 0;
    std::FILE *from = open_regular(old.c_str());
    std::uint64_t copied = 0;
    int ok = from && copy_mode(old, b.f) && copy_stream(from, b.f, copied);
    if (from)
        std::fclose(from);
    name = b.name;
    if (!ok)
        discard_temp(b);
    return ok && finish_temp(b);
}

bool backup_kept = false, orig_kept = false;

// 1 = orig was made, or there is an entry of that name already (even a dangling link), which is
// never touched.
static int keep_orig(const std::string &old, const char *orig)
{
    std::error_code ec;
    if (!orig || fs::symlink_status(orig, ec).type() != fs::file_type::not_found)
        return 1;
    std::string name;
    if (!second_name(old, orig, name))
        return 0;
    orig_kept = rename_new(name, orig);
    if (!orig_kept)
        std::remove(name.c_str());
    return orig_kept;
}

// Undoes the steps taken, the last first, so that a failure leaves every file as it was: the
// backup made is removed (made) or the older one put back over it, an orig made removed, t too.
static replaced undo(temp_file &t, replaced why, const char *orig, const char *backup,
                     const std::string &made, const std::string &older)
{
    if (!older.empty())
        rename_over(older, backup);
    else if (!made.empty())
        std::remove(made.c_str());
    if (orig_kept)
        std::remove(orig);
    orig_kept = false;
    discard_temp(t);
    return why;
}

replaced replace_keeping(temp_file &t, const char *backup, const char *orig)
{
    backup_kept = orig_kept = false;
    std::error_code ec;
    if (fs::status(t.target, ec).type() == fs::file_type::not_found || !backup)
        return replace_file(t) ? replaced::done : replaced::failed;
    if (same_content(t.target, t.name)) { // a save that changes nothing touches nothing
        discard_temp(t);
        return replaced::done;
    }
    if (!wait_replaceable(t.target))
        return undo(t, replaced::failed, orig, backup, "", "");
    if (!keep_orig(t.target, orig))
        return undo(t, replaced::orig_failed, orig, backup, "", "");
    // the backup under a name of its own first, and the older one moved aside until the
    // replacement is done
    const replaced no_backup = replaced::backup_failed;
    std::string made, older;
    if (fs::is_directory(fs::symlink_status(backup, ec)) || !second_name(t.target, backup, made))
        return undo(t, no_backup, orig, backup, "", "");
    if (fs::symlink_status(backup, ec).type() != fs::file_type::not_found) {
        temp_file o;
        if (!create_temp_beside(backup, 0, o, true))
            return undo(t, no_backup, orig, backup, made, "");
        std::fclose(o.f);
        if (!rename_over(backup, o.name)) {
            std::remove(o.name.c_str());
            return undo(t, no_backup, orig, backup, made, "");
        }
        older = o.name;
    }
    if (!rename_over(made, backup)) {
        std::remove(made.c_str());
        return undo(t, no_backup, orig, backup, "", older);
    }
    if (!replace_target(t.name, t.target))
        return undo(t, replaced::failed, orig, backup, backup, older);
    if (!older.empty())
        std::remove(older.c_str());
    backup_kept = true;
    return replaced::done;
}

void discard_temp(temp_file &t)
{
    if (t.f)
        std::fclose(t.f);
    t.f = nullptr;
    std::remove(t.name.c_str());
}
