// edit/editor.cpp - the editor's state and what each key does to it. Every key that changes a
// level goes through commit(), which keeps one undo step per key; nothing else writes tb_level.
#include "edit/edit.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "cli/logerror.h"
#include "store/os_file.h"
#include "text/text.h"

std::string formatted(const char *format, ...)
{
    std::array<char, 200> text; // a message names a level and a number or two
    va_list args;
    va_start(args, format);
    std::vsnprintf(text.data(), text.size(), format, args);
    va_end(args);
    return text.data();
}

// Number and record offset never change: the rest is what the user edits.
static bool same_level(const tb_level_entry &a, const tb_level_entry &b)
{
    return a.nb_colors == b.nb_colors && a.colors == b.colors && a.cells == b.cells;
}

// ---- KR_PROG.PRG on disk, as this run last read or wrote it, to tell another program's change

static std::string prg_known, prg_seen; // what it held then; what the check before a save saw
static bool prg_known_there = false, prg_seen_there = false;

static int prg_disk_state()
{
    prg_seen_there = read_whole_file(prg_name, prg_seen);
    if (!prg_seen_there && errno == ENOENT)
        return prg_known_there ? 2 : 0;
    // a file that cannot be read is left to the save, which tells why
    return prg_seen_there && (!prg_known_there || prg_seen != prg_known);
}

// The encoder and the atomic save, with their messages caught so that none reaches the screen
// behind the editor's back: the status line shows what went wrong, in one line.
static int save_levels(std::string &message)
{
    std::string captured;
    std::string *was = log_capture;
    log_capture = &captured;
    int ok = tb_level_to_data() && save_prg();
    log_capture = was;
    if (ok) {
        message = formatted(backup_kept ? "Saved to %s (the old file is %s.bak)." : "Saved to %s.",
                            prg_name, prg_name);
        // the file now holds the image, and what it held past it (save_file keeps that)
        prg_known.assign(file_data, file_data + prg_size);
        if (prg_seen_there && prg_seen.size() > prg_size)
            prg_known += prg_seen.substr(prg_size);
        prg_known_there = true;
        return 1;
    }
    message = "Not saved:";
    const std::string mark = "ERROR ! ";
    for (std::size_t p = captured.find(mark); p != std::string::npos; p = captured.find(mark, p)) {
        p += mark.size();
        std::size_t end = captured.find_first_of("\r\n", p);
        message += " " + captured.substr(p, end == std::string::npos ? end : end - p);
    }
    if (message.back() == ':') // a failure that said nothing, which should not happen
        message.back() = '.';
    return 0;
}

// The console's size and what a test puts in place of the file's functions outlive the reset.
void edit_start(edit_state &s)
{
    edit_state fresh;
    fresh.save = s.save ? s.save : save_levels;
    fresh.disk_state = s.disk_state;
    if (!fresh.disk_state) {
        fresh.disk_state = prg_disk_state;
        prg_known_there = read_whole_file(prg_name, prg_known);
    }
    fresh.width = s.width;
    fresh.height = s.height;
    fresh.unicode = s.unicode;
    const char *no_color = std::getenv("NO_COLOR");
    fresh.colors = s.colors && !(no_color && *no_color);
    fresh.saved_levels = tb_level;
    s = fresh;
}

// Undo and redo can bring the levels back to what the file holds: then nothing is unsaved.
bool level_unsaved(const edit_state &s, int i)
{
    return !same_level(s.saved_levels[i], tb_level[i]);
}

bool unsaved(const edit_state &s)
{
    for (int i = 1; i <= last_level(); i++)
        if (level_unsaved(s, i))
            return true;
    return false;
}

// ---- undo: a log of steps, each a head entry and the entries of what it changed

static std::uint8_t byte(int value) { return static_cast<std::uint8_t>(value); }

// Appends what changed in level i from before to after; 1 = anything did.
static int log_level(edit_state &s, int i, const tb_level_entry &before,
                     const tb_level_entry &after)
{
    int changed = 0;
    if (before.nb_colors != after.nb_colors || before.colors != after.colors) {
        s.log.push_back({undo_colors, byte(i), before.nb_colors, after.nb_colors});
        std::array<std::uint8_t, 9> lists{}; // both lists, a color a half byte
        for (int j = 0; j < 8; j++) {
            lists[j / 2] |= byte(before.colors[j] << (j % 2 * 4));
            lists[4 + j / 2] |= byte(after.colors[j] << (j % 2 * 4));
        }
        for (int j = 0; j < 9; j += 3)
            s.log.push_back({undo_payload, lists[j], lists[j + 1], lists[j + 2]});
        changed = 1;
    }
    for (int k = 0; k < nb_cells; k++)
        if (before.cells[k] != after.cells[k]) {
            s.log.push_back(
                {undo_cell, byte(i), byte(k), byte(before.cells[k] << 4 | after.cells[k])});
            changed = 1;
        }
    return changed;
}

