// edit/screen.cpp - the picture of the editor's state, laid out by layout.cpp for the console's
// size: the board with its title, random colors, legend, brush, status and keys; the keys'
// help in pages; the overview's small boards; or, in a window too small, a request to enlarge
// it. Only what the state says is drawn, so a key that changes one cell changes one cell.
#include "edit/picture.h"

#include <algorithm>
#include <string_view>

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

static pen with_attr(std::uint8_t attr)
{
    pen p;
    p.attr = attr;
    return p;
}

static void put_cell(grid &g, int x, int y, const screen_cell &cell)
{
    if (x >= 0 && x < g.width && y >= 0 && y < g.height)
        g.cells[y * g.width + x] = cell;
}

// Writes text from column x of row y, cut at the grid's edge; returns the column after it.
static int put(grid &g, int x, int y, std::string_view text, pen p = {})
{
    for (char c : text)
        put_cell(g, x++, y, {c >= ' ' && c <= '~' ? c : '?', p.fg, p.bg, p.attr});
    return x;
}

// The terminal's cursor just after text that ends at column x of line y, kept on the picture.
static void cursor_after(grid &g, int x, int y)
{
    g.cursor_x = x < g.width ? x : g.width - 1;
    g.cursor_y = y;
}

// Lines of at most width columns, broken where two spaces separate items (keys, sentences)
// if one is in reach, else between words; a word wider than the window is cut.
static std::vector<std::string> wrap(std::string_view text, int width)
{
    std::vector<std::string> lines;
    const std::size_t w = width > 0 ? static_cast<std::size_t>(width) : 0;
    while (w > 0) {
        text.remove_prefix(std::min(text.find_first_not_of(' '), text.size()));
        if (text.empty())
            break;
        std::size_t cut = text.size();
        if (cut > w) { // no line starts with a blank, so no cut falls at 0
            cut = text.rfind("  ", w);
            cut = cut != std::string_view::npos ? cut : text.rfind(' ', w);
            cut = cut != std::string_view::npos ? cut : w;
        }
        std::string line(text.substr(0, cut));
        text.remove_prefix(cut);
        if (!text.empty()) // a line cut short ends on its last word
            line.erase(line.find_last_not_of(' ') + 1);
        lines.push_back(line);
    }
    return lines;
}

// The title, shortened to the file name when the window is narrow; right goes at the right end,
// or nowhere when it would cover the rest.
static void draw_title(const edit_state &s, grid &g, std::string_view extra, std::string_view right)
{
    std::string name = std::string(prg_name) + std::string(extra);
    std::string_view modified = unsaved(s) ? "  (modified)" : "";
    const std::size_t width = static_cast<std::size_t>(g.width);
    if (11 + name.size() + modified.size() + 1 + right.size() <= width)
        name = "Vellumix - " + name;
    right = name.size() + modified.size() + 1 + right.size() <= width ? right : "";
    int x = put(g, 0, 0, name, with_attr(attr_bold));
    put(g, x, 0, modified);
    put(g, g.width - static_cast<int>(right.size()), 0, right, with_attr(attr_bold));
}

// Puts a word after the last one with a space between, or at the start of the next line when
// it would run past the edge; nothing below last_y. x, y: where the next word would go.
static void flow(grid &g, int &x, int &y, int last_y, std::string_view word, pen p = {},
                 std::string_view tail = "")
{
    int size = static_cast<int>(word.size() + tail.size());
    if (x > 0 && x + 1 + size > g.width) {
        x = 0;
        y++;
    } else if (x > 0) {
        x++;
    }
    if (y <= last_y)
        x = put(g, put(g, x, y, word, p), y, tail);
}

// The color line as the text file writes it, wrapped above the board when the window is
// narrow; color mode edits it in place, so it is highlighted then and the cursor waits at its end.
static void draw_colors(const edit_state &s, grid &g, const layout &l)
{
    const tb_level_entry &e = tb_level[s.level];
    bool editing = s.mode == edit_mode::colors;
    int x = 0, y = 1, last_y = l.board_y - 1;
    flow(g, x, y, last_y, std::string(s_color) + ":",
         with_attr(editing ? attr_reverse : attr_none));
    for (int j = 0; j < e.nb_colors; j++)
        flow(g, x, y, last_y, bc_string[e.colors[j]], code_pen(s, e.colors[j]),
             j + 1 < e.nb_colors ? "," : ".");
    if (e.nb_colors == 0)
        flow(g, x, y, last_y, "none.");
    if (editing)
        cursor_after(g, x, y);
    flow(g, x, y, last_y, formatted("(room for %d)", record_room[s.level]));
}

