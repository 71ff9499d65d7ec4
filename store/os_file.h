// store/os_file.h - the platform seam: replacing a user's file so that it changes completely or
// not at all. A new file is written beside the target, flushed to the disk, then renamed over it.
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

// One program at a time in a folder: 1 = this process holds the lock named name (or none can be
// made there, nor by another); 0 = another process holds it. The lock dies with its process.
int lock_folder(const char *name);
void unlock_folder(); // and no file of the lock is left

// Closes and removes the temporary file after a failure.
void discard_temp(temp_file &t);

#endif
