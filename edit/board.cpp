// edit/board.cpp - the keys of the board: painting, the tools, a box, copy, going to a level
// (the random colors are colors.cpp's, pasting paste.cpp's). Each change is one undo step, through
// commit(); the keys every mode shares have been taken before a key comes here.
#include "edit/state.h"

#include "text/text.h"

// The code a key paints: 0-9, ? random, . empty; -1 for any other key.
static int code_of_key(int c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    return c == '?' ? code_random : c == '.' ? code_empty : -1;
}

static std::string code_text(int code)
{
    return formatted("%s %s", bc_short_string[code], bc_string[code]);
}

static std::string brush_text(int code) { return "Brush: " + code_text(code); }

// A random cell draws from the level's color list: without one it is refused, by its own name.
static bool random_refused(edit_state &s, int code, const char *not_done = "Not painted")
{
    if (drawn_code(code, tb_level[s.level].nb_colors) == code)
        return false;
    s.status =
        formatted("%s: level %d has no random colors; add one first (c).", not_done, s.level);
    return true;
}

// Puts code on cells, and with mirror on each one's mirror in its row too.
static void put_cells(tb_level_entry &e, const std::vector<int> &cells, int code, bool mirror)
{
    for (int k : cells) {
        e.cells[k] = static_cast<std::uint8_t>(code);
        if (mirror)
            e.cells[mirror_cell(k)] = static_cast<std::uint8_t>(code);
    }
}

