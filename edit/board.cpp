// edit/board.cpp - the keys of the board: painting, the tools, a box, the random colors, copy
// and paste, going to a level. Each change is one undo step, through commit(); the keys every
// mode shares have been taken before a key comes here.
#include "edit/state.h"

#include <cstdlib>

#include "text/text.h"

// The code a key paints: 0-9, ? random, . empty; -1 for any other key.
static int code_of_key(int c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    return c == '?' ? code_random : c == '.' ? code_empty : -1;
}

static std::string brush_text(int code)
{
    return formatted("Brush: %s %s", bc_short_string[code], bc_string[code]);
}

static const char *plural(int n) { return n == 1 ? "" : "s"; }

// A random cell draws from the level's color list: without one it is refused.
static int random_refused(edit_state &s, int code)
{
    if (code != code_random || tb_level[s.level].nb_colors != 0)
        return 0;
    s.status = formatted("Level %d has no random colors: add one first (c).", s.level);
    return 1;
}

// Painting a cell its own code keeps the brush but makes no undo step. extend: a drag's cell,
// added to the drag's step.
static int paint(edit_state &s, int code, bool extend = false)
{
    if (random_refused(s, code))
        return 0; // and the brush stays what it was
    s.brush = code;
    tb_level_entry before = tb_level[s.level];
    tb_level[s.level].cells[s.cursor] = static_cast<std::uint8_t>(code);
    return commit(s, before, extend);
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

// The room is the record's slot in the image: a longer list would overwrite what follows.
static std::string room_text(int level)
{
    int room = record_room[level];
    if (room == 0)
        return formatted("Level %d's record has no room for random colors.", level);
    return formatted("Level %d's record has room for %d random color%s only.", level, room,
                     plural(room));
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
        if (e.nb_colors >= record_room[s.level]) { // never above 8
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
    int emptied = e.nb_colors == 0 ? replace_code(e, code_random, code_empty) : 0;
    if (emptied)
        s.status = formatted("Level %d has no random colors now: its %d random cell%s %s empty.",
                             s.level, emptied, plural(emptied), emptied == 1 ? "is" : "are");
    return commit(s, before);
}

static const char *const color_hint = "Color mode: 1-8 add or remove a color, Enter or Esc: done.";

static int color_key(edit_state &s, const key &k)
{
    if (k.code >= '1' && k.code <= '8')
        return toggle_color(s, k.code - '0');
    bool leaves_too = k.code == key_mouse_left || k.code == key_mouse_right; // a click on the board
    if (!leaves_too && k.code != key_enter && k.code != key_escape && k.code != 'c') {
        s.status = color_hint; // a key it does not take says what it takes
        return 0;
    }
    s.mode = edit_mode::board;
    return leaves_too ? board_key(s, k) : 0;
}

// ---- copy and paste: a level, a box of cells, or a level as text

static int paste_level(edit_state &s, const tb_level_entry &from, const char *what)
{
    if (from.nb_colors > record_room[s.level]) { // the save would refuse it later
        s.status =
            formatted("Not pasted: the %s has %d random color%s, level %d's record has "
                      "room for %d.",
                      what, from.nb_colors, plural(from.nb_colors), s.level, record_room[s.level]);
        return 0;
    }
    tb_level_entry before = tb_level[s.level];
    tb_level[s.level].cells = from.cells;
    tb_level[s.level].nb_colors = from.nb_colors;
    tb_level[s.level].colors = from.colors;
    return commit(s, before);
}

static int paste_box_copy(edit_state &s)
{
    tb_level_entry e = tb_level[s.level];
    int randoms = 0, landed = paste_box(e, s.box_copy, s.cursor, randoms);
    if (randoms > 0 && e.nb_colors == 0) {
        s.status = formatted("Not pasted: the copy holds random cells and level %d has no random "
                             "colors.",
                             s.level);
        return 0;
    }
    const int all = static_cast<int>(s.box_copy.size());
    s.status = landed == all ? formatted("Pasted %d cell%s.", all, plural(all))
                             : formatted("Pasted %d of %d cells: the others fall off the board.",
                                         landed, all);
    tb_level_entry before = tb_level[s.level];
    tb_level[s.level] = e;
    return commit(s, before);
}

static int paste(edit_state &s)
{
    if (s.copy_kind == 0) {
        s.status = "Nothing copied yet: y copies a level, or a box of cells (v).";
        return 0;
    }
    if (s.copy_kind == 2)
        return paste_box_copy(s);
    int changed = paste_level(s, s.copy, "copy");
    if (changed)
        s.status = formatted("Pasted level %d over level %d.", s.copy.level, s.level);
    return changed;
}

// Text brings in the first level it holds, read as the text file is read, and checked as it is:
// a level not taken as written is not taken at all.
static int paste_text(edit_state &s, const std::string &text)
{
    const pasted_level pasted = read_pasted_level(text, s.level);
    const int rows = pasted.rows;
    if (rows < nb_rows) {
        s.status = formatted("Not pasted: the text holds %d of a level's %d rows.", rows, nb_rows);
        return 0;
    }
    if (pasted.nb_warnings > 0) { // the checker's words may be long: no formatted() buffer
        const int more = pasted.nb_warnings - 1;
        s.status = formatted("Not pasted: line %d, column %d: ", pasted.line, pasted.column) +
                   pasted.warning + (more ? formatted(" (and %d more)", more) : "") + ".";
        return 0;
    }
    int changed = paste_level(s, pasted.level, "text");
    const int levels = (rows + nb_rows - 1) / nb_rows;
    if (changed || s.status.empty())
        s.status = levels > 1 ? formatted("Pasted the first of %d levels in the text.", levels)
                              : "Pasted a level from text.";
    return changed;
}

// ---- the box: cells between two corners, for painting, copying, cutting and emptying at once

static int paint_box(edit_state &s, int code)
{
    if (random_refused(s, code))
        return 0;
    tb_level_entry before = tb_level[s.level];
    for (int k = 0; k < nb_cells; k++)
        if (!is_no_slot(k) && in_box(s.box_anchor, s.cursor, k))
            tb_level[s.level].cells[k] = static_cast<std::uint8_t>(code);
    return commit(s, before);
}

static int box_key(edit_state &s, const key &k)
{
    const int c = k.code, code = c == ' ' ? s.brush : code_of_key(c);
    if (code >= 0) {
        if (c != ' ' && !(code == code_random && tb_level[s.level].nb_colors == 0))
            s.brush = code;
        return paint_box(s, code);
    }
    if (c == 'y' || c == 'x') {
        s.box_copy = copy_box(tb_level[s.level], s.box_anchor, s.cursor);
        s.copy_kind = 2;
        const int n = static_cast<int>(s.box_copy.size());
        s.status = formatted("%s %d cell%s: p pastes them at the cursor.",
                             c == 'y' ? "Copied" : "Cut", n, plural(n));
        s.mode = edit_mode::board;
        return c == 'x' && paint_box(s, code_empty);
    }
    if (c == key_delete || c == key_backspace)
        return paint_box(s, code_empty);
    if (c == 'v' || c == key_escape) {
        s.mode = edit_mode::board;
        return 0;
    }
    if (c == key_mouse_release)
        return 0;
    if (c == key_mouse_left || c == key_mouse_drag) { // the moving corner follows the pointer
        int cell = board_cell_at(layout_of(s.width, s.height), k.x, k.y);
        s.cursor = cell >= 0 ? cell : s.cursor;
        return 0;
    }
    if (c >= key_up && c <= key_end) {
        move_cursor(s, c);
        return 0;
    }
    s.mode = edit_mode::board; // any other key closes the box, then does what it does
    return board_key(s, k);
}

// ---- the mouse: a left press paints and begins a drag, a right press takes a cell's code

static int mouse_key(edit_state &s, const key &k)
{
    const layout l = layout_of(s.width, s.height);
    const int cell = board_cell_at(l, k.x, k.y);
    if (k.code == key_mouse_drag) {
        if (!s.dragging || cell < 0 || cell == s.cursor)
            return 0;
        s.cursor = cell;
        int changed = paint(s, s.brush, s.drag_step);
        s.drag_step = s.drag_step || changed;
        return changed;
    }
    if (cell < 0) {
        int code = legend_code_at(l, k.x, k.y);
        if (code >= 0 && k.code == key_mouse_left) {
            s.brush = code;
            s.status = brush_text(code);
        }
        return 0;
    }
    if (k.code == key_mouse_right) {
        // a no-slot code in a cell, from an odd image, is nothing to paint with
        if (tb_level[s.level].cells[cell] <= code_empty)
            s.brush = tb_level[s.level].cells[cell];
        return 0;
    }
    s.cursor = cell; // as a keyboard user would with the arrows and Space
    s.dragging = true;
    s.drag_step = paint(s, s.brush);
    return s.drag_step;
}

// ---- keys that wait for the next one: b and r take a code, g a level number

static int pick_key(edit_state &s, const key &k)
{
    const int code = code_of_key(k.code);
    const bool brush = s.mode == edit_mode::brush;
    s.mode = edit_mode::board;
    if (code < 0) // anything else lets it be
        return 0;
    if (brush) {
        s.brush = code;
        s.status = brush_text(code);
        return 0;
    }
    if (random_refused(s, code))
        return 0;
    tb_level_entry before = tb_level[s.level];
    int n = replace_code(tb_level[s.level], tb_level[s.level].cells[s.cursor], code);
    s.status = formatted("Replaced %d cell%s.", n, plural(n));
    return commit(s, before);
}

static std::string go_to_prompt() { return formatted("Go to level (1-%d): ", last_level()); }

static void go_to_key(edit_state &s, int c)
{
    if (c >= '0' && c <= '9' && s.typed.size() < 3) {
        s.typed += static_cast<char>(c);
    } else if (c == key_backspace && !s.typed.empty()) {
        s.typed.pop_back();
    } else if (c == key_escape || (c == key_enter && s.typed.empty())) {
        s.mode = edit_mode::board;
        return;
    } else if (c == key_enter) {
        int n = std::atoi(s.typed.c_str());
        s.typed.clear();
        if (n >= 1 && n <= last_level()) {
            s.level = n; // the cursor keeps its place, as with PgDn
            s.mode = edit_mode::board;
        } else {
            s.status = formatted("There is no level %d.", n);
        }
        return;
    }
    s.status = go_to_prompt() + s.typed;
}

// ---- the board's own keys

// The tools that change the whole level at once: one undo step each.
static int whole_level_key(edit_state &s, int c)
{
    tb_level_entry &e = tb_level[s.level], before = e;
    switch (c) {
    case 'f':
        if (random_refused(s, s.brush))
            return 0;
        flood_fill(e, s.cursor, s.brush);
        break;
    case 'm':
        mirror_left_right(e);
        break;
    case 'M':
        mirror_top_bottom(e);
        break;
    case 'H':
    case 'L':
        shift_cells(e, 0, c == 'H' ? -2 : 2);
        break;
    case 'K':
    case 'J':
        shift_cells(e, c == 'K' ? -2 : 2, 0);
        break;
    default: // X
        clear_cells(e);
        s.status = formatted("Emptied level %d.", s.level);
    }
    return commit(s, before);
}

static int board_own_key(edit_state &s, const key &k)
{
    const int c = k.code;
    switch (c) {
    case ' ':
        return paint(s, s.brush);
    case 'f':
    case 'm':
    case 'M':
    case 'H':
    case 'L':
    case 'K':
    case 'J':
    case 'X':
        return whole_level_key(s, c);
    case key_mouse_left:
    case key_mouse_right:
    case key_mouse_drag:
        return mouse_key(s, k);
    case 'p':
        return paste(s);
    case key_paste:
        return paste_text(s, k.text);
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
    case 'v':
        s.mode = edit_mode::box;
        s.box_anchor = s.cursor;
        break;
    case 'b':
    case 'r':
        s.mode = c == 'b' ? edit_mode::brush : edit_mode::replace;
        s.status = "Press the key of a code: 0-9, ? random, . empty.";
        break;
    case 'g':
        s.mode = edit_mode::go_to;
        s.typed.clear();
        s.status = go_to_prompt();
        break;
    case key_tab:
        open_overview(s);
        break;
    case 'y':
        s.copy = tb_level[s.level];
        s.copy_kind = 1;
        s.status = formatted("Copied level %d: p pastes it over the level shown.", s.level);
        break;
    case 'Y':
        s.to_clipboard = level_as_text(s.level);
        break;
    default:
        move_cursor(s, c);
    }
    return 0;
}

int board_key(edit_state &s, const key &k)
{
    switch (s.mode) {
    case edit_mode::colors:
        return color_key(s, k);
    case edit_mode::box:
        return box_key(s, k);
    case edit_mode::brush:
    case edit_mode::replace:
        return pick_key(s, k);
    case edit_mode::go_to:
        go_to_key(s, k.code);
        return 0;
    default:
        break;
    }
    const int code = code_of_key(k.code);
    return code >= 0 ? paint(s, code) : board_own_key(s, k);
}
