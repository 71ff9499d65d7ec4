// tests/unit/screen_test.cpp - the editor's picture of the sample's levels, in every layout, and
// clicks read back from it through layout.cpp.
#include <gtest/gtest.h>

#include <set>

#include "edit/picture.h"
#include "text/text.h"
#include "tools/sample_image.h"

static edit_state on_sample(int level, edit_mode mode = edit_mode::board)
{
    static std::vector<std::uint8_t> image;
    image = make_sample_image();
    decode_as_loaded(image);
    edit_state s;
    edit_start(s);
    s.level = level;
    s.mode = mode;
    return s;
}

static grid drawn(const edit_state &s, int width, int height)
{
    grid g;
    g.width = width;
    g.height = height;
    draw(s, g);
    return g;
}

static const screen_cell &at(const grid &g, int x, int y)
{
    return g.cells[static_cast<std::size_t>(y * g.width + x)];
}

static std::string row_text(const grid &g, int y, int from = 0, int length = 1000)
{
    std::string row;
    for (int x = from; x < g.width && x < from + length; x++)
        row += at(g, x, y).ch;
    return row;
}

static std::string words(const grid &g) // each row after a newline, each run of blanks one space
{
    std::string text;
    for (int y = 0; y < g.height; y++) {
        text += '\n';
        for (char c : row_text(g, y))
            text += c == ' ' && text.back() == ' ' ? "" : std::string(1, c);
        text.erase(text.find_last_not_of(' ') + 1);
    }
    return text;
}

TEST(Screen, LayoutFollowsTheWindowsSizeWithTheKeysOnTheLastLine)
{
    edit_state named = on_sample(30); // the title's name in full where all of it fits
    named.mirror_paint = true;
    tb_level[30].cells[0] = 1; // and modified
    for (int width : {50, 51})
        EXPECT_EQ(width == 51, row_text(drawn(named, width, 17), 0).find("Vellumix - ") == 0);
    const struct {
        int width, height;
        edit_mode mode;
        int level, cursor_x, cursor_y;
        const char *keys, *shown;
    } rows[] = {
        {5, 2, edit_mode::board, 3, 1, 1, "", "\nPleas\ne"},
        {39, 16, edit_mode::board, 3, 23, 3, "",
         "\nPlease make this window at least 40 x\n17 (it is 39 x 16).\nThere are unsaved changes: "
         "enlarge the\nwindow to save or quit.\n"},
        {40, 17, edit_mode::box, 3, 4, 3, "Box: arrows resize  0-9 paint   ",
         "\n |................................|\n Brush: [bl] blue Copied: level 3\nTyped: 12?"},
        {40, 17, edit_mode::board, 30, 4, 3, "h help  Tab levels  q quit",
         "\nKR_PROG.PRG (modified) mirror 30 of 30\nRandom colors : black, red, purple,\nwhite, "
         "yellow, orange, blue, green.\n |"},
        {40, 17, edit_mode::colors, 21, 23, 1, "u undo  Enter or Esc done",
         "\nRandom colors : orange. (room for 1)\n\n |"}, // the hint on the keys' lines only
        {80, 24, edit_mode::board, 3, 4, 3, "<> level  0-9 paint",
         "\nVellumix - KR_PROG.PRG (modified) Level 3 of 30\nRandom colors : green, black. (room "
         "for 2)\n\n |"},
        {80, 24, edit_mode::colors, 30, 71, 1, "Color mode:",
         "\nRandom colors : black, red, purple, white, yellow, orange, blue, green.\n(room for "
         "8)\n |"},
        {120, 40, edit_mode::go_to, 3, 10, 38, "digits, Enter go",
         "\n |....................[ bk ][ bk ][ bk ]....................| 2 [rd] red 6\n "
         "|....................[ ][ ][ ]....................| 3 [ye] yellow 0\n"}};
    for (const auto &r : rows) {
        SCOPED_TRACE(r.width);
        edit_state s = on_sample(r.level, r.mode);
        tb_level[r.level].cells[0] = 5;
        // a box copied, a level copied, or nothing; the overview behind only for a question
        s.copy_kind = static_cast<copied>(r.width % 3);
        s.copy = tb_level[r.level];
        s.box_copy.resize(r.width % 2 ? 1 : 12);
        bool asks = r.mode == edit_mode::confirm || r.mode == edit_mode::go_to ||
                    r.mode == edit_mode::asking;
        s.question.back_to = asks ? edit_mode::board : edit_mode::overview;
        s.mirror_paint = r.width == 40; // its mark in a narrow title, which keeps the numbers
        // shown as ?, as every control byte; none: the keys take its line
        s.status = r.level == 21 ? "" : "Typed: 12\x7f";
        grid g = drawn(s, r.width, r.height);
        const std::string text = words(g);
        EXPECT_EQ(0u, row_text(g, r.height - 1).find(r.keys)) << row_text(g, r.height - 1);
        EXPECT_NE(std::string::npos, text.find(r.shown)) << text;
        const bool small = layout_of(r.width, r.height).kind == layout_kind::too_small;
        EXPECT_EQ(s.copy_kind == copied::nothing || small,
                  text.find("Copied") == std::string::npos);
        EXPECT_TRUE(small || s.status.size() != 10 ||
                    row_text(g, r.height - 2, 0, 11) == "Typed: 12? ");
        EXPECT_EQ(std::pair(r.cursor_x, r.cursor_y), std::pair(g.cursor_x, g.cursor_y));
    }
}

