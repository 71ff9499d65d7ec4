// edit/screen.cpp - the picture of the editor's state, 80 x 24 at the top left of the console:
//   row 0  title, level       rows 3-13  the board, as the text file draws it; legend beside
//   row 1  random colors     row 15 brush, row 16 copy, row 22 status, row 23 keys
// Only what the state says is drawn, so a key that changes one cell changes one cell on screen.
#include "edit/edit.h"

#include <cstdio>
#include <string_view>

// The board is 34 columns wide from board_x; the legend sits far enough right that a mouse
// click between the two can never be taken for a cell.
static constexpr int board_x = 2, board_y = 3, legend_x = 40;

struct pen {
    std::uint8_t fg = color_default, bg = color_default, attr = attr_none;
};

// Each code's background; the light ones take black letters, the dark ones white.
static const std::array<std::uint8_t, 10> code_bg = {
    color_white,   color_blue,   color_red,   color_bright_yellow, color_green,
    color_magenta, color_orange, color_black, color_bright_white,  color_default};

// Empty cells and every cell under NO_COLOR keep the console's own colors: the dots and the
// names are enough to tell cells apart on a monochrome screen.
static pen code_pen(const edit_state &s, int code)
{
    pen p;
    if (!s.colors || code >= code_empty)
        return p;
    p.bg = code_bg[code];
    bool light = code == code_random || code == 3 || code == 6 || code == 8;
    p.fg = light ? color_black : color_bright_white;
    return p;
}

// Writes text from column x of row y, cut at the grid's edge; returns the column after it.
static int put(grid &g, int x, int y, std::string_view text, pen p = {})
{
    for (char c : text) {
        if (x >= 0 && x < g.width && y >= 0 && y < g.height)
            g.cells[y * g.width + x] = {c >= ' ' && c <= '~' ? c : '?', p.fg, p.bg, p.attr};
        x++;
    }
    return x;
}

// A level number and a count are all the pictures print; 80 characters hold any of them.
static std::string format_text(const char *format, int a, int b = 0)
{
    std::array<char, 80> text;
    std::snprintf(text.data(), text.size(), format, a, b);
    return text.data();
}

static int put_name(grid &g, const edit_state &s, int x, int y, int code)
{
    return put(g, x, y, bc_short_string[code], code_pen(s, code));
}

// The rows exactly as the text file writes them, so that a screen and the file read alike.
static void draw_board(const edit_state &s, grid &g)
{
    const tb_level_entry &e = tb_level[s.level];
    for (int row = 1; row <= nb_rows; row++) {
        int y = board_y + row - 1, x = put(g, board_x, y, is_long_row(row) ? "|" : "|..");
        for (int slot = 0; slot < row_length(row); slot++, x += 4) {
            int k = cell_index(row, slot), code = e.cells[k];
            // a no-slot code in a cell, from an odd image, keeps the row's width
            std::string name = code <= code_empty ? bc_short_string[code] : "    ";
            pen p = code <= code_empty ? code_pen(s, code) : pen{};
            if (k == s.cursor) {
                name.front() = '>'; // seen in a capture without colors or attributes too
                name.back() = '<';
                p.attr = attr_reverse;
                g.cursor_x = x + 1;
                g.cursor_y = y;
            }
            put(g, x, y, name, p);
        }
        put(g, x, y, is_long_row(row) ? "|" : "..|");
    }
    for (int code = 0; code <= code_empty; code++) { // the digit that paints each code
        int x = put(g, legend_x, board_y + code, format_text("%d ", code));
        put(g, put_name(g, s, x, board_y + code, code) + 1, board_y + code, bc_string[code]);
    }
}

