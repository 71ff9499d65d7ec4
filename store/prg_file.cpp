// store/prg_file.cpp - the program image file, read whole into file_data and written back whole.
#include "store/store.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <string>

#include "cli/logerror.h"
#include "store/os_file.h"

std::uint8_t *file_data = nullptr;
std::uint32_t levels_table = 0;
std::uint16_t nb_levels = 0;

std::uint32_t load_file(const char *path, std::uint32_t size, std::uint8_t *buffer)
{
    std::FILE *f = open_regular(path);
    if (!f) { // a pipe or a device is no file to read, and waiting on it would hang the run
        report_error(false,
                     errno == ENOENT ? "File '%s' not found"
                                     : "File '%s' not found or read protected",
                     path);
        return 0;
    }
    std::uint32_t count = 0;
    if (std::fseek(f, 0, SEEK_SET) == 0)
        count = static_cast<std::uint32_t>(std::fread(buffer, 1, size, f));
    std::fclose(f);
    if (count != size) // an empty file included: it is a short read like any other
        report_error(true, "Only 0x%08X bytes were read", count);
    return count;
}

// Appends what the old file holds past size, so that a longer file loses nothing: from the file
// replaced, or from tail when given. copied is what reached to; 1 = all of it.
static int copy_tail(const char *path, std::uint32_t size, const prg_tail *tail, std::FILE *to,
                     tail_sum &copied)
{
    if (tail && !tail->from) // the file was loaded without one
        return tail->sum.size == 0;
    std::FILE *from = tail ? tail->from : open_regular(path);
    if (!from) // no old file has no tail; one that cannot be opened may have one
        return !tail && errno == ENOENT;
    long at = tail ? tail->at : static_cast<long>(size);
    int ok =
        std::fseek(from, at, SEEK_SET) == 0 && copy_stream(from, to, copied.size, &copied.hash);
    if (!tail)
        std::fclose(from);
    return ok;
}

std::uint32_t save_file(const char *path, std::uint32_t size, const std::uint8_t *buffer,
                        const prg_tail *tail)
{
    temp_file t;
    if (!create_temp_beside(path, 0, t)) {
        report_error(false, "File '%s' not found or read protected", path);
        return 0;
    }
    // unbuffered, so that the count fwrite returns is what truly reached the file
    std::setvbuf(t.f, nullptr, _IONBF, 0);
    std::uint64_t written = std::fwrite(buffer, 1, size, t.f);
    tail_sum copied;
    int ok = written == size && copy_tail(t.target.c_str(), size, tail, t.f, copied);
    written += copied.size;
    if (ok && tail && !same_tail(copied, tail->sum)) { // never an image with another's tail
        discard_temp(t);
        report_error(true, "File '%s' changed past its levels since it was read", path);
        return 0;
    }
    if (!ok) {
        discard_temp(t);
    } else if (!finish_temp(t)) {
        ok = 0;
        written = 0; // nothing can be vouched for once the flush to the disk failed
    } else {
        const std::string backup = std::string(path) + ".bak", orig = std::string(path) + ".orig";
        replaced r = replace_keeping(t, backup.c_str(), orig.c_str());
        if (r == replaced::orig_failed || r == replaced::backup_failed)
            report_error(true, "Backup file '%s' could not be written",
                         (r == replaced::orig_failed ? orig : backup).c_str());
        else if (r == replaced::failed)
            report_error(false, "File '%s' not found or read protected", path);
        if (r != replaced::done)
            return 0;
    }
    if (!ok) {
        report_error(true, "Only 0x%08X bytes were written",
                     static_cast<unsigned>(written > 0xFFFFFFFFu ? 0xFFFFFFFFu : written));
        return 0;
    }
    return size;
}

int read_prg_file(const char *path, std::string &image, tail_sum &tail, std::FILE *copy)
{
    image.assign(prg_size, '\0');
    tail = tail_sum{};
    std::FILE *f = open_regular(path);
    if (!f)
        return 0;
    image.resize(std::fread(image.data(), 1, image.size(), f));
    int ok = !std::ferror(f) && copy_stream(f, copy, tail.size, &tail.hash);
    std::fclose(f);
    return ok;
}

int read_whole_file(const char *path, std::string &bytes)
{
    bytes.clear();
    std::FILE *f = open_regular(path); // a pipe of that name is never waited on
    if (!f)
        return 0;
    std::array<char, 65536> chunk;
    std::size_t got;
    while ((got = std::fread(chunk.data(), 1, chunk.size(), f)) > 0)
        bytes.append(chunk.data(), got);
    int ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

int load_prg()
{
    std::uint32_t count = load_file(prg_name, prg_size, file_data);
    if (count == prg_size) {
        levels_table = prg_levels_table;
        nb_levels = prg_nb_levels;
        logerror("0x%08X bytes read.\n", count);
        logerror("Levels table stored at address 0x%08X.\n", levels_table);
        logerror("%d levels found.\n", nb_levels);
        return 1;
    }
    return 0;
}

int save_prg(const prg_tail *tail)
{
    logerror("Writing PRG file ... ");
    if (save_file(prg_name, prg_size, file_data, tail) != prg_size)
        return 0;
    logerror("0x%08X bytes written.\n", prg_size);
    return 1;
}
