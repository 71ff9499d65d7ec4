// edit/editor.cpp - the editor's state and what each key does to it. Every key that changes a
// level goes through commit(), which keeps one undo step per key; nothing else writes tb_level.
#include "edit/edit.h"

#include <cstdio>
#include <cstdlib>

#include "cli/logerror.h"

// Number and record offset never change: the rest is what the user edits.
static bool same_level(const tb_level_entry &a, const tb_level_entry &b)
{
    return a.nb_colors == b.nb_colors && a.colors == b.colors && a.cells == b.cells;
}

// Messages name a level and a number or two; 160 characters hold the longest.
static std::string level_text(const char *format, int a, int b = 0, int c = 0)
{
    std::array<char, 160> text;
    std::snprintf(text.data(), text.size(), format, a, b, c);
    return text.data();
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
        message = std::string("Saved to ") + prg_name + ".";
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

// The console's size and a save put in by a test outlive the reset.
void edit_start(edit_state &s)
{
    edit_state fresh;
    fresh.save = s.save ? s.save : save_levels;
    fresh.width = s.width;
    fresh.height = s.height;
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

// Records what changed in the levels since before as one undo step, shown on the level and with
// the cursor as they are now: 1 = something changed. extend: adds to the last step (a drag).
static int commit_table(edit_state &s, const std::array<tb_level_entry, 31> *before_all,
                        const tb_level_entry *before_one, bool extend = false)
{
    s.log.resize(s.done); // the steps undone are gone for good
    std::size_t head = s.log.size();
    extend = extend && head > 0;
    if (!extend)
        s.log.push_back(
            {undo_head, byte(s.level), byte(s.cursor), byte(s.mode == edit_mode::overview)});
    int changed = 0;
    for (int i = 1; i <= last_level(); i++) {
        if (before_one && i != s.level)
            continue;
        changed |= log_level(s, i, before_one ? *before_one : (*before_all)[i], tb_level[i]);
    }
    if (!changed && !extend)
        s.log.pop_back();
    s.done = s.log.size();
    return changed;
}

int commit(edit_state &s, const tb_level_entry &before)
{
    return commit_table(s, nullptr, &before);
}

int commit_levels(edit_state &s, const std::array<tb_level_entry, 31> &before)
{
    return commit_table(s, &before, nullptr);
}

// A random cell draws from the level's color list: without one it is refused.
static int random_refused(edit_state &s, int code)
{
    if (code != code_random || tb_level[s.level].nb_colors != 0)
        return 0;
    s.status = level_text("Level %d has no random colors: add one first (c).", s.level);
    return 1;
}

// Painting a cell its own code keeps the brush but makes no undo step.
static int paint(edit_state &s, int code)
{
    if (random_refused(s, code))
        return 0; // and the brush stays what it was
    s.brush = code;
    tb_level_entry before = tb_level[s.level];
    tb_level[s.level].cells[s.cursor] = static_cast<std::uint8_t>(code);
    return commit(s, before);
}

// The cells that touch cell k: its row neighbours, and in a row above or below the two it
// overlaps, as a short row sits half a cell to the right of a long one.
static int neighbours(int k, std::array<int, 6> &out)
{
    int row = row_of(k), x = half_column(k), n = 0;
    for (int dx : {-2, 2})
        if (cell_at_half_column(row, x + dx) >= 0)
            out[n++] = cell_at_half_column(row, x + dx);
    for (int other : {row - 1, row + 1})
        for (int dx : {-1, 1})
            if (cell_at_half_column(other, x + dx) >= 0)
                out[n++] = cell_at_half_column(other, x + dx);
    return n;
}

// A flood from the cursor over the cells of its code, through touching cells only, so that a
// fill never leaks through a gap the player would see as closed.
static int fill(edit_state &s)
{
    tb_level_entry &e = tb_level[s.level];
    int from = e.cells[s.cursor];
    if (from == s.brush || random_refused(s, s.brush))
        return 0;
    tb_level_entry before = e;
    std::array<int, nb_cells> todo;
    int nb_todo = 0;
    todo[nb_todo++] = s.cursor;
    e.cells[s.cursor] = static_cast<std::uint8_t>(s.brush);
    while (nb_todo > 0) { // each cell is pushed once, as it is painted when pushed
        std::array<int, 6> next;
        int n = neighbours(todo[--nb_todo], next);
        for (int j = 0; j < n; j++) {
            if (e.cells[next[j]] == from) {
                e.cells[next[j]] = static_cast<std::uint8_t>(s.brush);
                todo[nb_todo++] = next[j];
            }
        }
    }
    return commit(s, before);
}

// Each row turns round on itself; a short row's no-slot place stays at its end.
static int mirror(edit_state &s)
{
    tb_level_entry before = tb_level[s.level];
    std::array<std::uint8_t, nb_cells> &cells = tb_level[s.level].cells;
    for (int row = 1; row <= nb_rows; row++) {
        int length = row_length(row);
        for (int j = 0; j < length / 2; j++)
            std::swap(cells[cell_index(row, j)], cells[cell_index(row, length - 1 - j)]);
    }
    return commit(s, before);
}

// Any other key lands here too, and leaves the cursor where it is.
static void move_cursor(edit_state &s, int code)
{
    int row = row_of(s.cursor), slot = slot_of(s.cursor);
    if (code == key_left && slot > 0)
        slot--;
    else if (code == key_right)
        slot++;
    else if (code == key_up && row > 1)
        row--;
    else if (code == key_down && row < nb_rows)
        row++;
    else if (code == key_home)
        slot = 0;
    else if (code == key_end)
        slot = 7;
    if (slot >= row_length(row)) // also the 8th of a long row, moved to a short one: its 7th
        slot = row_length(row) - 1;
    s.cursor = cell_index(row, slot);
}

// The room is what the record had in the image: a longer list would overwrite what follows.
static std::string room_text(int level)
{
    int room = record_room[level];
    if (room == 0)
        return level_text("Level %d's record has no room for random colors.", level);
    return level_text(room == 1 ? "Level %d's record has room for %d random color only."
                                : "Level %d's record has room for %d random colors only.",
                      level, room);
}

// Adds color at the end of the list, or removes it where it stands. The last one removed
// empties the random cells in the same step, so that one undo brings both back.
static int toggle_color(edit_state &s, int color)
{
    tb_level_entry &e = tb_level[s.level];
    tb_level_entry before = e;
    int at = 0;
    while (at < e.nb_colors && e.colors[at] != color)
        at++;
    if (at == e.nb_colors) {
        if (e.nb_colors >= record_room[s.level]) { // never above 8, as decoded
            s.status = room_text(s.level);
            return 0;
        }
        e.colors[e.nb_colors++] = static_cast<std::uint8_t>(color);
        return commit(s, before);
    }
    for (int j = at; j < 7; j++) // the others keep their order, unused entries stay 0
        e.colors[j] = e.colors[j + 1];
    e.colors[7] = 0;
    e.nb_colors--;
    if (e.nb_colors == 0) {
        int emptied = 0;
        for (std::uint8_t &c : e.cells)
            if (c == code_random) {
                c = code_empty;
                emptied++;
            }
        if (emptied)
            s.status = level_text("Level %d has no random colors now: its %d random cells are "
                                  "empty.",
                                  s.level, emptied);
    }
    return commit(s, before);
}

static int paste(edit_state &s)
{
    tb_level_entry &e = tb_level[s.level];
    if (s.copy_kind == 0) {
        s.status = "Nothing copied yet: y copies a level.";
        return 0;
    }
    if (s.copy.nb_colors > record_room[s.level]) { // the save would refuse it later
        s.status = level_text("Not pasted: the copy has %d random colors, level %d's record has "
                              "room for %d.",
                              s.copy.nb_colors, s.level, record_room[s.level]);
        return 0;
    }
    tb_level_entry before = e;
    e.cells = s.copy.cells;
    e.nb_colors = s.copy.nb_colors;
    e.colors = s.copy.colors;
    s.status = level_text("Pasted level %d over level %d.", s.copy.level, s.level);
    return commit(s, before);
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

// Undo and redo go to the level of the step and put the cursor where it was then.
static int step(edit_state &s, bool back)
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
    s.level = s.log[head].a;
    s.cursor = s.log[head].b;
    return 1;
}

// Whatever the save says is the status: success and failure alike are one line.
static int save(edit_state &s)
{
    int ok = s.save(s.status);
    if (ok)
        s.saved_levels = tb_level;
    return ok;
}

// Quitting with nothing unsaved asks nothing: no question stands between a look and leaving.
static void ask_to_quit(edit_state &s)
{
    if (!unsaved(s)) {
        s.quit = true;
        return;
    }
    s.mode = edit_mode::asking;
    s.status = std::string("Save changes to ") + prg_name + "? (y/n, Esc: stay)";
}

// A left click moves and paints, as a keyboard user would with the arrows and Space.
static int click(edit_state &s, const key &k)
{
    int cell = board_cell_at(layout_of(s.width, s.height), k.x, k.y);
    if (cell < 0)
        return 0;
    if (k.code == key_mouse_right) {
        // a no-slot code in a cell, from an odd image, is nothing to paint with
        if (tb_level[s.level].cells[cell] <= code_empty)
            s.brush = tb_level[s.level].cells[cell];
        return 0;
    }
    s.cursor = cell;
    return paint(s, s.brush);
}

static int board_key(edit_state &s, const key &k)
{
    int c = k.code;
    if (c >= '0' && c <= '9')
        return paint(s, c - '0');
    switch (c) {
    case '?':
        return paint(s, code_random);
    case '.':
        return paint(s, code_empty);
    case ' ':
        return paint(s, s.brush);
    case 'f':
        return fill(s);
    case 'm':
        return mirror(s);
    case 'u':
    case ctrl('z'):
        return step(s, true);
    case 'U':
    case ctrl('y'):
        return step(s, false);
    case key_mouse_left:
    case key_mouse_right:
        return click(s, k);
    case key_page_down:
    case '>':
        s.level = s.level < last_level() ? s.level + 1 : s.level;
        break;
    case key_page_up:
    case '<':
        s.level = s.level > 1 ? s.level - 1 : 1;
        break;
    case 'c':
        s.mode = edit_mode::colors;
        break;
    case 'y':
        s.copy = tb_level[s.level];
        s.copy_kind = 1;
        s.status = level_text("Copied level %d: p pastes it over the level shown.", s.level);
        break;
    case 'p':
        return paste(s);
    case 's':
    case ctrl('s'):
        save(s); // its message, good or bad, is the status
        break;
    case 'q':
    case key_escape:
    case ctrl('c'):
        ask_to_quit(s);
        break;
    case key_f1:
    case 'h':
        s.mode = edit_mode::help;
        break;
    default:
        move_cursor(s, c);
    }
    return 0;
}

// y saves first and quits only if that worked: a failed save must never lose the changes.
static void answer(edit_state &s, int code)
{
    code = code == 'Y' || code == 'N' ? code - 'A' + 'a' : code;
    if (code == 'y' && !save(s))
        s.mode = edit_mode::board; // the status shows why, and the changes stay
    else if (code == 'y' || code == 'n')
        s.quit = true;
    else if (code == key_escape) {
        s.mode = edit_mode::board;
        s.status.clear();
    }
}

// A resize and the end of input are not keys the user pressed: they change no mode.
int apply_key(edit_state &s, const key &k)
{
    if (k.code == key_resize) {
        s.width = k.x;
        s.height = k.y;
        return 0;
    }
    if (k.code == key_none)
        return 0;
    if (s.mode == edit_mode::help) {
        s.mode = edit_mode::board;
        return 0;
    }
    if (s.mode == edit_mode::asking) {
        answer(s, k.code);
        return 0;
    }
    s.status.clear(); // a message lasts until the next key
    if (s.mode == edit_mode::colors) {
        if (k.code >= '1' && k.code <= '8')
            return toggle_color(s, k.code - '0');
        bool leaves_too = k.code == ctrl('c') || k.code == key_mouse_left ||
                          k.code == key_mouse_right; // a quit or a click on the board
        if (leaves_too || k.code == key_enter || k.code == key_escape || k.code == 'c')
            s.mode = edit_mode::board;
        if (!leaves_too)
            return 0;
    }
    return board_key(s, k);
}