// Records what changed since before (the table, or the shown level alone) as one undo step, on
// the level and at the cursor now: 1 = something did. extend adds it to the last step: a drag.
static int commit_table(edit_state &s, const std::array<tb_level_entry, 31> *before_all,
                        const tb_level_entry *before_one, bool extend)
{
    s.log.resize(s.done); // the steps undone are gone for good
    extend = extend && !s.log.empty();
    if (!extend)
        s.log.push_back({undo_head, byte(s.level), byte(s.cursor), 0});
    int changed = 0;
    for (int i = 1; i <= last_level(); i++)
        if (before_all)
            changed |= log_level(s, i, (*before_all)[i], tb_level[i]);
        else if (i == s.level)
            changed |= log_level(s, i, *before_one, tb_level[i]);
    if (!changed && !extend)
        s.log.pop_back();
    s.done = s.log.size();
    return changed;
}

int commit(edit_state &s, const tb_level_entry &before, bool extend)
{
    return commit_table(s, nullptr, &before, extend);
}

int commit_levels(edit_state &s, const std::array<tb_level_entry, 31> &before)
{
    return commit_table(s, &before, nullptr, false);
}

// Sets what entry e of a step records, as it was before the step (back) or after it.
static void apply_entry(const edit_state &s, std::size_t e, bool back)
{
    const undo_entry &u = s.log[e];
    tb_level_entry &level = tb_level[u.a];
    if (u.kind == undo_cell) {
        level.cells[u.b] = byte(back ? u.c >> 4 : u.c & 0x0F);
        return;
    }
    level.nb_colors = back ? u.b : u.c;
    for (int j = 0; j < 8; j++) {
        int at = (back ? 0 : 4) + j / 2; // in the nine bytes of the three entries after e
        const undo_entry &p = s.log[e + 1 + static_cast<std::size_t>(at / 3)];
        std::uint8_t both = at % 3 == 0 ? p.a : at % 3 == 1 ? p.b : p.c;
        level.colors[j] = byte(both >> (j % 2 * 4) & 0x0F);
    }
}

// Undo and redo go to the level of the step and put the cursor where it was then; the overview
// stays the overview, with that level chosen.
static int undo_step(edit_state &s, bool back)
{
    if (back ? s.done == 0 : s.done == s.log.size()) {
        s.status = back ? "Nothing to undo." : "Nothing to redo.";
        return 0;
    }
    std::size_t head = s.done, end = s.done + 1;
    if (back) {
        head = s.done - 1;
        while (s.log[head].kind != undo_head)
            head--;
        end = s.done;
    } else {
        while (end < s.log.size() && s.log[end].kind != undo_head)
            end++;
    }
    // backwards when undoing: a drag may paint one cell twice in a step
    for (std::size_t n = head + 1; n < end; n++) {
        std::size_t e = back ? end - (n - head) : n;
        if (s.log[e].kind == undo_cell || s.log[e].kind == undo_colors)
            apply_entry(s, e, back);
    }
    s.done = back ? head : end;
    s.level = s.selected = s.log[head].a;
    s.cursor = s.log[head].b;
    return 1;
}

// ---- saving and quitting: questions first, in the request line

static void finish_save(edit_state &s)
{
    s.mode = s.back_to;
    if (!s.save(s.status)) {
        s.quit_after_save = false; // a failed save never loses the changes: the editor stays
        return;
    }
    s.saved_levels = tb_level;
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
void ask_to_quit(edit_state &s)
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

// Each question takes y or n; Esc leaves the save and the quit questions alone.
static int answer(edit_state &s, int code)
{
    int yes = yes_or_no(code);
    if (s.mode == edit_mode::restore) {
        if (yes < 0)
            return 0;
        s.mode = edit_mode::board;
        return answer_recovery(s, yes == 1);
    }
    if (yes == 1 && s.mode == edit_mode::asking)
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

int shared_key(edit_state &s, int code, int &changed)
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

static void help_key(edit_state &s, int code)
{
    if ((code == key_page_down || code == ' ') && s.help_page + 1 < help_page_count(s.height))
        s.help_page++;
    else if (code == key_page_up && s.help_page > 0)
        s.help_page--;
    else if (code != key_page_down && code != ' ' && code != key_page_up)
        s.mode = s.back_to;
}

// While the window is too small nothing shows what a key would do: only leaving is allowed, and
// only when it loses nothing.
static void small_window_key(edit_state &s, int code)
{
    if ((code == 'q' || code == key_escape || code == ctrl('c')) && !unsaved(s))
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
        return answer(s, k.code);
    case edit_mode::overview:
        s.status.clear();
        return overview_key(s, k);
    default:
        s.status.clear(); // a message lasts until the next key
        return board_key(s, k);
    }
}
