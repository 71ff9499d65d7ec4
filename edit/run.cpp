// edit/run.cpp - the editor's loop: the console shows the picture of the state and hands every
// key, click, paste and resize to it, until the user quits. The loop also keeps the recovery
// file: written two seconds after the first change it does not hold, and at once when the editor
// is ended; and once the screen is gone it says in a line how the editor ended.
#include "edit/console.h"

#include <chrono>
#include <cstdint>

#include "cli/logerror.h"
#include "text/text.h"

constexpr int recovery_pause_ms = 2000; // one write in two seconds, not one a key
constexpr const char *lock_name = "vellumix-edit.lock";

std::int64_t clock_ms()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

namespace
{

struct recovery_timer {
    std::int64_t due = -1; // when the recovery file is to be written; -1: nothing to write
    bool on_disk = false;  // it holds changes of this session (or restored ones)
};

} // namespace

// Writes the recovery file when there is anything unsaved, removes it when there is not:
// true = it holds the unsaved changes now.
static bool keep_recovery(edit_state &s, recovery_timer &r)
{
    r.due = -1;
    if (!unsaved(s)) {
        if (r.on_disk)
            remove_recovery();
        r.on_disk = false;
        return false;
    }
    std::string error;
    if (write_recovery(error))
        return r.on_disk = true;
    s.status = "Recovery file could not be written: " + error + "."; // editing goes on
    return false;
}

static void to_clipboard(edit_state &s)
{
    clip_result r = console_copy_text(s.to_clipboard);
    s.status = formatted(r == clip_sent     ? "Level %d sent to the terminal's clipboard as text."
                         : r == clip_copied ? "Level %d copied to the clipboard as text."
                                            : "Level %d could not be put on the clipboard.",
                         s.level);
    s.to_clipboard.clear();
}

// One line once the screen is gone: the levels saved, and the changes not saved, where they are.
static void say_how_it_ended(const edit_state &s, const std::array<tb_level_entry, 31> &loaded,
                             bool kept, const std::string &error)
{
    std::vector<int> saved, not_saved;
    for (int i = 1; i <= last_level(); i++) {
        if (!same_level(loaded[i], s.saved_levels[i]))
            saved.push_back(i);
        if (level_unsaved(s, i))
            not_saved.push_back(i);
    }
    std::string line;
    if (!saved.empty())
        line = "Saved " + levels_named(saved) + " to " + prg_name + ".";
    if (!not_saved.empty())
        line +=
            std::string(line.empty() ? "" : " ") + "Not saved: the changes to " +
            levels_named(not_saved) +
            (kept ? formatted(" are kept in %s.bak.", recovery_name)
                  : formatted(" could not be kept in %s.bak: %s.", recovery_name, error.c_str()));
    if (!line.empty())
        logerror("%s\n", line.c_str());
}

bool edit_levels()
{
    // two editors in one folder would share the recovery file, and undo each other's saves
    const lock_result lock = lock_folder(lock_name);
    if (lock == lock_result::busy || lock == lock_result::in_the_way) {
        if (lock == lock_result::busy)
            report_error(true, "Another vellumix -edit is open in this folder");
        else
            report_error(true, "'%s' is no lock of the editor's: remove it to edit here",
                         lock_name);
        return false;
    }
    edit_state s;
    edit_start(s);
    const std::array<tb_level_entry, 31> loaded = s.saved_levels;
    if (!console_open(s.width, s.height)) {
        unlock_folder();
        report_error(true, "The console could not be set up for -edit");
        return false;
    }
    s.width = clamped_size(s.width);
    s.height = clamped_size(s.height);
    s.unicode = console_unicode();
    offer_recovery(s);
    if (lock == lock_result::none) // said once, and editing goes on
        s.status = "This folder cannot be locked: another vellumix -edit may open it too." +
                   (s.status.empty() ? "" : " " + s.status);
    // the screen is up: a message now would scribble over it, and the status line tells all
    std::string stray;
    std::string *was = log_capture;
    log_capture = &stray;
    recovery_timer timer;
    grid g;
    key k;
    for (;;) {
        g.width = s.width;
        g.height = s.height;
        draw(s, g);
        console_show(g);
        std::int64_t wait = -1;
        if (timer.due >= 0)
            wait = timer.due > clock_ms() ? timer.due - clock_ms() : 0;
        k = console_read(static_cast<int>(wait));
        if (k.code == key_none || k.code == key_hangup)
            break;
        if (k.code == key_timeout) {
            if (timer.due >= 0 && clock_ms() >= timer.due)
                keep_recovery(s, timer);
            continue;
        }
        const bool restoring = s.mode == edit_mode::restore;
        // steady work delays the write no further than the first change it does not hold
        if (apply_key(s, k) && timer.due < 0)
            timer.due = clock_ms() + recovery_pause_ms;
        if (restoring && s.mode != edit_mode::restore)
            timer.on_disk = unsaved(s); // restored: the file holds these changes already
        if (!s.to_clipboard.empty())
            to_clipboard(s);
        if (s.quit) // saved, or the changes dropped with q, n: kept aside below
            break;
        if ((!unsaved(s) && timer.on_disk) || (timer.due >= 0 && clock_ms() >= timer.due))
            keep_recovery(s, timer); // saved or undone back to what the file holds, or due
    }
    // ended from outside, or the console gone: the changes go to the recovery file first; quit
    // without saving, they are kept as its .bak, as declining a restore keeps them
    std::string error;
    const bool kept = s.quit ? unsaved(s) && keep_unsaved(error) : keep_recovery(s, timer);
    if (s.quit && !unsaved(s) && timer.on_disk)
        remove_recovery();
    console_close();
    unlock_folder();
    log_capture = was;
    if (s.quit) {
        say_how_it_ended(s, loaded, kept, error);
        return true;
    }
    const char *what = k.code == key_hangup ? "The editor was ended" : "The console was lost";
    if (kept)
        report_error(true, "%s: the unsaved changes are kept in %s", what, recovery_name);
    else if (unsaved(s))
        report_error(true, "%s: changes since the last save are not saved", what);
    else
        report_error(true, "%s", what);
    return false;
}