// Painting cells their own code keeps the brush but makes no undo step. A drag adds its cells
// to the step its press (or its first cells) began, which the status counts whole.
static bool paint(edit_state &s, int code, const std::vector<int> &cells, bool drag = false)
{
    if (random_refused(s, code))
        return false; // and the brush stays what it was
    s.brush = code;
    tb_level_entry before = tb_level[s.level];
    put_cells(tb_level[s.level], cells, code, s.mirror_paint);
    const bool extend = drag && s.drag.step;
    const bool changed = commit(s, before, drag ? action::drag : action::paint, extend);
    action what;
    int level = 0, n = 0;
    if ((changed || extend) && last_step(s, what, level, n))
        s.status = formatted("Painted %d cell%s with %s.", n, plural(n), code_text(code).c_str());
    else
        s.status = "Nothing changed: " + code_text(code) + " is there already.";
    return changed;
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

// ---- the box: cells between two corners, for painting, copying, cutting and emptying at once

// A cut takes the cells away to be pasted elsewhere: mirror painting leaves their mirrors be.
static int paint_box(edit_state &s, int code, action what)
{
    if (random_refused(s, code))
        return 0;
    const tb_level_entry before = tb_level[s.level];
    std::vector<int> cells;
    for (int k = 0; k < nb_cells; k++)
        if (!is_no_slot(k) && in_box(s.box_anchor, s.cursor, k))
            cells.push_back(k);
    put_cells(tb_level[s.level], cells, code, s.mirror_paint && what != action::cut);
    const int n = cells_changed(before, tb_level[s.level]);
    if (what == action::cut) // the status tells what was copied: the count of cells emptied
        return commit(s, before, what) ? n : 0;
    if (what == action::emptying)
        return finish_step(s, before, what, formatted("Emptied %d cell%s.", n, plural(n)),
                           "the box is empty already.");
    return finish_step(
        s, before, what,
        formatted("Painted %d cell%s with %s.", n, plural(n), code_text(code).c_str()),
        code_text(code) + " is there already.");
}

// m and M: in a box its cells within it, else the whole level.
static bool mirror_key(edit_state &s, bool top_bottom, bool box)
{
    tb_level_entry &e = tb_level[s.level];
    const tb_level_entry before = e;
    if (!mirror_box(e, box ? s.box_anchor : 0, box ? s.cursor : nb_cells - 1, top_bottom)) {
        s.status = "Not mirrored: in this box, cells would land between cells.";
        return false;
    }
    const std::string what = box ? "the box" : formatted("level %d", s.level);
    const int n = cells_changed(before, e);
    return finish_step(s, before, action::mirror,
                       formatted("Mirrored %s %s: %d cell%s changed.", what.c_str(),
                                 top_bottom ? "top to bottom" : "left to right", n, plural(n)),
                       what + " is already symmetric" + (top_bottom ? " top to bottom." : "."));
}

static bool box_key(edit_state &s, const key &k)
{
    const int c = k.code, code = c == ' ' ? s.brush : code_of_key(c);
    if (code >= 0) {
        if (c != ' ' && !(code == code_random && tb_level[s.level].nb_colors == 0))
            s.brush = code;
        return paint_box(s, code, action::box_paint);
    }
    if (c == 'm' || c == 'M')
        return mirror_key(s, c == 'M', true);
    if (c == 'y' || c == 'x') {
        s.box_copy = copy_box(tb_level[s.level], s.box_anchor, s.cursor);
        s.copy_kind = copied::box;
        const int n = static_cast<int>(s.box_copy.size());
        s.mode = edit_mode::board;
        const int emptied = c == 'x' ? paint_box(s, code_empty, action::cut) : 0;
        s.status = formatted("%s %d cell%s", c == 'y' ? "Copied" : "Cut", n, plural(n)) +
                   (emptied ? formatted(" (%d emptied)", emptied) : "") +
                   ": p pastes them at the cursor.";
        return emptied > 0;
    }
    if (c == key_delete || c == key_backspace)
        return paint_box(s, code_empty, action::emptying);
    if (c == 'v' || c == key_escape) {
        s.mode = edit_mode::board;
        return false;
    }
    if (c == key_mouse_release)
        return false;
    if (c == key_mouse_left || c == key_mouse_drag) { // the moving corner follows the pointer
        int cell = board_cell_at(layout_of(s.width, s.height), k.x, k.y);
        s.cursor = cell >= 0 ? cell : s.cursor;
        return false;
    }
    if (c >= key_up && c <= key_end) {
        move_cursor(s, c);
        return false;
    }
    s.mode = edit_mode::board; // any other key closes the box, then does what it does
    return board_key(s, k);
}

// ---- the mouse: a left press paints and begins a drag, a right press takes a cell's code

static bool mouse_key(edit_state &s, const key &k)
{
    const layout l = layout_of(s.width, s.height);
    const int cell = board_cell_at(l, k.x, k.y);
    if (k.code == key_mouse_drag) { // a fast stroke skips reports: the line between has no gaps
        if (!s.drag.on || cell < 0 || cell == s.cursor)
            return false;
        std::vector<int> line = line_cells(s.cursor, cell);
        line.erase(line.begin()); // painted by the report before
        s.cursor = cell;
        bool changed = paint(s, s.brush, line, true);
        s.drag.step = s.drag.step || changed;
        return changed;
    }
    if (cell < 0) {
        int code = legend_code_at(l, k.x, k.y);
        if (code >= 0 && k.code == key_mouse_left) {
            s.brush = code;
            s.status = brush_text(code);
        }
        return false;
    }
    if (k.code == key_mouse_right) {
        // a no-slot code in a cell, from an odd image, is nothing to paint with
        if (tb_level[s.level].cells[cell] <= code_empty) {
            s.brush = tb_level[s.level].cells[cell];
            s.status = brush_text(s.brush);
        }
        return false;
    }
    s.cursor = cell; // as a keyboard user would with the arrows and Space
    s.drag.on = true;
    s.drag.step = paint(s, s.brush, {cell});
    return s.drag.step;
}

// ---- keys that wait for the next one: b and r take a code, g a level number

static bool pick_key(edit_state &s, const key &k)
{
    const int code = code_of_key(k.code);
    const bool brush = s.mode == edit_mode::brush;
    s.mode = edit_mode::board;
    if (code < 0) // anything else lets it be
        return false;
    if (brush) {
        s.brush = code;
        s.status = brush_text(code);
        return false;
    }
    if (random_refused(s, code, "Not replaced"))
        return false;
    const tb_level_entry before = tb_level[s.level];
    const int from = before.cells[s.cursor];
    int n = replace_code(tb_level[s.level], from, code);
    return finish_step(s, before, action::replace,
                       formatted("Replaced %d cell%s of %s with %s.", n, plural(n),
                                 code_text(from).c_str(), code_text(code).c_str()),
                       "the cells are " + code_text(code) + " already.");
}

static std::string go_to_prompt() { return formatted("Go to level (1-%d): ", last_level()); }

static void go_to_key(edit_state &s, int c)
{
    const int n = typed_number(s, c);
    if (n == -2) {
        s.mode = edit_mode::board;
    } else if (n >= 1 && n <= last_level()) {
        s.level = n; // the cursor keeps its place, as with PgDn
        s.mode = edit_mode::board;
    } else if (n >= 0) {
        s.status = formatted("There is no level %d.", n);
    } else {
        s.status = go_to_prompt() + s.question.typed;
    }
}

// ---- the board's own keys

// Mirror painting fills the mirrors of the cells filled too, from the flood's own cells.
static bool fill_key(edit_state &s)
{
    if (random_refused(s, s.brush, "Not filled"))
        return false;
    tb_level_entry &e = tb_level[s.level];
    const tb_level_entry before = e;
    flood_fill(e, s.cursor, s.brush);
    std::vector<int> filled;
    for (int k = 0; k < nb_cells; k++)
        if (e.cells[k] != before.cells[k])
            filled.push_back(k);
    put_cells(e, filled, s.brush, s.mirror_paint);
    const int n = cells_changed(before, e);
    return finish_step(
        s, before, action::fill,
        formatted("Filled %d cell%s with %s.", n, plural(n), code_text(s.brush).c_str()),
        code_text(s.brush) + " is there already.");
}

// H L K J: the cells whose code changed, as the undo step counts them, and what fell off.
static bool shift_key(edit_state &s, int c)
{
    tb_level_entry &e = tb_level[s.level];
    const tb_level_entry before = e;
    const int lost = c == 'H' || c == 'L' ? shift_cells(e, 0, c == 'H' ? -2 : 2)
                                          : shift_cells(e, c == 'K' ? -2 : 2, 0);
    const char *way = c == 'H' ? "left" : c == 'L' ? "right" : c == 'K' ? "up" : "down";
    const int n = cells_changed(before, e);
    std::string did =
        formatted("Shifted level %d %s: %d cell%s changed", s.level, way, n, plural(n));
    if (lost)
        did += formatted(", %d fell off the board", lost);
    return finish_step(s, before, action::shift, did + ".", "no cells to shift.");
}

static bool clear_key(edit_state &s)
{
    tb_level_entry &e = tb_level[s.level];
    const tb_level_entry before = e;
    clear_cells(e);
    const int n = cells_changed(before, e);
    return finish_step(s, before, action::clear,
                       formatted("Emptied %d cell%s of level %d.", n, plural(n), s.level),
                       formatted("level %d is empty already.", s.level));
}

static bool board_own_key(edit_state &s, const key &k)
{
    const int c = k.code;
    switch (c) {
    case ' ':
        return paint(s, s.brush, {s.cursor});
    case 'f':
        return fill_key(s);
    case 'm':
    case 'M':
        return mirror_key(s, c == 'M', false);
    case 'H':
    case 'L':
    case 'K':
    case 'J':
        return shift_key(s, c);
    case 'X':
        return clear_key(s);
    case key_mouse_left:
    case key_mouse_right:
    case key_mouse_drag:
        return mouse_key(s, k);
    case 'p':
    case 'P':
        return paste_copy(s, c == 'P');
    case key_paste:
        return paste_text(s, k.text);
    case key_page_down:
    case key_wheel_down:
    case '>':
        s.level = s.level < last_level() ? s.level + 1 : s.level;
        break;
    case key_page_up:
    case key_wheel_up:
    case '<':
        s.level = s.level > 1 ? s.level - 1 : 1;
        break;
    case 'S':
        s.mirror_paint = !s.mirror_paint;
        s.status = s.mirror_paint ? "Mirror painting on: each cell painted also paints its "
                                    "left-right mirror."
                                  : "Mirror painting off.";
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
        s.question.typed.clear();
        s.status = go_to_prompt();
        break;
    case key_tab:
        open_overview(s);
        break;
    case 'y':
        s.copy = tb_level[s.level];
        s.copy_kind = copied::level;
        s.status = formatted("Copied level %d: p pastes it over the level shown.", s.level);
        break;
    case 'Y':
        s.to_clipboard = level_as_text(s.level);
        break;
    default:
        move_cursor(s, c);
    }
    return false;
}

bool board_key(edit_state &s, const key &k)
{
    if (k.code == key_mouse_double) { // a double click is a click, but in the overview
        key left = k;
        left.code = key_mouse_left;
        return board_key(s, left);
    }
    switch (s.mode) {
    case edit_mode::colors:
        if (k.code != key_mouse_left && k.code != key_mouse_right)
            return color_key(s, k);
        s.mode = edit_mode::board; // a click on the board leaves color mode, and acts
        break;
    case edit_mode::box:
        return box_key(s, k);
    case edit_mode::brush:
    case edit_mode::replace:
        return pick_key(s, k);
    case edit_mode::go_to:
        go_to_key(s, k.code);
        return false;
    default:
        break;
    }
    const int code = code_of_key(k.code);
    return code >= 0 ? paint(s, code, {s.cursor}) : board_own_key(s, k);
}
