// edit/editor.cpp - the dispatcher: a key goes to the question asked, else to the keys that
// every mode shares (undo, redo, save, quit, help), else to the mode's own handler. Saving and
// quitting, with their questions, live here; the handlers never call back.
#include "edit/state.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "cli/logerror.h"
#include "store/os_file.h"
#include "text/text.h"

// ---- KR_PROG.PRG on disk, as this run last read or wrote it, to tell another program's change:
// its image, and what it holds past it known by a sum. That tail itself stays out of memory: the
// saves write it from a copy made at the start (or, failing that, the file as loaded, held open),
// so that an image saved over another program's file never goes with that file's tail.

static std::string prg_known;
static tail_sum prg_known_tail;
static bool prg_known_there = false;
static prg_tail loaded_tail;

static void keep_loaded_tail()
{
    if (loaded_tail.from)
        std::fclose(loaded_tail.from);
    prg_known_there = read_prg_file(prg_name, prg_known, prg_known_tail, nullptr);
    std::FILE *copy = prg_known_tail.size ? open_unnamed_temp() : nullptr;
    if (copy)
        prg_known_there = read_prg_file(prg_name, prg_known, prg_known_tail, copy);
    loaded_tail = {copy, 0, prg_known_tail};
    if (prg_known_tail.size && !copy) // no room for a copy: the save checks the file by its sum
        loaded_tail = {open_regular(prg_name), static_cast<long>(prg_size), prg_known_tail};
}

static disk_change prg_disk_state()
{
    std::string image;
    tail_sum tail;
    const int there = read_prg_file(prg_name, image, tail, nullptr);
    if (!there && errno == ENOENT)
        return prg_known_there ? disk_change::gone : disk_change::same;
    // a file that cannot be read is left to the save, which tells why
    const bool changed =
        there && (!prg_known_there || image != prg_known || !same_tail(tail, prg_known_tail));
    return changed ? disk_change::changed : disk_change::same;
}

// Runs work with its messages kept off the screen, which is the editor's: reason gets the
// errors it reported for the status line, in one line (": ...", or "." when it said none).
template <class Work> static bool caught(Work work, std::string &reason)
{
    std::string muted;
    std::string *was = log_capture;
    log_capture = &muted;
    clear_errors();
    const bool ok = work() != 0;
    log_capture = was;
    std::string errors;
    for (const std::string &error : errors_reported)
        errors += (errors.empty() ? " " : "; ") + error;
    // a failure that said nothing should not happen
    reason = errors.empty() ? "." : ":" + errors + ".";
    return ok;
}

// A write refused for want of a permission says whose: the file's, or the folder's, which
// takes no new file (the save writes one beside the old and renames it over).
static std::string not_saved(const std::string &reason)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::perms write =
        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    const fs::file_status prg = fs::status(prg_name, ec);
    if (fs::exists(prg) && (prg.permissions() & write) == fs::perms::none)
        return formatted("Not saved: %s is read-only.", prg_name);
    temp_file probe;
    if (!create_temp_beside("vellumix-probe", 0, probe))
        return "Not saved: this folder is read-only.";
    discard_temp(probe);
    return "Not saved" + reason;
}

// The encoder and the atomic save.
static bool save_levels(std::string &message)
{
    std::string reason;
    const bool encoded = caught(tb_level_to_data, reason);
    // the tail as loaded, or none when it had none: never the tail of another program's file
    if (encoded && caught([] { return save_prg(&loaded_tail); }, reason)) {
        message = formatted(!backup_kept ? "Saved to %s."
                            : orig_kept  ? "Saved to %s (the old file is %s.bak, and for good "
                                           "%s.orig)."
                                         : "Saved to %s (the old file is %s.bak).",
                            prg_name, prg_name, prg_name);
        // the file now holds the image, and the tail it was loaded with
        prg_known.assign(file_data, file_data + prg_size);
        prg_known_there = true;
        return true;
    }
    message = encoded ? not_saved(reason) : "Not saved" + reason;
    return false;
}