// A board cell of w columns, line `line` of it: the text file's four characters spread out,
// the name in the middle of the first line.
static std::string spread(const std::string &name, int w, int line)
{
    if (w <= 4)
        return name;
    std::string out(static_cast<std::size_t>(w), name.find("..") != std::string::npos ? '.' : ' ');
    out.front() = name.front();
    out.back() = name.back();
    if (line == 0)
        out.replace(static_cast<std::size_t>(w / 2 - 1), 2, name.substr(1, 2));
    return out;
}

static void draw_cell(const edit_state &s, grid &g, const layout &l, int k, int x, int y)
{
    int code = tb_level[s.level].cells[k];
    // a no-slot code in a cell, from an odd image, keeps the row's width
    std::string name = code <= code_empty ? bc_short_string[code] : "    ";
    pen p = code_pen(s, code);
    if (s.mode == edit_mode::box && in_box(s.box_anchor, s.cursor, k)) {
        p.attr = attr_reverse;
        if (!s.colors) { // a box must show in a capture without attributes too
            name.front() = '{';
            name.back() = '}';
        }
    }
    if (k == s.cursor) {
        name.front() = '>'; // seen in a capture without colors or attributes too
        name.back() = '<';
        p.attr = attr_reverse;
        g.cursor_x = x + l.cell_w / 2 - 1;
        g.cursor_y = y;
    }
    for (int line = 0; line < l.cell_h; line++)
        put(g, x, y + line, spread(name, l.cell_w, line), p);
}

// The rows as the text file writes them, so that a screen and the file read alike; the large
// layout draws each cell twice as wide and two lines tall.
static void draw_board(const edit_state &s, grid &g, const layout &l)
{
    const std::string indent(static_cast<std::size_t>(l.cell_w / 2), '.');
    for (int row = 1; row <= nb_rows; row++) {
        int y = l.board_y + (row - 1) * l.cell_h, x = l.board_x + 1;
        for (int line = 0; line < l.cell_h; line++)
            put(g, l.board_x, y + line, is_long_row(row) ? "|" : "|" + indent);
        x += is_long_row(row) ? 0 : l.cell_w / 2;
        for (int slot = 0; slot < row_length(row); slot++, x += l.cell_w)
            draw_cell(s, g, l, cell_index(row, slot), x, y);
        for (int line = 0; line < l.cell_h; line++)
            put(g, x, y + line, is_long_row(row) ? "|" : indent + "|");
    }
}

// The digit that paints each code, and how many cells of the level hold it.
static void draw_legend(const edit_state &s, grid &g, const layout &l)
{
    std::array<int, 10> counts{};
    for (std::uint8_t code : tb_level[s.level].cells)
        if (code <= code_empty)
            counts[code]++;
    for (int code = 0; code <= code_empty; code++) {
        int y = l.legend_y + code, x = put(g, l.legend_x, y, formatted("%d ", code));
        put(g, put(g, x, y, bc_short_string[code], code_pen(s, code)) + 1, y, bc_string[code]);
        put(g, l.legend_x + 14, y, formatted("%3d", counts[code]));
    }
}

static void draw_brush(const edit_state &s, grid &g, const layout &l)
{
    int x = put(g, l.board_x, l.brush_y, "Brush: ");
    x = put(g, put(g, x, l.brush_y, bc_short_string[s.brush], code_pen(s, s.brush)) + 1, l.brush_y,
            bc_string[s.brush]);
    std::string copy_line =
        s.copy_kind == copied::level ? formatted("Copied: level %d", s.copy.level)
        : s.copy_kind == copied::box
            ? formatted(s.box_copy.size() == 1 ? "Copied: %d cell" : "Copied: %d cells",
                        static_cast<int>(s.box_copy.size()))
            : "";
    // a compact window has no line to spare for it
    if (l.kind == layout_kind::compact)
        put(g, x + 2, l.brush_y, copy_line);
    else
        put(g, l.board_x, l.brush_y + 1, copy_line);
}

// text wrapped into at most n lines: too long, its first line, then as much of its end as fits
// after "...", so that what it ends on (the fix, the count) shows; with one line, the end only.
static std::vector<std::string> shortened(std::string_view text, int width, int n)
{
    std::vector<std::string> lines = wrap(text, width), tail;
    if (n <= 0 || lines.size() <= static_cast<std::size_t>(n))
        return n > 0 ? lines : tail;
    lines.resize(n > 1 ? 1 : 0);
    std::size_t from = lines.empty() ? 0 : text.find(lines[0]) + lines[0].size();
    for (; from < text.size(); from = text.find(' ', from + 1)) { // a word less each time
        const std::size_t word = text.find_first_not_of(' ', from);
        if (word == std::string_view::npos)
            break;
        tail = wrap("... " + std::string(text.substr(word)), width);
        if (lines.size() + tail.size() <= static_cast<std::size_t>(n))
            break;
    }
    lines.insert(lines.end(), tail.begin(), tail.end());
    lines.resize(std::min(lines.size(), static_cast<std::size_t>(n))); // a word wider than it
    return lines;
}

