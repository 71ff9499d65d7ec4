// edit/layout.cpp - where the picture puts things, for a console of a given size: the state asks
// it where a click fell, the picture where to draw. Lines of a layout, from the top:
//   0 title | 1-2 random colors | board_y board (11 rows of cell_h lines) | brush_y brush, copy
//   the status ending on status_y, and the keys on the last line, keys_y
#include "edit/state.h"

#include <algorithm>

layout layout_of(int width, int height)
{
    layout l;
    if (width < min_width || height < min_height)
        return l;
    l.kind = width < 80 || height < 24    ? layout_kind::compact
             : width < 120 || height < 40 ? layout_kind::normal
                                          : layout_kind::large;
    l.board_x = 2;
    l.board_y = 3;
    if (l.kind == layout_kind::large) {
        l.cell_w = 8;
        l.cell_h = 2;
    }
    // the legend starts a few columns right of the board, so that no click between the two
    // could be taken for a cell; compact windows have no room for it
    int board_right = l.board_x + 2 + 8 * l.cell_w;
    l.legend_x = l.kind == layout_kind::compact ? -1 : board_right + 4;
    l.legend_y = l.board_y;
    l.brush_y = l.board_y + nb_rows * l.cell_h + (l.kind == layout_kind::compact ? 0 : 1);
    l.status_y = height - 2;
    l.keys_y = height - 1;
    return l;
}

// The inverse of the board's drawing: from the column, the slot whose columns hold it.
int board_cell_at(const layout &l, int x, int y)
{
    if (l.kind == layout_kind::too_small || y < l.board_y)
        return -1;
    int row = (y - l.board_y) / l.cell_h + 1;
    int from = l.board_x + 1 + (is_long_row(row) ? 0 : l.cell_w / 2);
    if (row > nb_rows || x < from)
        return -1;
    int slot = (x - from) / l.cell_w;
    return slot < row_length(row) ? cell_index(row, slot) : -1;
}

int legend_code_at(const layout &l, int x, int y)
{
    // a line is "0 [??] random   7": the key, the name and the count
    if (l.legend_x < 0 || x < l.legend_x || x >= l.legend_x + 17 || y < l.legend_y ||
        y > l.legend_y + code_empty)
        return -1;
    return y - l.legend_y;
}

// Half blocks: 8 cells of 2 columns, two rows a line (6 lines); letters: 15 columns, 11 lines.
// A gap of 2 columns between boards holds the selection's brackets; the title is above them,
// the status and the keys below.
overview_layout overview_layout_of(int width, int height, bool letters)
{
    overview_layout o;
    o.board_w = letters ? 17 : 18;
    o.board_h = letters ? 12 : 7;
    o.x = 1;
    o.y = 1;
    o.columns = (width - o.x) / o.board_w > 0 ? (width - o.x) / o.board_w : 1;
    o.rows = (height - 3) / o.board_h > 0 ? (height - 3) / o.board_h : 1;
    return o;
}

// Every key, once, at most 40 columns a line so that a compact window shows them whole: the
// board's, then the overview's (first when help is opened from there).
static const char *const board_help[] = {
    "Arrows        move the cursor",
    "Home End      first, last cell of a row",
    "PgUp < Wheel  previous level",
    "PgDn > Wheel  next level",
    "g             go to a level by number",
    "1-8           paint the cell that color",
    "0 ?           paint it random [??]",
    "9 .           paint it empty",
    "Space         paint with the brush",
    "b then code   choose the brush",
    "S             mirror painting on, off",
    "Left click    paint there with the brush",
    "Right click   the cell's code as brush",
    "Left drag     paint a line, no gaps",
    "Legend click  that code as the brush",
    "f             fill the patch with brush",
    "r then code   replace all of its code",
    "X             empty the level",
    "H L           shift cells left, right",
    "K J           shift 2 rows up, down",
    "m             mirror left-right",
    "M             mirror top-bottom",
    "v             select a box; then:",
    "  0-9 Space   paint the box",
    "  m M         mirror the box in itself",
    "  y x         copy, cut the box",
    "  Del BkSp    empty the box",
    "  v Esc       close the box",
    "y             copy the level",
    "p             paste (a box at cursor)",
    "P             stamp: paste, not empties",
    "Y             copy level as text",
    "Paste text    bring a level in as text",
    "Ctrl-V        paste text (Windows)",
    "Shift-Insert  paste text (Windows)",
    "c             edit the random colors:",
    "  1-8         add or remove a color",
    "  u           take the last one back",
    "  Enter Esc   done",
    "Tab           all levels (overview)",
    "u Ctrl-Z      undo",
    "U Ctrl-Y      redo",
    "s Ctrl-S      save",
    "q Ctrl-C      quit",
    "Esc           close what is open",
    "h F1          this help",
    "",
    "[??] cells draw from the random colors:",
    "  add one first, up to the room shown.",
};
static const char *const overview_help[] = {
    "All levels (Tab):",
    "  Arrows      choose a level",
    "  Wheel       a row of boards up, down",
    "  PgUp PgDn   a screenful up, down",
    "  Home End    the first, the last level",
    "  Enter Tab   open the chosen level",
    "  Click       choose; twice: open it",
    "  < >         exchange with neighbour",
    "  x x         mark, then exchange two",
    "  m           move it to a place",
    "  Paste text  onto the chosen level",
    "  Esc         back to the level shown",
    "  u U s q h   as on the board",
};
static constexpr int nb_board_help = sizeof board_help / sizeof board_help[0];
static constexpr int nb_overview_help = sizeof overview_help / sizeof overview_help[0];

// Every help line in order, and where each page begins (the count of lines past the last): a
// page ends before a group, a line and the indented ones under it, that it cannot hold whole
// (the longest, the overview's, fits the smallest console's page), and neither begins nor
// ends with a blank line. A page is the console less its title line and two for the hint.
static std::vector<const char *> help_of(int height, bool overview_first,
                                         std::vector<std::size_t> &starts)
{
    std::vector<const char *> all(board_help, board_help + nb_board_help);
    all.insert(overview_first ? all.begin() : all.end(), overview_help,
               overview_help + nb_overview_help);
    all.insert(all.begin() + (overview_first ? nb_overview_help : nb_board_help), "");
    const std::size_t per_page = height > 4 ? static_cast<std::size_t>(height - 3) : 1;
    starts = {0};
    for (std::size_t i = 0, end = 0; i < all.size(); i = end) {
        for (end = i + 1; end < all.size() && all[end][0] == ' ';)
            end++;
        if (end - starts.back() > per_page && i > starts.back())
            starts.push_back(i + (all[i][0] == '\0')); // a blank line there ends the page
    }
    starts.push_back(all.size());
    return all;
}

int help_page_count(int height, bool overview_first)
{
    std::vector<std::size_t> starts;
    help_of(height, overview_first, starts);
    return static_cast<int>(starts.size()) - 1;
}

std::vector<const char *> help_page_lines(int page, int height, bool overview_first)
{
    std::vector<std::size_t> starts;
    const std::vector<const char *> all = help_of(height, overview_first, starts);
    const std::size_t p =
        static_cast<std::size_t>(std::min(std::max(page, 0), static_cast<int>(starts.size()) - 2));
    std::vector<const char *> lines(all.begin() + static_cast<std::ptrdiff_t>(starts[p]),
                                    all.begin() + static_cast<std::ptrdiff_t>(starts[p + 1]));
    while (!lines.empty() && !lines.back()[0]) // nor ends with one
        lines.pop_back();
    return lines;
}
