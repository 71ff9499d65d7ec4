// store/os_file.h - the file seam: replacing a user's file so that it changes completely or not
// at all. A new file is written beside the target, flushed to the disk, then renamed over it.
// os_file.cpp holds what every system shares; os_posix.cpp and os_win.cpp, one of which the
// build picks, the primitives below it.
#ifndef STORE_OS_FILE_H
#define STORE_OS_FILE_H

#include <cstdint>
#include <cstdio>
#include <string>

struct temp_file {
    std::FILE *f = nullptr;
    std::string name;   // the temporary file, beside target
    std::string target; // the file to replace, a symbolic link followed to the file it names
};

// 1 = a new, uniquely named file beside target is open for writing (text = 1: text mode, so
// Windows gets its own line ending), with target's permission bits when it exists;
// 0 = nothing was created: target may not be written, or its directory takes no new file.
int create_temp_beside(const char *target, int text, temp_file &t);

// 1 = everything written reached the disk and the file is closed; 0 = it is removed again.
int finish_temp(temp_file &t);

// 1 = the finished file has taken target's place; 0 = it is removed and target is untouched.
int replace_file(temp_file &t);

// Keeps what target holds now as backup, before t replaces it: a hard link where the file system
// allows one, else a copy written as t was, with target's permission bits. 1 = kept, or nothing
// to keep (no target, or one that holds what t holds: an older backup then stays); 0 = it could
// not be put in place, and t is removed, so that nothing is replaced without its backup.
int keep_backup(temp_file &t, const char *backup);
extern bool backup_kept; // the last keep_backup put the old file in place as the backup

// Renames from to to, replacing a file of that name: 1 = done; 0 = both stay as they were.
int move_file(const char *from, const char *to);

// Copies what from holds from where it stands to its end into to: 1 = all of it; copied counts
// the bytes that reached to either way.
int copy_stream(std::FILE *from, std::FILE *to, std::uint64_t &copied);

// Closes and removes the temporary file after a failure.
void discard_temp(temp_file &t);

// ---- what each system's file provides to the rest

std::string directory_of(const std::string &path); // ".", for a bare file name
int flush_to_disk(std::FILE *f);                   // 1 = what f wrote is on the disk
int rename_over(const temp_file &t); // 1 = t.name has replaced t.target; 0 = both as they were
// 1 = backup is now a second name of old (a hard link), put in place in one step
int link_as(const std::string &old, const std::string &backup);
int copy_mode(const std::string &from, std::FILE *to); // 1 = to has from's permission bits

#endif