static bool update_text_file(const std::vector<int> &levels, std::string &error)
{
    return caught([&levels] { return update_levels_file(levels_file_name(0), levels); }, error);
}

// The console's size and what a test puts in place of the file's functions outlive the reset.
void edit_start(edit_state &s)
{
    edit_state fresh;
    fresh.hooks.save = s.hooks.save ? s.hooks.save : save_levels;
    fresh.hooks.disk_state = s.hooks.disk_state;
    fresh.hooks.text_levels = s.hooks.text_levels;
    if (!fresh.hooks.text_levels)
        fresh.hooks.text_levels = [](std::array<tb_level_entry, 31> &table) {
            return text_file_levels(levels_file_name(0), table) != 0;
        };
    fresh.hooks.save_text = s.hooks.save_text ? s.hooks.save_text : update_text_file;
    if (!fresh.hooks.disk_state) {
        fresh.hooks.disk_state = prg_disk_state;
        keep_loaded_tail();
    }
    fresh.width = s.width;
    fresh.height = s.height;
    fresh.unicode = s.unicode;
    const char *no_color = std::getenv("NO_COLOR");
    fresh.colors = s.colors && !(no_color && *no_color);
    fresh.saved_levels = tb_level;
    s = fresh;
}

// ---- saving and quitting: questions first, in the request line

// The levels this save changed that vellumix.lvl holds older, so that -saveprg would undo them:
// question.to_update; those of them the file had changed by hand (it differs from what the program
// file held before the save): question.own_edits.
static void find_older_levels(edit_state &s, const std::array<tb_level_entry, 31> &was)
{
    s.question.to_update.clear();
    s.question.own_edits.clear();
    std::array<tb_level_entry, 31> text = tb_level, text_before = was;
    if (s.question.text_left || !s.hooks.text_levels(text) || !s.hooks.text_levels(text_before))
        return;
    for (int i = 1; i <= last_level(); i++)
        if (!same_level(was[i], tb_level[i]) && !same_level(text[i], tb_level[i])) {
            s.question.to_update.push_back(i);
            if (!same_level(text_before[i], was[i]))
                s.question.own_edits.push_back(i);
        }
}

// A text file that -saveprg would read back over the save is not left to undo it unasked.
static void finish_save(edit_state &s)
{
    s.mode = s.question.back_to;
    if (!s.hooks.save(s.status)) {
        s.question.quit_after_save =
            false; // a failed save never loses the changes: the editor stays
        return;
    }
    const std::array<tb_level_entry, 31> was = s.saved_levels;
    s.saved_levels = tb_level;
    find_older_levels(s, was);
    if (!s.question.to_update.empty()) {
        const char *lvl = levels_file_name(0);
        const int n = static_cast<int>(s.question.to_update.size());
        const std::string older =
            n > 5 ? formatted("%d older levels", n) : "older " + levels_named(s.question.to_update);
        s.mode = edit_mode::update; // a quit waits for the answer
        s.status = formatted("%s holds %s: -saveprg would undo this save. Update %s in %s? (y/n)",
                             lvl, older.c_str(), n == 1 ? "it" : "them", lvl);
        return;
    }
    s.quit = s.question.quit_after_save;
}

// The save's own word stays with the answer's.
static void answer_update(edit_state &s, bool yes)
{
    const char *lvl = levels_file_name(0);
    std::string error;
    s.mode = s.question.back_to;
    if (yes &&
        !s.hooks.save_text(s.question.to_update, error)) { // the editor stays, so that this is read
        s.status = formatted("Saved to %s, but %s was not written", prg_name, lvl) + error;
        return;
    }
    const bool one = s.question.own_edits.size() == 1;
    const int nb_own =
        static_cast<int>(s.question.own_edits.size()); // past 4 counted, to fit 40 columns
    const std::string own =
        nb_own > 4 ? formatted("%d levels", nb_own) : levels_named(s.question.own_edits);
    if (!yes)
        s.status = formatted("Saved to %s; %s left as it was.", prg_name, lvl);
    else if (s.question.own_edits.empty())
        s.status = formatted("Saved to %s and %s.", prg_name, lvl);
    else
        s.status = formatted("Saved to %s and %s; %s's own edit%s of %s %s in %s.bak.", prg_name,
                             lvl, lvl, one ? "" : "s", own.c_str(), one ? "is" : "are", lvl);
    s.question.text_left = !yes;
    s.quit = s.question.quit_after_save;
}

