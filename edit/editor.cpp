// edit/editor.cpp - the dispatcher: a key goes to the question asked, else to the keys that
// every mode shares (undo, redo, save, quit, help), else to the mode's own handler. Saving and
// quitting, with their questions, live here; the handlers never call back.
#include "edit/state.h"

#include <cerrno>
#include <cstdlib>

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

static int prg_disk_state()
{
    std::string image;
    tail_sum tail;
    const int there = read_prg_file(prg_name, image, tail, nullptr);
    if (!there && errno == ENOENT)
        return prg_known_there ? 2 : 0;
    // a file that cannot be read is left to the save, which tells why
    return there && (!prg_known_there || image != prg_known || !same_tail(tail, prg_known_tail));
}

// Runs work with its messages caught, so that none reaches the screen behind the editor's back:
// reason gets its errors for the status line, in one line (": ...", or "." when it said none).
static int caught(int (*work)(), std::string &reason)
{
    std::string captured;
    std::string *was = log_capture;
    log_capture = &captured;
    int ok = work();
    log_capture = was;
    std::string errors;
    const std::string mark = "ERROR ! ";
    for (std::size_t p = captured.find(mark); p != std::string::npos; p = captured.find(mark, p)) {
        p += mark.size();
        std::size_t end = captured.find_first_of("\r\n", p);
        errors += " " + captured.substr(p, end == std::string::npos ? end : end - p);
    }
    reason = errors.empty() ? "." : ":" + errors; // a failure that said nothing should not happen
    return ok;
}

// The encoder and the atomic save.
static int save_levels(std::string &message)
{
    std::string reason;
    if (caught(
            []() -> int {
                return tb_level_to_data() && save_prg(loaded_tail.from ? &loaded_tail : nullptr);
            },
            reason)) {
        message = formatted(!backup_kept ? "Saved to %s."
                            : orig_kept  ? "Saved to %s (the old file is %s.bak, and for good "
                                           "%s.orig)."
                                         : "Saved to %s (the old file is %s.bak).",
                            prg_name, prg_name, prg_name);
        // the file now holds the image, and the tail it was loaded with
        prg_known.assign(file_data, file_data + prg_size);
        prg_known_there = true;
        return 1;
    }
    message = "Not saved" + reason;
    return 0;
}

static int save_text_file(std::string &error)
{
    return caught([]() -> int { return save_levels_file(levels_file_name(0), 0, 1); }, error);
}

