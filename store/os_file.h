// store/os_file.h - the file seam: replacing a user's file so that it changes completely or not
// at all. A new file is written beside the target, flushed to the disk, then renamed over it.
// Only regular files are read or replaced: a pipe or a device of the name is never opened in a
// way that waits, nor written through. os_file.cpp holds what every system shares; os_posix.cpp
// and os_win.cpp, one of which the build picks, the primitives below it.
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
// 0 = nothing was created: target is no regular file, may not be written, or its directory
// takes no new file. own_entry: target is a name of the current folder that the file will
// replace itself, a link or not (a backup); its permissions are not looked at.
int create_temp_beside(const char *target, int text, temp_file &t, bool own_entry = false);

// 1 = everything written reached the disk and the file is closed; 0 = it is removed again.
int finish_temp(temp_file &t);

// 1 = the finished file has taken target's place; 0 = it is removed and target is untouched.
int replace_file(temp_file &t);

// Replaces t's target as replace_file does, keeping what it holds now as backup (when not null)
// and, when no entry of that name is there at all, as orig, which is never written again: each a
// file of its own in the current folder, a hard link where the file system allows one, else a
// copy with the old file's permission bits, in place before the target is replaced. A target
// that holds what t holds is left as it is, and so are both backups. Whatever fails, every file
// is left as it was and t is removed: an older backup is replaced only once the save went through.
enum class replaced { done, orig_failed, backup_failed, failed };
replaced replace_keeping(temp_file &t, const char *backup, const char *orig);
extern bool backup_kept, orig_kept; // what the last replace_keeping put in place

// Renames from to to, replacing a file of that name: 1 = done; 0 = both stay as they were.
int move_file(const char *from, const char *to);

// Opens path for reading, in binary mode, only when it is a regular file (a link followed),
// without ever waiting for a writer or a device: the file opened is what is checked. nullptr:
// it is not one, or could not be opened; errno is then ENOENT when there is nothing of that name.
std::FILE *open_regular(const char *path);

// A file with no name in the folder (or none that outlives it), for scratch data: open for
// writing and reading, gone when closed or when the process ends. nullptr: none could be made.
std::FILE *open_unnamed_temp();

// Copies what from holds from where it stands to its end into to (nowhere when null): 1 = all of
// it; copied counts the bytes that reached to either way, and hash (when not null) sums them.
int copy_stream(std::FILE *from, std::FILE *to, std::uint64_t &copied,
                std::uint64_t *hash = nullptr);

// Closes and removes the temporary file after a failure.
void discard_temp(temp_file &t);

// From now on an interrupt (Ctrl-C, SIGTERM, a closed window) removes the temporary files of
// this run before the run ends as it would have. For a run that has no handlers of its own.
void remove_temps_on_interrupt();

// ---- what each system's file provides to the rest

std::string directory_of(const std::string &path); // ".", for a bare file name
int flush_to_disk(std::FILE *f);                   // 1 = what f wrote is on the disk
// 1 = from has replaced to, or taken its name where there was none; 0 = both as they were.
// Windows waits a little for a program that holds either open.
int rename_over(const std::string &from, const std::string &to);
// The same for a finished file taking its target's place; Windows keeps the target's attributes
// and access rights.
int replace_target(const std::string &from, const std::string &target);
// 1 = from is now named to, where nothing was; 0 = both as they were (to may be there).
int rename_new(const std::string &from, const std::string &to);
// 1 = name is a new, unused name beside near, and a second name of old (a hard link).
int link_beside(const std::string &old, const std::string &near, std::string &name);
// 1 = target may be replaced now; Windows waits a little for a program that holds it open.
int wait_replaceable(const std::string &target);
int copy_mode(const std::string &from, std::FILE *to); // 1 = to has from's permission bits

#endif
