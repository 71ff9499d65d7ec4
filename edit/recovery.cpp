// edit/recovery.cpp - the unsaved changes kept beside the program file, so that a closed window,
// a dropped connection or a killed editor loses at most the last moments of work. The file is
// what -savelvl writes for the levels: a person can read it, check it, and load it by hand.
#include "edit/state.h"

#include <filesystem>
#include <system_error>

#include "cli/logerror.h"
#include "store/os_file.h"
#include "text/text.h"

// What the text file's functions said went wrong, without their "ERROR ! " and " !".
static std::string reason(const std::string &captured)
{
    std::size_t from = captured.find("ERROR ! ");
    if (from == std::string::npos)
        return "unknown error";
    from += 8;
    std::size_t end = captured.find(" !", from);
    return captured.substr(from, end == std::string::npos ? end : end - from);
}

int write_recovery(std::string &error)
{
    std::string captured;
    std::string *was = log_capture;
    log_capture = &captured; // the screen is up: the status line tells
    int ok = save_levels_file(recovery_name, 0, 0);
    log_capture = was;
    if (!ok)
        error = reason(captured);
    return ok;
}

void remove_recovery() { std::remove(recovery_name); }

// Only "no such file" means there is none: a file that cannot be looked at may hold changes. A
// directory of that name holds none; writing the file there will say so.
bool recovery_exists()
{
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::file_type type = fs::status(recovery_name, ec).type();
    return type != fs::file_type::not_found && type != fs::file_type::directory;
}

int answer_recovery(edit_state &s, bool restore)
{
    const std::string backup = std::string(recovery_name) + ".bak";
    if (!restore) {
        s.status = move_file(recovery_name, backup.c_str())
                       ? formatted("The earlier changes are kept in %s.", backup.c_str())
                       : formatted("%s could not be renamed: it stays as it is.", recovery_name);
        return 0;
    }
    const std::array<tb_level_entry, 31> before = tb_level;
    std::string captured;
    std::string *was = log_capture;
    log_capture = &captured;
    int ok = text_to_tb_level(recovery_name);
    log_capture = was;
    if (!ok) {
        s.status = "Not restored: " + reason(captured) + ".";
        return 0;
    }
    // the image may have changed since: a list its record no longer holds stays as it is now
    std::string kept;
    for (int i = 1; i <= last_level(); i++) {
        tb_level_entry &e = tb_level[i];
        if (e.nb_colors <= record_room[i])
            continue;
        e.nb_colors = before[i].nb_colors;
        e.colors = before[i].colors;
        if (e.nb_colors == 0)
            replace_code(e, code_random, code_empty);
        kept += (kept.empty() ? "" : ", ") + std::to_string(i);
    }
    s.status = "Restored the unsaved changes: save with s.";
    const bool one = kept.find(',') == std::string::npos;
    if (!kept.empty())
        s.status += formatted(" Level%s %s keep%s %s random colors from %s: the file's do not "
                              "fit %s.",
                              one ? "" : "s", kept.c_str(), one ? "s" : "", one ? "its" : "their",
                              prg_name, one ? "its record" : "their records");
    return commit_levels(s, before, action::restore);
}
