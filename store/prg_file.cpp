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
    std::FILE *f = std::fopen(path, "rb");
    if (!f) {
        logerror("\nERROR ! File '%s' not found !", path);
        return 0;
    }
    std::uint32_t count = 0;
    if (std::fseek(f, 0, SEEK_SET) == 0)
        count = static_cast<std::uint32_t>(std::fread(buffer, 1, size, f));
    std::fclose(f);
    if (count != size) // an empty file included: it is a short read like any other
        logerror("\nERROR ! Only 0x%08X bytes were read !\n", count);
    return count;
}

// Appends what the old file holds past size, so that a longer file loses nothing.
// Returns the number of bytes appended; ok = 0 when they could not all be copied.
static std::uint64_t copy_tail(const char *path, std::uint32_t size, std::FILE *to, int &ok)
{
    std::uint64_t copied = 0;
    ok = 1;
    std::FILE *from = std::fopen(path, "rb");
    if (!from) { // no old file has no tail; one that cannot be opened may have one
        ok = errno == ENOENT;
        return 0;
    }
    ok = std::fseek(from, static_cast<long>(size), SEEK_SET) == 0 && copy_stream(from, to, copied);
    std::fclose(from);
    return copied;
}

std::uint32_t save_file(const char *path, std::uint32_t size, const std::uint8_t *buffer)
{
    temp_file t;
    if (!create_temp_beside(path, 0, t)) {
        logerror("\nERROR ! File '%s' not found or read protected !", path);
        return 0;
    }
    // unbuffered, so that the count fwrite returns is what truly reached the file
    std::setvbuf(t.f, nullptr, _IONBF, 0);
    std::uint64_t written = std::fwrite(buffer, 1, size, t.f);
    int ok = written == size;
    if (ok)
        written += copy_tail(t.target.c_str(), size, t.f, ok);
    if (!ok) {
        discard_temp(t);
    } else if (!finish_temp(t)) {
        ok = 0;
        written = 0; // nothing can be vouched for once the flush to the disk failed
    } else if (!keep_backup(t, (std::string(path) + ".bak").c_str())) {
        logerror("\nERROR ! Backup file '%s.bak' could not be written !\n", path);
        return 0;
    } else if (!replace_file(t)) {
        logerror("\nERROR ! File '%s' not found or read protected !", path);
        return 0;
    }
    if (!ok) {
        logerror("\nERROR ! Only 0x%08X bytes were written !\n",
                 static_cast<unsigned>(written > 0xFFFFFFFFu ? 0xFFFFFFFFu : written));
        return 0;
    }
    return size;
}

int read_whole_file(const char *path, std::string &bytes)
{
    bytes.clear();
    std::FILE *f = std::fopen(path, "rb");
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

int save_prg()
{
    logerror("Writing PRG file ... ");
    if (save_file(prg_name, prg_size, file_data) != prg_size)
        return 0;
    logerror("0x%08X bytes written.\n", prg_size);
    return 1;
}