// The console's size and what a test puts in place of the file's functions outlive the reset.
void edit_start(edit_state &s)
{
    edit_state fresh;
    fresh.save = s.save ? s.save : save_levels;
    fresh.disk_state = s.disk_state;
    fresh.text_differs = s.text_differs;
    if (!fresh.text_differs)
        fresh.text_differs = [] { return text_file_differs(levels_file_name(0)); };
    fresh.save_text = s.save_text ? s.save_text : save_text_file;
    if (!fresh.disk_state) {
        fresh.disk_state = prg_disk_state;
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

// A text file that -saveprg would read back over the save is not left to undo it unasked.
static void finish_save(edit_state &s)
{
    s.mode = s.back_to;
    if (!s.save(s.status)) {
        s.quit_after_save = false; // a failed save never loses the changes: the editor stays
        return;
    }
    s.saved_levels = tb_level;
    if (!s.text_left && s.text_differs()) {
        const char *lvl = levels_file_name(0);
        s.mode = edit_mode::update; // a quit waits for the answer
        s.status = formatted("%s holds other levels: -saveprg would undo this save. Update %s "
                             "too? (y/n)",
                             lvl, lvl);
        return;
    }
    s.quit = s.quit_after_save;
}

static void answer_update(edit_state &s, bool yes)
{
    const char *lvl = levels_file_name(0);
    std::string error;
    s.mode = s.back_to;
    if (yes && !s.save_text(error)) { // the editor stays, so that this is read
        s.status = formatted("Saved to %s, but %s was not written", prg_name, lvl) + error;
        return;
    }
    s.status = yes ? formatted("Saved to %s and %s.", prg_name, lvl)
                   : formatted("%s left as it was.", lvl);
    s.text_left = !yes;
    s.quit = s.quit_after_save;
}

// Another program's change to the file is not overwritten without a word.
static void request_save(edit_state &s, bool then_quit)
{
    if (s.mode == edit_mode::board || s.mode == edit_mode::overview)
        s.back_to = s.mode;
    s.quit_after_save = then_quit;
    int disk = s.disk_state();
    if (disk == 0) {
        finish_save(s);
        return;
    }
    s.mode = edit_mode::confirm;
    s.status = formatted(disk == 1 ? "%s changed on disk since it was read. Save over it? (y/n)"
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
    s.back_to = s.mode == edit_mode::overview ? edit_mode::overview : edit_mode::board;
    s.mode = edit_mode::asking;
    s.status = formatted("Save changes to %s? (y/n, Esc: stay)", prg_name);
}

static int yes_or_no(int code)
{
    return code == 'y' || code == 'Y' ? 1 : code == 'n' || code == 'N' ? 0 : -1;
}

// Each question takes y or n; Esc closes it as n would, but that it never quits.
static int answer(edit_state &s, int code)
{
    int yes = yes_or_no(code);
    if (s.mode == edit_mode::restore) { // Esc keeps the file, as n does
        if (yes < 0 && code != key_escape)
            return 0;
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
        s.mode = s.back_to;
        s.quit_after_save = false;
    }
    return 0;
}

// The keys that do the same on the board, in a box and in the overview: undo, redo, save, quit
// and help. 1 = code was one of them, changed = 1 when the levels changed.
static int shared_key(edit_state &s, int code, int &changed)
{
    changed = 0;
    switch (code) {
    case 'u':
    case ctrl('z'):
        changed = undo_step(s, true);
        return 1;
    case 'U':
    case ctrl('y'):
        changed = undo_step(s, false);
        return 1;
    case 's':
    case ctrl('s'):
        request_save(s, false);
        return 1;
    case 'q':
    case ctrl('c'):
        ask_to_quit(s);
        return 1;
    case 'h':
    case key_f1:
        s.back_to = s.mode;
        s.mode = edit_mode::help;
        s.help_page = 0;
        return 1;
    }
    return 0;
}

// The wheel turns the pages too.
static void help_key(edit_state &s, int code)
{
    const bool next = code == key_page_down || code == ' ' || code == key_wheel_down,
               previous = code == key_page_up || code == key_wheel_up;
    if (next && s.help_page + 1 < help_page_count(s.height))
        s.help_page++;
    else if (previous && s.help_page > 0)
        s.help_page--;
    else if (!next && !previous)
        s.mode = s.back_to;
}

// While the window is too small nothing shows what a key would do: only leaving is allowed, and
// only when it loses nothing.
static void small_window_key(edit_state &s, int code)
{
    if ((code == 'q' || code == ctrl('c')) && !unsaved(s))
        s.quit = true;
}

// A resize and the end of input are not keys the user pressed: they change no mode.
int apply_key(edit_state &s, const key &k)
{
    if (k.code == key_resize) {
        s.width = k.x;
        s.height = k.y;
        return 0;
    }
    if (k.code == key_none || k.code == key_timeout || k.code == key_hangup)
        return 0;
    if (layout_of(s.width, s.height).kind == layout_kind::too_small) {
        small_window_key(s, k.code);
        return 0;
    }
    if (k.code != key_mouse_drag)
        s.dragging = s.dragging && k.code != key_mouse_release; // any other key ends a drag
    switch (s.mode) {
    case edit_mode::help:
        help_key(s, k.code);
        return 0;
    case edit_mode::asking:
    case edit_mode::confirm:
    case edit_mode::restore:
    case edit_mode::update:
        return answer(s, k.code);
    default:
        break;
    }
    s.status.clear(); // a message lasts until the next key
    // a box closes for a shared key, and color mode for a quit, before the key acts
    const bool box = s.mode == edit_mode::box, board = s.mode == edit_mode::board;
    if (board || box || s.mode == edit_mode::overview ||
        (s.mode == edit_mode::colors && k.code == ctrl('c'))) {
        edit_mode was = s.mode;
        s.mode = s.mode == edit_mode::overview ? s.mode : edit_mode::board;
        int changed = 0;
        if (shared_key(s, k.code, changed))
            return changed;
        s.mode = was;
    }
    if (board && k.code == key_escape) { // pressed out of habit after closing something
        s.status = "Nothing to close: q quits.";
        return 0;
    }
    if (k.code == key_paste_lost) {
        s.status = "Paste ended without its end mark: nothing pasted.";
        return 0;
    }
    const bool overview = s.mode == edit_mode::overview || s.mode == edit_mode::move_to;
    return overview ? overview_key(s, k) : board_key(s, k);
}