// The cursor cell is drawn >..< on each of its lines, and a box's cells reversed, or under
// NO_COLOR in braces: each is where a click finds its cell. At any size the board, the legend,
// the status and the keys are drawn whole, none over another.
TEST(Screen, EveryCellAndLegendLineIsClickedWhereItIsDrawn)
{
    edit_state s = on_sample(6, edit_mode::box);
    s.box_anchor = 84;
    s.status = "Boxed.";
    for (const auto &size : {std::array<int, 2>{40, 17},
                             {79, 40},
                             {80, 24},
                             {119, 60},
                             {120, 40},
                             {160, 23},
                             {200, 39}}) {
        SCOPED_TRACE(size[0]);
        const layout l = layout_of(size[0], size[1]);
        s.colors = size[0] < 120;
        grid g;
        for (s.cursor = 0; s.cursor < nb_cells; s.cursor += 1 + is_no_slot(s.cursor + 1)) {
            g = drawn(s, size[0], size[1]);
            int ends = 0, marks = 0, boxed = 0;
            for (int k = 0; k < nb_cells; k++)
                boxed += !is_no_slot(k) && in_box(s.box_anchor, s.cursor, k);
            for (int y = 0; y < size[1] - 2; y++)
                for (int x = 0; x < size[0]; x++) {
                    char c = at(g, x, y).ch;
                    int cell = board_cell_at(l, x, y);
                    ends += c == '>' || c == '<';
                    EXPECT_TRUE((c != '>' && c != '<') || cell == s.cursor) << x << " " << y;
                    EXPECT_TRUE(c != '|' || cell == -1);
                    if (s.colors ? at(g, x, y).attr == attr_reverse : c == '{' || c == '}') {
                        marks++;
                        EXPECT_TRUE(in_box(s.box_anchor, s.cursor, cell)) << x << " " << y;
                    }
                }
            EXPECT_EQ(2 * l.cell_h, ends) << s.cursor;
            EXPECT_EQ(s.colors ? boxed * l.cell_w : 2 * boxed - 2, marks / l.cell_h) << s.cursor;
        }
        EXPECT_EQ(0u, row_text(g, size[1] - 2).find("Boxed."));
        EXPECT_EQ(0u, row_text(g, size[1] - 1).find("Box: arrows resize"));
        EXPECT_EQ(-1, board_cell_at(l, l.board_x + 5, l.board_y - 1));
        EXPECT_EQ(-1, board_cell_at(l, l.board_x + 5, l.board_y + nb_rows * l.cell_h));
        const bool compact = l.kind == layout_kind::compact;
        std::string inks, counts; // black or white on each code's color, the console's on empty
        for (int code = 0; code <= code_empty; code++) { // a legend line: its own code
            std::string line = std::to_string(code) + " " + bc_short_string[code];
            int y = l.legend_y + code;
            EXPECT_EQ(compact ? std::string::npos : std::size_t(l.legend_x),
                      row_text(g, y).find(line));
            EXPECT_EQ(compact ? -1 : code, legend_code_at(l, l.legend_x + 15, y));
            const std::uint8_t fg = at(g, l.legend_x + 2, y).fg;
            inks += fg == color_black ? 'b' : fg == color_bright_white ? 'w' : '-';
            counts += row_text(g, y, l.legend_x + 14, 3);
        }
        EXPECT_TRUE(compact || (inks == (s.colors ? "bwwbwwbwb-" : "----------") &&
                                counts == "  4  0  7  9  0  9  0  0  9 45"))
            << inks << counts;
        EXPECT_EQ((std::array{-1, -1, -1, -1}), // beside, past its count, above and below
                  (std::array{legend_code_at(l, l.legend_x - 1, l.legend_y),
                              legend_code_at(l, l.legend_x + 17, l.legend_y),
                              legend_code_at(l, l.legend_x, l.legend_y - 1),
                              legend_code_at(l, l.legend_x, l.legend_y + 10)}));
    }
}