// Another program's change to the file is not overwritten without a word.
static void request_save(edit_state &s, bool then_quit)
{
    if (s.mode == edit_mode::board || s.mode == edit_mode::overview)
        s.question.back_to = s.mode;
    s.question.quit_after_save = then_quit;
    const disk_change disk = s.hooks.disk_state();
    if (disk == disk_change::same) {
        finish_save(s);
        return;
    }
    s.mode = edit_mode::confirm;
    s.status = formatted(disk == disk_change::changed
                             ? "%s changed on disk since it was read. Save over it? (y/n)"
                             : "%s is no longer in the folder. Save it again? (y/n)",
                         prg_name);
}

// Quitting with nothing unsaved asks nothing: no question stands between a look and leaving.
static void ask_to_quit(edit_state &s)
{
    if (!unsaved(s)) {
        s.quit = true;
        return;
    }
    s.question.back_to = s.mode == edit_mode::overview ? edit_mode::overview : edit_mode::board;
    s.mode = edit_mode::asking;
    s.status = formatted("Save changes to %s? (y/n, Esc: stay)", prg_name);
}

static int yes_or_no(int code)
{
    return code == 'y' || code == 'Y' ? 1 : code == 'n' || code == 'N' ? 0 : -1;
}

// Each question takes y or n; Esc closes it as n would, but that it never quits.
static bool answer(edit_state &s, int code)
{
    int yes = yes_or_no(code);
    if (s.mode == edit_mode::restore) { // Esc keeps the file, as n does
        if (yes < 0 && code != key_escape)
            return false;
        s.mode = edit_mode::board;
        return answer_recovery(s, yes == 1);
    }
    if (s.mode == edit_mode::update) {
        if (yes >= 0 || code == key_escape)
            answer_update(s, yes == 1);
    } else if (yes == 1 && s.mode == edit_mode::asking)
        request_save(s, true);
    else if (yes == 1)
        finish_save(s);
    else if (yes == 0 && s.mode == edit_mode::asking)
        s.quit = true;
    else if (yes == 0 || code == key_escape) {
        s.status = s.mode == edit_mode::confirm ? "Not saved." : "";
        s.mode = s.question.back_to;
        s.question.quit_after_save = false;
    }
    return false;
}

// The keys that do the same on the board, in a box and in the overview: undo, redo, save, quit
// and help. true = code was one of them, changed = true when the levels changed.
static bool shared_key(edit_state &s, int code, bool &changed)
{
    changed = false;
    switch (code) {
    case 'u':
    case ctrl('z'):
        changed = undo_step(s, true);
        return true;
    case 'U':
    case ctrl('y'):
        changed = undo_step(s, false);
        return true;
    case 's':
    case ctrl('s'):
        request_save(s, false);
        return true;
    case 'q':
    case ctrl('c'):
        ask_to_quit(s);
        return true;
    case 'h':
    case key_f1:
        s.question.back_to = s.mode;
        s.mode = edit_mode::help;
        s.help_page = 0;
        return true;
    }
    return false;
}

// The wheel turns the pages too.
static void help_key(edit_state &s, int code)
{
    const bool next = code == key_page_down || code == ' ' || code == key_wheel_down,
               previous = code == key_page_up || code == key_wheel_up;
    if (next &&
        s.help_page + 1 < help_page_count(s.height, s.question.back_to == edit_mode::overview))
        s.help_page++;
    else if (previous && s.help_page > 0)
        s.help_page--;
    else if (!next && !previous)
        s.mode = s.question.back_to;
}