// The status, wrapped, on the lines from top down, and the keys on the last lines, cut at an
// item: a status takes the keys' line too when it needs it, and a compact window with no
// status lets the keys take two lines.
static void draw_foot(const edit_state &s, grid &g, int top, int keys_y, std::string_view keys)
{
    const int room = keys_y + 1 - top;
    std::vector<std::string> status = shortened(s.status, g.width, room),
                             keys_lines = wrap(keys, g.width);
    const int nb_status = static_cast<int>(status.size());
    keys_lines.resize(std::min<std::size_t>(
        {keys_lines.size(), static_cast<std::size_t>(std::max(room - nb_status, 0)),
         status.empty() && g.width < 80 ? 2u : 1u}));
    int y = keys_y + 1 - static_cast<int>(keys_lines.size()) - nb_status;
    std::fill(g.cells.begin() + y * g.width, g.cells.end(), screen_cell{});
    for (const std::string &line : status)
        put(g, 0, y++, line);
    // a question, or a prompt being typed: the cursor waits just after it
    if (asking_question(s.mode) || s.mode == edit_mode::go_to || s.mode == edit_mode::move_to)
        cursor_after(g, status.empty() ? 0 : static_cast<int>(status.back().size()), y - 1);
    for (const std::string &line : keys_lines)
        put(g, 0, y++, line);
}

static const char *keys_of(const edit_state &s, layout_kind kind)
{
    switch (s.mode) {
    case edit_mode::colors:
        return color_mode_keys;
    case edit_mode::box:
        return "Box: arrows resize  0-9 paint  m M mirror  y copy  x cut  Del empty  v Esc close";
    case edit_mode::asking:
        return "y save and quit   n quit without saving   Esc stay";
    case edit_mode::confirm:
    case edit_mode::restore:
    case edit_mode::update:
        return "y yes   n no";
    case edit_mode::go_to:
        return "digits, Enter go, Esc cancel";
    case edit_mode::move_to:
        return "digits, Enter move, Esc cancel";
    case edit_mode::brush:
    case edit_mode::replace:
        return "0-9 ? . choose the code   Esc cancel";
    case edit_mode::overview:
        return "Enter open  < > exchange with neighbour  x x exchange  m move  u undo  h help";
    default:
        return kind == layout_kind::compact ? "h help  Tab levels  q quit"
                                            : "<> level  0-9 paint  f fill  m mirror  c colors  "
                                              "u undo  s save  q quit  h help  Tab levels";
    }
}

static void draw_help(const edit_state &s, grid &g)
{
    const std::vector<const char *> lines =
        help_page_lines(s.help_page, g.height, s.question.back_to == edit_mode::overview);
    int pages = help_page_count(g.height, s.question.back_to == edit_mode::overview);
    int page = std::min(std::max(s.help_page, 0), pages - 1);
    int x = put(g, 0, 0, "Vellumix - keys", with_attr(attr_bold));
    if (pages > 1)
        put(g, x, 0, formatted(", page %d of %d", page + 1, pages));
    for (std::size_t i = 0; i < lines.size(); i++)
        put(g, 0, 1 + static_cast<int>(i), lines[i]);
    std::vector<std::string> hint =
        wrap(pages > 1 ? "PgDn/Space next page, PgUp previous, any other key returns"
                       : "Any key returns.",
             g.width);
    int y = g.height - static_cast<int>(hint.size());
    for (const std::string &line : hint) {
        cursor_after(g, put(g, 0, y, line), y);
        y++;
    }
}

// The cell of row drawn over column c of a small board of half blocks, or -1 (rows past 11 too).
static int cell_over(int row, int c)
{
    int k = cell_at_half_column(row, c);
    return k >= 0 ? k : cell_at_half_column(row, c - 1);
}

// A small board has no names to tell codes apart: random cells take cyan, which no code has,
// not white's near grey, and black ones dark grey, which shows on a black background.
static const std::array<std::uint8_t, 10> small_bg = {
    color_cyan,    color_blue,   color_red,          color_bright_yellow, color_green,
    color_magenta, color_orange, color_bright_black, color_bright_white,  color_default};

static std::uint8_t small_color(const tb_level_entry &e, int k)
{
    return k < 0 || e.cells[k] >= code_empty ? small_bg[code_empty] : small_bg[e.cells[k]];
}