// The longest status of each kind reads whole at 40 x 17 under the board, over the brush and the
// keys; a longer one, a paste's warning in -checklvl's words, keeps its start and its end.
TEST(Screen, EveryStatusReadsWholeInTheSmallestWindow)
{
    const std::string texts[] = {
        "vellumix.lvl holds older levels 10, 11, 12, 13 and 14: -saveprg would undo this save. "
        "Update them in vellumix.lvl? (y/n)",
        "vellumix-unsaved.lvl holds an earlier session's unsaved changes to levels 10, 11, 12, 13 "
        "and 14. Restore them? (y/n)",
        "Saved to KR_PROG.PRG and vellumix.lvl; vellumix.lvl's own edits of levels 10, 11, 12 and "
        "13 are in vellumix.lvl.bak.",
        "Restored the unsaved changes; levels 10, 11, 12, 13 and 14 keep their random colors, as "
        "the file's do not fit.",

        "Not pasted: line 1, column 4: line ignored: it is no row line (\"|\" first), color line, "
        "level line, comment (\";\" or \"#\" first) nor blank line (and 12 more)."};
    for (const std::string &text : texts) {
        SCOPED_TRACE(text);
        edit_state s = on_sample(30, edit_mode::colors); // the keys' line has its most to say
        s.status = text;
        std::string shown = words(drawn(s, 40, 17));
        std::replace(shown.begin(), shown.end(), '\n', ' ');
        EXPECT_NE(std::string::npos,
                  shown.find(&text != &texts[4]
                                 ? text
                                 : "Not pasted: line 1, column 4: line ... line, level line, "
                                   "comment (\";\" or \"#\" first) nor blank line (and 12 more)."))
            << shown;
    }
}

// Page after page, every help line once and in order, the overview's first when help was opened
// from there; no page begins inside a mode's keys (an indented line) or with a blank line.
TEST(Screen, HelpPagesShowEveryLineOnceAndKeepEachModesKeysTogether)
{
    for (const auto &size : {std::array<int, 2>{80, 24}, {40, 17}, {80, 40}, {80, 66}}) {
        SCOPED_TRACE(size[1]);
        edit_state s = on_sample(1, edit_mode::help);
        s.question.back_to = size[0] == 40 ? edit_mode::overview : edit_mode::board;
        std::string all, lines;
        for (const char *line : help_page_lines(0, 1000, size[0] == 40))
            all += *line ? std::string(line) + "\n" : "";
        const int pages = help_page_count(size[1], size[0] == 40);
        grid g;
        for (s.help_page = 0; s.help_page <= pages; s.help_page++) { // one past: the last again
            grid was = g;
            g = drawn(s, size[0], size[1]);
            EXPECT_EQ(0u, row_text(g, 0).find("Vellumix - keys"));
            EXPECT_NE(std::string::npos,
                      words(g).find(pages == 1 ? "\nAny key returns." : "PgUp previous, any"));
            EXPECT_NE(' ', row_text(g, 1)[0]);
            for (int y = 1; y <= size[1] - 3 && s.help_page < pages; y++) {
                std::string row = row_text(g, y);
                row.erase(row.find_last_not_of(' ') + 1);
                lines += row.empty() ? "" : row + "\n";
            }
            EXPECT_TRUE(s.help_page < pages || g.cells == was.cells);
        }
        EXPECT_EQ(size[1] == 66, pages == 1);
        EXPECT_EQ(size[0] == 40, all.find("All levels") == 0);
        EXPECT_EQ(all, lines);
    }
}