// The color line as the text file writes it; color mode edits it in place, so it is
// highlighted then and the terminal's cursor waits at its end.
static void draw_colors(const edit_state &s, grid &g)
{
    const tb_level_entry &e = tb_level[s.level];
    bool editing = s.mode == edit_mode::colors;
    pen label;
    label.attr = editing ? attr_reverse : attr_none;
    int x = put(g, 0, 1, std::string(s_color) + ":", label) + 1;
    for (int j = 0; j < e.nb_colors; j++) {
        x = put(g, x, 1, bc_string[e.colors[j]], code_pen(s, e.colors[j]));
        x = put(g, x, 1, j + 1 < e.nb_colors ? ", " : ".");
    }
    if (e.nb_colors == 0)
        x = put(g, x, 1, "none.");
    if (editing) {
        g.cursor_x = x;
        g.cursor_y = 1;
    }
    // eight long names leave no room on the line: the room goes below them then
    std::string room = format_text("(room for %d)", record_room[s.level]);
    if (x + 1 + static_cast<int>(room.size()) <= 80)
        put(g, x + 1, 1, room);
    else
        put(g, 80 - static_cast<int>(room.size()), 2, room);
    if (editing)
        put(g, 2, 2, "1-8: add or remove that color   Enter: done", label);
}

// A screen of its own: the board would leave too little room for every key.
static const char *const help_lines[] = {
    "Vellumix - keys",
    "",
    "  Arrows          move the cursor; Home, End: first and last cell of the row",
    "  PgUp PgDn < >   previous and next level",
    "  0-9  ?  .       paint the cell: 0 or ? random, 1-8 the colors, 9 or . empty",
    "  Space           paint with the brush, the code painted last",
    "  f               fill the cell's patch of one code with the brush",
    "  m               mirror the level left to right",
    "  c               random colors: 1-8 add or remove one, Enter or Esc: done",
    "  y  p            copy the level; paste the copy over the level shown",
    "  u  Ctrl-Z       undo            U  Ctrl-Y   redo",
    "  s  Ctrl-S       save the levels into KR_PROG.PRG",
    "  q  Esc  Ctrl-C  quit; with unsaved changes, asks first",
    "  Left click      move the cursor there and paint with the brush",
    "  Right click     take the cell's code as the brush",
    "  F1  h           this help",
    "",
    "  A random cell [??] draws from its level's random colors, so a level needs one",
    "  first; a level holds no more of them than its record has room for.",
    "",
    "Press any key to return.",
};

void draw(const edit_state &s, grid &g)
{
    g.cells.assign(static_cast<std::size_t>(g.width > 0 && g.height > 0 ? g.width * g.height : 0),
                   screen_cell{});
    g.cursor_x = g.cursor_y = 0;
    // nothing but the request: a board cut at the edge would be clicked at the wrong cells
    if (layout_of(g.width, g.height).kind == layout_kind::too_small) {
        put(g, 0, 0,
            format_text("Please make this window at least 80 x 24 (it is %d x %d).", g.width,
                        g.height));
        return;
    }
    if (s.mode == edit_mode::help) {
        int y = 0;
        for (const char *line : help_lines)
            g.cursor_x = put(g, 0, y++, line);
        g.cursor_y = y - 1;
        return;
    }
    pen title;
    title.attr = attr_bold;
    int x = put(g, 0, 0, std::string("Vellumix - ") + prg_name, title);
    if (unsaved(s)) // shows once after a save, then stays: it costs nothing while painting
        put(g, x + 2, 0, "(modified)");
    std::string where = format_text("Level %d of %d", s.level, last_level());
    put(g, 80 - static_cast<int>(where.size()), 0, where, title);
    draw_board(s, g);
    draw_colors(s, g);
    x = put(g, board_x, 15, "Brush: ");
    put(g, put_name(g, s, x, 15, s.brush) + 1, 15, bc_string[s.brush]);
    if (s.copy_kind == 1)
        put(g, board_x, 16, format_text("Copied: level %d", s.copy.level));
    x = put(g, 0, 22, s.status.substr(0, 80));
    if (s.mode == edit_mode::asking) { // the cursor waits after the question, for y or n
        g.cursor_x = x < 80 ? x + 1 : 80 - 1;
        g.cursor_y = 22;
    }
    const char *keys = "<> level  0-9 paint  f fill  m mirror  c colors  u undo  s save  q quit  "
                       "h help";
    if (s.mode == edit_mode::colors)
        keys = "1-8 add or remove that color   Enter or Esc: done";
    else if (s.mode == edit_mode::asking)
        keys = "y save and quit   n quit without saving   Esc stay";
    put(g, 0, 23, keys);
}
