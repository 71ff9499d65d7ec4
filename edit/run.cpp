// edit/run.cpp - the editor's loop: the console shows the picture of the state and hands every
// key, click, paste and resize to it, until the user quits. The loop also keeps the recovery
// file: written two seconds after the last change, and at once when the editor is ended.
#include "edit/console.h"

#include <chrono>
#include <cstdint>

#include "cli/logerror.h"

constexpr int recovery_pause_ms = 2000; // one write a pause, not one a key
constexpr const char *lock_name = "vellumix-edit.lock";

static std::int64_t now_ms()
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
// 1 = it holds the unsaved changes now.
static int keep_recovery(edit_state &s, recovery_timer &r)
{
    r.due = -1;
    if (!unsaved(s)) {
        if (r.on_disk)
            remove_recovery();
        r.on_disk = false;
        return 0;
    }
    std::string error;
    if (write_recovery(error))
        return r.on_disk = true;
    s.status = "Recovery file could not be written: " + error + "."; // editing goes on
    return 0;
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

int edit_levels()
{
    // two editors in one folder would share the recovery file, and undo each other's saves
    const lock_result lock = lock_folder(lock_name);
    if (lock == lock_result::busy || lock == lock_result::in_the_way) {
        logerror(lock == lock_result::busy
                     ? "\nERROR ! Another vellumix -edit is open in this folder !\n"
                     : "\nERROR ! '%s' is no lock of the editor's: remove it to edit here !\n",
                 lock_name);
        return 0;
    }
    edit_state s;
    edit_start(s);
    if (!console_open(s.width, s.height)) {
        unlock_folder();
        logerror("\nERROR ! The console could not be set up for -edit !\n");
        return 0;
    }
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
            wait = timer.due > now_ms() ? timer.due - now_ms() : 0;
        k = console_read(static_cast<int>(wait));
        if (k.code == key_none || k.code == key_hangup)
            break;
        if (k.code == key_timeout) {
            if (timer.due >= 0 && now_ms() >= timer.due)
                keep_recovery(s, timer);
            continue;
        }
        const bool restoring = s.mode == edit_mode::restore;
        if (apply_key(s, k))
            timer.due = now_ms() + recovery_pause_ms;
        if (restoring && s.mode != edit_mode::restore)
            timer.on_disk = unsaved(s); // restored: the file holds these changes already
        if (!s.to_clipboard.empty())
            to_clipboard(s);
        if (s.quit) { // saved, or the changes dropped with q, n
            if (timer.on_disk)
                remove_recovery();
            break;
        }
        if (!unsaved(s) && timer.on_disk) // saved, or undone back to what the file holds
            keep_recovery(s, timer);
    }
    // ended from outside, or the console gone: the changes go to the recovery file first
    const bool kept = !s.quit && keep_recovery(s, timer);
    console_close();
    unlock_folder();
    log_capture = was;
    if (s.quit)
        return 1;
    const char *what = k.code == key_hangup ? "The editor was ended" : "The console was lost";
    if (kept)
        logerror("\nERROR ! %s: the unsaved changes are kept in %s !\n", what, recovery_name);
    else if (unsaved(s))
        logerror("\nERROR ! %s: changes since the last save are not saved !\n", what);
    else
        logerror("\nERROR ! %s !\n", what);
    return 0;
}