// Boards in place, scrolled to the chosen one; level 6's cells (every code) in colored half
// blocks against the big board's colors, each long row in upper halves, the short row below it
// in lower halves half a cell to the right: one color a code, each told apart, none black.
TEST(Screen, OverviewShowsAsManyBoardsAsFitAndTheChosenOne)
{
    const struct {
        int width, height, selected, top_row;
        bool letters;
        int first, shown;
    } rows[] = {{80, 24, 7, -1, false, 1, 12},  {80, 24, 16, 0, false, 5, 12},
                {160, 48, 30, 0, false, 1, 30}, {80, 24, 30, 0, false, 21, 10},
                {80, 24, 2, 9, false, 1, 12},   {80, 24, 14, 2, false, 9, 12},
                {80, 40, 7, 0, true, 1, 12}};
    for (const auto &r : rows) {
        SCOPED_TRACE(r.selected);
        edit_state s = on_sample(6);
        for (int k = 0; k < nb_cells; k++) // unsaved too, and empty cells over colors
            tb_level[6].cells[k] = static_cast<std::uint8_t>(is_no_slot(k) ? code_no_slot : k % 10);
        std::array<int, 18> small_of; // the small board's color of each of the big board's
        small_of.fill(-1);
        const grid board = drawn(s, 80, 24);
        s.mode = r.top_row == 9 ? edit_mode::asking : edit_mode::overview; // a question over it
        s.question.back_to = edit_mode::overview;
        s.status = "Exchanged.";
        s.unicode = !r.letters;
        s.overview.selected = r.selected;
        s.overview.top_row = r.top_row;
        s.overview.marked = r.first;
        tb_level[r.selected].cells[0] = code_empty;
        const int columns = overview_layout_of(r.width, r.height, r.letters).columns;
        const int board_w = r.letters ? 17 : 18, board_h = r.letters ? 12 : 7;
        grid g = drawn(s, r.width, r.height);
        for (int i = 0; i < columns * ((r.height - 3) / board_h); i++) {
            int x = 1 + i % columns * board_w, y = 1 + i / columns * board_h;
            int level = r.first + i, selected = level == r.selected;
            std::string number = i < r.shown ? std::to_string(level) : "  ";
            number += selected || level == 6 ? "*" : level == r.first ? " x" : "  ";
            EXPECT_EQ(number, row_text(g, y, x, static_cast<int>(number.size())));
            EXPECT_EQ(selected, at(g, x, y).attr == attr_reverse &&
                                    at(g, x - 1, y + board_h - 1).ch == '[' &&
                                    at(g, x + board_w - 2, y + 1).ch == ']');
            EXPECT_TRUE(!selected || s.mode == edit_mode::asking ||
                        (g.cursor_x == x && g.cursor_y == y));
            EXPECT_TRUE(!r.letters || level != 5 || // its first two rows, as letters
                        row_text(g, y + 1, x, 15) + row_text(g, y + 2, x, 15) ==
                            "w w w w w w w w w r r r r r w ");
            if (r.letters) { // nothing drawn past a row's last letter
                EXPECT_EQ(at(g, x + 16, y + 1).fg, at(g, x + 15, y + 1).fg) << level;
            }
            for (int k = 0; level == 6 && !r.letters && k < nb_cells; k++)
                for (int c = half_column(k); c <= half_column(k) + 1 && !is_no_slot(k); c++) {
                    const screen_cell &cell = at(g, x + c, y + 1 + (row_of(k) - 1) / 2);
                    bool reversed = cell.attr == attr_reverse;
                    std::uint8_t up = reversed ? cell.bg : cell.fg,
                                 down = reversed ? cell.fg : cell.bg;
                    const int big = at(board, 3 + 2 * half_column(k), 2 + row_of(k)).bg;
                    const int small = is_long_row(row_of(k)) ? up : down;
                    EXPECT_TRUE(small_of[big] < 0 || small_of[big] == small) << k;
                    small_of[big] = small;
                    EXPECT_TRUE(k >= 8 || cell.ch == glyph_half_block);
                }
        }
        std::set<int> told;
        for (int big = 0; big < 18; big++)
            if (small_of[big] >= 0 && told.insert(small_of[big]).second) {
                EXPECT_TRUE(big == color_default ||
                            (small_of[big] != color_black && small_of[big] != color_default));
            }
        const bool six = !r.letters && r.first <= 6 && 6 < r.first + r.shown; // drawn
        EXPECT_EQ(six ? 10u : 0u, told.size());
        EXPECT_EQ(0u, row_text(g, r.height - 2).find("Exchanged."));
        EXPECT_EQ(0u,
                  row_text(g, r.height - 1)
                      .find(r.top_row == 9 ? "y save and quit" : "Enter open  < > exchange with"));
    }
}
