// edit/recovery.cpp - the unsaved changes kept beside the program file, so that a closed window,
// a dropped connection or a killed editor loses at most the last moments of work. The file is
// what -savelvl writes for the levels: a person can read it, check it, and load it by hand. Only
// a plain file of that name is ever read, written or removed: never a link, a pipe or a device.
#include "edit/state.h"

#include <filesystem>
#include <system_error>

#include "cli/logerror.h"
#include "store/os_file.h"
#include "text/text.h"

// What stands at a path: a link or a pipe of the recovery file's name is none of ours.
enum class found { plain, nothing, other };
static found found_at(const char *path)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::file_type type = fs::symlink_status(path, ec).type();
    return type == fs::file_type::not_found ? found::nothing
           : type == fs::file_type::regular ? found::plain
                                            : found::other;
}

// A file of an earlier session that could not be put aside: this one never writes over it.
static bool left_alone = false;

bool write_recovery(std::string &error)
{
    if (found_at(recovery_name) == found::other || left_alone) {
        error = formatted(left_alone ? "%s is an earlier session's: it stays as it is"
                                     : "%s is not a plain file",
                          recovery_name);
        return false;
    }
    std::string muted;
    std::string *was = log_capture;
    log_capture = &muted; // the screen is up: the status line tells
    clear_errors();
    int ok = save_levels_file(recovery_name, 0, 0);
    log_capture = was;
    if (!ok)
        error = errors_reported.empty() ? "unknown error" : errors_reported.front();
    return ok;
}

void remove_recovery()
{
    if (found_at(recovery_name) == found::plain)
        std::remove(recovery_name);
}

static const std::string backup_name = std::string(recovery_name) + ".bak";

// Declined, holding no level, or not readable: kept beside, out of the way of the next start
// and of this session's writes. why: what the file was, or nullptr when declined.
static void keep_as_backup(edit_state &s, const char *why)
{
    if (!move_file(recovery_name, backup_name.c_str())) {
        left_alone = true;
        s.status = formatted("%s could not be renamed: it stays as it is.", recovery_name);
    } else if (why) {
        s.status = formatted("%s %s: kept as %s.", recovery_name, why, backup_name.c_str());
    } else {
        s.status = formatted("The earlier changes are kept in %s.", backup_name.c_str());
    }
}

bool keep_unsaved(std::string &error)
{
    if (!write_recovery(error))
        return false;
    if (move_file(recovery_name, backup_name.c_str()))
        return true;
    error = formatted("%s could not be renamed", recovery_name);
    return false;
}

static void count_rows(const read_event &event, void *rows)
{
    *static_cast<int *>(rows) += event.what == read_what::piece && event.code == line_row;
}

void offer_recovery(edit_state &s)
{
    left_alone = false;
    if (found_at(recovery_name) != found::plain) // a link or a pipe of that name is none of ours
        return;
    int rows = 0;
    s.recovered = tb_level;
    std::FILE *f = open_regular(recovery_name);
    const int read = f && read_levels_text(f, s.recovered, count_rows, &rows);
    if (f)
        std::fclose(f);
    if (!read) // never written over by this session, whatever it holds
        return keep_as_backup(s, "could not be read");
    if (rows < nb_rows) // not one whole level: nothing to offer, but nothing is thrown away
        return keep_as_backup(s, "held no level");
    std::vector<int> changed;
    for (int i = 1; i <= last_level(); i++)
        if (!same_level(s.recovered[i], tb_level[i]))
            changed.push_back(i);
    if (changed.empty()) {
        remove_recovery();
        return;
    }
    s.mode = edit_mode::restore;
    s.status = formatted("%s holds an earlier session's unsaved changes to %s. Restore them? (y/n)",
                         recovery_name, levels_named(changed).c_str());
}

bool answer_recovery(edit_state &s, bool restore)
{
    if (!restore) {
        keep_as_backup(s, nullptr);
        return false;
    }
    const std::array<tb_level_entry, 31> before = tb_level;
    // the image may have changed since: a list its record no longer holds stays as it is now
    std::vector<int> kept;
    std::string note;
    for (int i = 1; i <= last_level(); i++) {
        tb_level_entry &e = tb_level[i];
        copy_level(e, s.recovered[i]);
        int emptied = 0;
        room_state room = keep_level_rules(e, i, emptied);
        if (room == room_state::over) {
            e.nb_colors = before[i].nb_colors;
            e.colors = before[i].colors;
            room = keep_level_rules(e, i, emptied); // the file's random cells may have none now
            kept.push_back(i);
        }
        if (room == room_state::shrinks && e.nb_colors != before[i].nb_colors)
            note = room_note(i);
    }
    const bool one = kept.size() == 1;
    s.status = !kept.empty()
                   ? formatted("Restored the unsaved changes; %s keep%s %s random colors, "
                               "as the file's do not fit%s.",
                               levels_named(kept).c_str(), one ? "s" : "", one ? "its" : "their",
                               one ? " its record" : "")
               : note.empty() ? "Restored the unsaved changes: save with s."
                              : note;
    return commit_levels(s, before, action::restore);
}