// Two rows a line: a long row in the upper halves, the short row below it in the lower ones.
// A line's cells share colors wherever neighbours do, which keeps a frame's color changes few.
static void draw_small_halves(grid &g, const tb_level_entry &e, int x, int y)
{
    for (int line = 0; line < 6; line++)
        for (int c = 0; c < 16; c++) {
            std::uint8_t up = small_color(e, cell_over(2 * line + 1, c)),
                         down = small_color(e, cell_over(2 * line + 2, c));
            screen_cell cell{glyph_half_block, up, down, attr_none};
            if (up == color_default && down == color_default)
                cell = screen_cell{};
            else if (up == color_default) // reversed: the upper half in the background's color
                cell = {glyph_half_block, down, color_default, attr_reverse};
            put_cell(g, x + c, y + line, cell);
        }
}

// A letter a cell, short rows a column to the right; a cell's color runs on to its neighbour.
static void draw_small_letters(const edit_state &s, grid &g, const tb_level_entry &e, int x, int y)
{
    for (int k = 0; k < nb_cells; k++) {
        if (is_no_slot(k))
            continue;
        int code = e.cells[k], last = slot_of(k) + 1 == row_length(row_of(k));
        char letter = code <= code_empty ? "?brygpokw."[code] : ' ';
        put(g, x + half_column(k), y + row_of(k) - 1, std::string(1, letter) + (last ? "" : " "),
            code_pen(s, code));
    }
}

static void draw_overview(const edit_state &s, grid &g)
{
    bool letters = !(s.unicode && s.colors);
    overview_layout o = overview_layout_of(g.width, g.height, letters);
    int selected = s.overview.selected, selected_row = (selected - 1) / o.columns,
        top = s.overview.top_row;
    top = top > selected_row ? selected_row : top; // the chosen board is always in sight
    top = top < selected_row - o.rows + 1 ? selected_row - o.rows + 1 : top;
    top = top < 0 ? 0 : top;
    draw_title(s, g, "  All levels", s.mirror_paint ? "mirror" : "");
    for (int i = top * o.columns + 1; i <= last_level() && i <= (top + o.rows) * o.columns; i++) {
        int x = o.x + (i - 1) % o.columns * o.board_w;
        int y = o.y + ((i - 1) / o.columns - top) * o.board_h;
        int end =
            put(g, x, y, formatted("%d", i), with_attr(i == selected ? attr_reverse : attr_none));
        put(g, end, y,
            std::string(level_unsaved(s, i) ? "*" : "") + (i == s.overview.marked ? " x" : ""));
        if (letters)
            draw_small_letters(s, g, tb_level[i], x, y + 1);
        else
            draw_small_halves(g, tb_level[i], x, y + 1);
        for (int line = 0; i == selected && line < o.board_h; line++) {
            put(g, x - 1, y + line, "[");
            put(g, x + o.board_w - 2, y + line, "]");
        }
        if (i == selected) {
            g.cursor_x = x;
            g.cursor_y = y;
        }
    }
    draw_foot(s, g, o.y + o.rows * o.board_h, g.height - 1, keys_of(s, layout_kind::normal));
}

void draw(const edit_state &s, grid &g)
{
    g.cells.assign(static_cast<std::size_t>(g.width > 0 && g.height > 0 ? g.width * g.height : 0),
                   screen_cell{});
    g.cursor_x = g.cursor_y = 0;
    const layout l = layout_of(g.width, g.height);
    // nothing but the request: a board cut at the edge would be clicked at the wrong cells
    if (l.kind == layout_kind::too_small) {
        std::string text = formatted("Please make this window at least %d x %d (it is %d x %d).",
                                     min_width, min_height, g.width, g.height);
        if (unsaved(s))
            text += "  There are unsaved changes: enlarge the window to save or quit.";
        std::vector<std::string> lines = wrap(text, g.width);
        for (int y = 0; y < g.height && y < static_cast<int>(lines.size()); y++)
            cursor_after(g, put(g, 0, y, lines[y]), y);
        return;
    }
    if (s.mode == edit_mode::help)
        return draw_help(s, g);
    const bool asks = asking_question(s.mode) || s.mode == edit_mode::go_to;
    if (s.mode == edit_mode::overview || s.mode == edit_mode::move_to ||
        (asks && s.question.back_to == edit_mode::overview))
        return draw_overview(s, g);
    // mirror painting's mark, and in a narrow window the numbers of the level without the word
    const char *level = s.mirror_paint
                            ? g.width < 80 ? "mirror  %d of %d" : "mirror  Level %d of %d"
                            : "Level %d of %d";
    draw_title(s, g, "", formatted(level, s.level, last_level()));
    draw_board(s, g, l);
    draw_colors(s, g, l);
    if (l.kind != layout_kind::compact)
        draw_legend(s, g, l);
    draw_brush(s, g, l);
    // a long message in a compact window may cover the brush for as long as it shows
    int foot_top = l.brush_y + (l.kind == layout_kind::compact ? 0 : 2);
    draw_foot(s, g, foot_top, l.keys_y, keys_of(s, l.kind));
}