// While the window is too small nothing shows what a key would do: only leaving is allowed, and
// only when it loses nothing.
static void small_window_key(edit_state &s, int code)
{
    if ((code == 'q' || code == ctrl('c')) && !unsaved(s))
        s.quit = true;
}

// A paste is no key: where it is not taken as a level it changes nothing, and a question or a
// prompt stands on after the word that it was ignored.
static void ignore_paste(edit_state &s, const key &k)
{
    std::string word = k.code == key_paste_lost
                           ? "Paste ended without its end mark: nothing pasted."
                           : paste_ignored(k.text);
    if (word.empty())
        word = "Ignored a pasted level: paste it again on the board.";
    if (s.mode == edit_mode::help || s.mode == edit_mode::box) {
        s.status = word;
        return;
    }
    // the status is the question's own words, unless a paste's word stands before them still
    if (s.status != s.question.pasted_over)
        s.question.text = s.status;
    s.status = s.question.pasted_over = word + " " + s.question.text;
}

// Where the editor stands, besides the levels: what a key or a click may change.
static std::array<int, 8> place_of(const edit_state &s)
{
    return {s.level,
            s.cursor,
            static_cast<int>(s.mode),
            s.brush,
            s.overview.selected,
            s.overview.top_row,
            s.overview.marked,
            s.box_anchor};
}

// A resize and the end of input are not keys the user pressed: they change no mode.
bool apply_key(edit_state &s, const key &k)
{
    if (k.code == key_resize) {
        s.width = clamped_size(k.x);
        s.height = clamped_size(k.y);
        return false;
    }
    if (k.code == key_none || k.code == key_timeout || k.code == key_hangup)
        return false;
    if (k.code != key_mouse_drag)
        s.drag.on = false; // any other key ends a drag: a motion after it paints nothing
    if (layout_of(s.width, s.height).kind == layout_kind::too_small) {
        small_window_key(s, k.code);
        return false;
    }
    if (k.code == key_mouse_release) // a release does nothing: the message stays
        return false;
    const bool click =
        k.code == key_mouse_left || k.code == key_mouse_right || k.code == key_mouse_double;
    if (click && s.overview.opened_ms >= 0 && k.ms >= s.overview.opened_ms &&
        k.ms - s.overview.opened_ms <= double_click_ms)
        return false; // the third press of a triple click that opened a level from the overview
    const bool takes_paste =
        s.mode == edit_mode::board || s.mode == edit_mode::overview || s.mode == edit_mode::colors;
    if ((k.code == key_paste || k.code == key_paste_lost) && !takes_paste) {
        ignore_paste(s, k);
        return false;
    }
    if (s.mode == edit_mode::help) {
        help_key(s, k.code);
        return false;
    }
    if (asking_question(s.mode))
        return answer(s, k.code);
    const std::string shown = s.status;
    const std::array<int, 8> place = place_of(s);
    s.status.clear(); // a message lasts until the next key or click that does something
    // a box closes for a shared key, and color mode for a quit, before the key acts
    const bool box = s.mode == edit_mode::box, board = s.mode == edit_mode::board;
    if (board || box || s.mode == edit_mode::overview ||
        (s.mode == edit_mode::colors && k.code == ctrl('c'))) {
        edit_mode was = s.mode;
        s.mode = s.mode == edit_mode::overview ? s.mode : edit_mode::board;
        bool changed = false;
        if (shared_key(s, k.code, changed))
            return changed;
        s.mode = was;
    }
    if (board && k.code == key_escape) { // pressed out of habit after closing something
        s.status = "Nothing to close: q quits.";
        return false;
    }
    if (k.code == key_paste_lost) {
        s.status = "Paste ended without its end mark: nothing pasted.";
        return false;
    }
    const bool overview = s.mode == edit_mode::overview || s.mode == edit_mode::move_to;
    const bool changed = overview ? overview_key(s, k) : board_key(s, k);
    // a key that does nothing, a motion with nothing to drag, a click beside everything: the
    // message stays
    if (!changed && s.status.empty() && place_of(s) == place)
        s.status = shown;
    return changed;
}
