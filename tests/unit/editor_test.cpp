// tests/unit/editor_test.cpp - the editor driven by keys on the sample's levels: tools, cursor,
// mouse, overview and pastes.
#include <fstream>

#include "cli/logerror.h"
#include "tests/unit/editor_support.h"

// The status names what changed, and undo and redo (when a row names the step) the same cells.
TEST(Editor, KeysChangeTheLevelAsTheTextFileWouldShowIt)
{
    const char *no_random = "Not painted: level 1 has no random colors; add one first (c).";
    struct row {
        int level, cursor;
        const char *keys, *status;
        std::string then;           // a part of the text of the level shown
        const char *step = nullptr; // what undo and redo name
    } rows[] = {
        {3, 0, "c 4", "Removed green from level 3's random colors.", ": black.\n",
         "green removed from level 3's random colors"},
        {3, 0, "c 8", "Not added: level 3's record has room for 2 random colors only.",
         ": green, black.\n"},
        {30, 0, "c 7 7", "Added black to level 30's random colors.",
         ": red, purple, white, yellow, orange, blue, green, black.\n"},
        {30, 0, "c 7", // the highest record: its room is its count
         "Level 30's record has no known end: saved with fewer colors, its room shrinks for good.",
         ": red, purple, white, yellow, orange, blue, green.\n"},
        {3, 0, "c 4 7",
         "Removed black from level 3's random colors: its 7 random cells are empty now.",
         "|........[gn]....[gn][gn]........|", // and one undo brings them back:
         "black removed from level 3's random colors and 7 cells emptied"},
        {3, 0, "c 7 Enter s c 7 Enter", "", ": green, black.\n"}, // a list shrunk keeps its room
        {3, 0, "1 c 4 4 u", "Undone: green added to level 3's random colors.", ": black.\n"},
        {3, 0, "1 c 4 u u", "Nothing to undo in color mode: the last change was not to the colors.",
         "|[bl]...."}, // u on the board would take back the paint
        {1, 0, "u U", "Nothing to redo.", "|[gn][gn]"},
        {1, 0, "8 u 4 U", "Redone: paint of 1 cell on level 1.", "|[wh][gn]"}, // 4 changed nothing
        {1, 0, "U u", "Nothing to undo.", "|[gn][gn]"},
        {1, 0, "0", no_random, "|[gn][gn]"},
        {1, 5, "Space", "Painted 1 cell with [bl] blue.", "|[gn][gn][bl][bl][or][bl]"}, // at start
        {1, 0, "4", "Nothing changed: [gn] green is there already.", "|[gn][gn]"},
        {3, 0, "? < < f", "Not filled: level 1 has no random colors; add one first (c).",
         "|[gn][gn]"}, // a random brush from level 3
        {1, 1, "8 > f", "Filled 6 cells with [wh] white.",
         "|..[wh][bk][gn][bk][gn][bk][gn]..|\n|......", "fill of 6 cells on level 2"}, // zigzag
        {6, 0, "m", "Mirrored level 6 left to right: 32 cells changed.",
         "|[rd][??][wh][??][rd][pu][wh][ye]|\n|..[pu][wh][ye][rd][pu][wh][ye]..|"},
        {5, 0, "m", "Nothing changed: level 5 is already symmetric.", "|[wh][wh]"},
        {1, 0, "p", "Nothing copied yet: y copies a level, or a box of cells (v).", "|[gn][gn]"},
        {6, 0, "y < < < p",
         "Not pasted: the copy has 3 random colors, level 3's record has room for 2.",
         ": green, black.\n"},
        {6, 0, "y g 2 7 Enter c 4 Enter p",
         "Pasted level 6 over level 27.", // room for 3
         ": black, red, purple.\n\n|[ye][wh][pu][rd][??]"},
        {6, 0, "y g 2 7 Enter P",
         "Stamped 37 cells; level 27's random colors are now black, red, purple.",
         ": black, red, purple.\n\n|[ye][wh][pu][rd][??]",
         "stamp of 37 cells and the random colors on level 27"},
        {21, 0, "y g 2 7 Enter P", // one color is enough to take the copy's
         "Stamped 13 cells; level 27's random colors are now orange.", ": orange.\n\n",
         "stamp of 13 cells and the random colors on level 27"},
        // the tools that move cells, as the staggered board shows them
        {1, 0, "H", "Shifted level 1 left: 20 cells changed, 5 fell off the board.",
         "|[gn][bl][bl][or][or][ye][ye]....|\n|..[gn][bl][bl][or][or][ye]......|",
         "shift of 20 cells on level 1"},
        {1, 0, "K", "Shifted level 1 up: 38 cells changed, 15 fell off the board.",
         "\n\n|[bl][bl][or][or][ye][ye][gn][gn]|\n|..[bl][bl][or][or][ye]",
         "shift of 38 cells on level 1"},
        {1, 0, "J", "Shifted level 1 down: 53 cells changed.",
         "\n\n" + empty_row + empty_row + "|[gn][gn][bl][bl]"},
        {1, 0, "X H", "Nothing changed: no cells to shift.", "\n\n" + empty_row},
        {3, 0, "X", "Emptied 27 cells of level 3.",
         "green, black.\n\n" + empty_row + empty_row + empty_row},
        {3, 18, "r 5", "Replaced 6 cells of [gn] green with [pu] purple.",
         "|........[pu][??][pu][pu]........|", "replace of 6 cells on level 3"},
        {1, 0, "r 0", "Not replaced: level 1 has no random colors; add one first (c).",
         "|[gn][gn][bl]"},
        {1, 0, "v Right Right Down 7", "Painted 6 cells with [bk] black.",
         "|[bk][bk][bk][bl][or][or][ye][ye]|\n|..[bk][bk][bk][bl]"},
        {1, 0, "v x", "Cut 1 cell (1 emptied): p pastes them at the cursor.", "|....[gn][bl]"},
        {1, 9, "v Up Left Left x", "Cut 4 cells (4 emptied): p pastes them at the cursor.",
         "|........[bl][bl][or][or][ye][ye]|\n|..........[bl][bl][or][or][ye]..|"},
        // mirror painting: a key, a fill and a box emptied paint each cell's mirror too
        {1, 40, "S 4", "Painted 2 cells with [gn] green.", "|..[gn]....................[gn]..|"},
        {1, 0, "S b 2 f", "Filled 8 cells with [rd] red.",
         "|[rd][rd][bl][bl][or][or][rd][rd]|\n|..[rd][rd][bl][bl][or][rd][rd]..|"},
        {1, 0, "S v Right Del", "Emptied 4 cells.", "|........[bl][bl][or][or]........|"},
        // a box mirrored within itself, or refused where its cells would land between cells
        {1, 0, "v Right Right m", "Mirrored the box left to right: 2 cells changed.",
         "|[bl][gn][gn][bl]"},
        {1, 0, "v Down Down M", "Mirrored the box top to bottom: 2 cells changed.",
         "|[bl][gn][bl][bl]"},
        {1, 0, "v Down m", "Not mirrored: in this box, cells would land between cells.",
         "|[gn][gn][bl]"},
        // a stamp over a background: the copy's empty cells leave what is under them
        {1, 0, "y > > > P", "Stamped 38 cells.",
         "|[or][or][ye][ye][gn][gn][bl][bl]|\n|..[bk]....."},
        {4, 2, "v Down Right y < < < Down Home P", "Stamped the box: 3 cells changed.",
         "|[pu][pu][or][or][ye][ye][gn][gn]|\n|..[pu][bl][or]", "stamp of 3 cells on level 1"},
        // a box across both row kinds keeps its shape on either, and loses what falls off
        {4, 0, "v Right Down y < < < Down Down Down Down Down Down Home p",
         "Pasted the box: 4 cells changed.", "|..[pu][pu]......................|\n|....[pu][pu]",
         "paste of 4 cells on level 1"},
        {4, 0, "v Right Down y < < < Down Down Down Down Down Home p",
         "Pasted the box: 4 cells changed.",
         "|[pu][pu]........................|\n|..[pu][pu]......", "paste of 4 cells on level 1"},
        {4, 0, "v Right Down y < < < Down Down Down Down Down Down Down Down Down End p",
         "Pasted the box: 1 cell changed, 3 fell off the board.", "....[pu]|\n\n\n"},
        {3, 18, "v Right y < < p",
         "Not pasted: the copy holds random cells and level 1 has no random colors.", "|[gn][gn]"},
        {1, 0, "b 3", "Brush: [ye] yellow", "|[gn][gn][bl]"},
        {1, 0, "g 4 2 Enter 0 Enter", "There is no level 0.", "|[gn][gn][bl]"},
        {1, 0, "g 5 BSpace 1 9 Enter g Esc", "", "Level 19"}};
    for (const row &r : rows) {
        SCOPED_TRACE(r.keys);
        edit_state s = start_on_sample(r.level, r.cursor, r.keys);
        EXPECT_EQ(r.status, s.status);
        EXPECT_NE(std::string::npos, level_as_text(s.level).find(r.then));
        for (const char *again : {"Undone: ", "Redone: "}) // but in color mode, which has no U
            if (r.step) {
                press(s, std::string(s.mode == edit_mode::colors ? "Esc " : "") +
                             (again[0] == 'U' ? 'u' : 'U'));
                EXPECT_EQ(again + std::string(r.step) + ".", s.status);
            }
    }
}

TEST(Editor, CursorStopsAtTheEdgesAndKeepsItsPlaceInTheRow)
{
    const int rows[][5] = {
        // level, cell, key: level, cell
        {1, 0, key_left, 1, 0},     {1, 0, key_up, 1, 0},          {1, 7, key_right, 1, 7},
        {1, 7, key_down, 1, 14},    {1, 14, key_up, 1, 6},         {1, 87, key_down, 1, 87},
        {1, 73, key_down, 1, 81},   {1, 9, key_end, 1, 14},        {1, 13, key_home, 1, 8},
        {1, 5, key_page_up, 1, 5},  {30, 9, key_page_down, 30, 9}, {2, 9, '<', 1, 9},
        {2, 9, key_wheel_up, 1, 9}, {2, 9, key_wheel_down, 3, 9}};
    for (const auto &r : rows) {
        edit_state s = start_on_sample(r[0], r[1]);
        apply_key(s, {r[2]});
        EXPECT_EQ(std::pair(r[3], r[4]), std::pair(s.level, s.cursor)) << r[1] << " " << r[2];
    }
}

// The editor's own save refused (a read-only file, records that would grow); the text's update.
TEST(Editor, RefusedSaveKeepsTheEditorOpenAndSaysWhyOnOneLine)
{
    in_new_folder here;
    start_on_sample(1);
    std::ofstream(prg_name, std::ios::binary) << std::string(file_data, file_data + prg_size);
    fs::permissions(prg_name, fs::perms::owner_read);
    edit_state s;
    edit_start(s);
    press(s, "1 s");
    EXPECT_EQ("Not saved: KR_PROG.PRG is read-only.", s.status);
    tb_level[1].nb_colors = tb_level[2].nb_colors = 1;
    press(s, "q y");
    EXPECT_EQ("Not saved: Level 1 has 1 random colors, its record has room for 0 only; Level 2 has "
              "1 random colors, its record has room for 0 only.",
              s.status);
    EXPECT_EQ(std::tuple(false, edit_mode::board, nullptr),
              std::tuple(s.quit, s.mode, log_capture));
    // the text file updated in place: levels in any order, after a byte order mark; none if none
    std::ofstream("vellumix.lvl", std::ios::binary)
        << "\xEF\xBB\xBF" + level_as_text(1) + level_as_text(2) + level_as_text(3);
    tb_level[1].cells[0] = tb_level[3].cells[0] = 8;
    std::string now;
    clear_errors();
    EXPECT_TRUE(update_levels_file("vellumix.lvl", {3, 1}));
    EXPECT_FALSE(update_levels_file("none.lvl", {1}));
    EXPECT_EQ(std::vector<std::string>{"Levels text file 'none.lvl' could not be read"},
              errors_reported); // the failure's alone
    EXPECT_TRUE(read_whole_file("vellumix.lvl", now));
    EXPECT_EQ("\xEF\xBB\xBF" + level_as_text(1) + level_as_text(2) + level_as_text(3), now);
}

static key at_cell(int code, int k) // a click or drag on cell k of the board at 80 x 24
{
    const int slot = slot_of(k), row = row_of(k);
    return {code, 3 + 4 * slot + (is_long_row(row) ? 0 : 2), 2 + row};
}

TEST(Editor, HelpTurnsItsPagesAndAnyOtherKeyReturns)
{
    edit_state s = start_on_sample(1, 0, "c Esc Tab h PgDn Space PgDn PgUp PgDn"); // 3 pages
    EXPECT_EQ(std::pair(edit_mode::help, 2), std::pair(s.mode, s.help_page));
    press(s, "PgDn PgDn PgDn q h");
    EXPECT_EQ(std::tuple(edit_mode::help, 0, false),
              std::tuple(s.mode, s.help_page, s.quit)); // p. 1
    press(s, "q");
    EXPECT_EQ(edit_mode::overview, s.mode); // where it was opened
}

// A drag paints the whole line between two reports, mirrored with S, as one undo step, until a
// key; in the overview two presses on one board within 500 ms (or what Windows calls a double
// click) open it, and a third within 500 ms does nothing.
TEST(Editor, TheMouseDrawsLinesAsOneStepAndOpensLevels)
{
    edit_state s = start_on_sample(1, 0, "7");
    apply_key(s, {key_mouse_left, 42, 3 + code_random}); // the legend's line of random
    apply_key(s, {key_mouse_right, 42, 3 + 8});          // a right click there takes nothing
    EXPECT_EQ(code_random, s.brush);
    const std::string after_7 = level_as_text(1);
    s.brush = 8;
    // released, no longer painting; nor does a click beside everything, nor a resize: the word
    // stays
    for (key k :
         {at_cell(key_mouse_left, 1), at_cell(key_mouse_drag, 2), at_cell(key_mouse_drag, 1),
          at_cell(key_mouse_drag, 9), at_cell(key_mouse_release, 9), at_cell(key_mouse_drag, 20),
          key{key_mouse_left, 60, 20}, key{key_resize, 80, 24}})
        apply_key(s, k);
    EXPECT_EQ("Painted 3 cells with [wh] white.", s.status);
    EXPECT_NE(std::string::npos, level_as_text(1).find("|[bk][wh][wh][bl]")); // and row 2's
    EXPECT_NE(std::string::npos, level_as_text(1).find("|..[gn][wh][bl]"));
    EXPECT_EQ(1, apply_key(s, {'u'}));
    EXPECT_EQ(std::pair(after_7, 1), std::pair(level_as_text(1), s.cursor));
    press(s, "S");
    for (key k : {at_cell(key_mouse_left, 40), at_cell(key_mouse_drag, 85)}) // rows 6 to 11
        apply_key(s, k);
    EXPECT_EQ("Painted 14 cells with [wh] white.", s.status);
    EXPECT_NE(std::string::npos,
              level_as_text(1).find(
                  "|..[wh]....................[wh]..|\n|....[wh][wh]........[wh][wh]....|\n|......."
                  "...[wh]....[wh]..........|\n|............[wh][wh]............|\n|..........[wh]."
                  "...[wh]..........|\n|........[wh]........[wh]........|"));
    const std::string line = level_as_text(1);
    press(s, "u");
    EXPECT_EQ("Undone: drag of 14 cells on level 1.", s.status);
    EXPECT_EQ(after_7, level_as_text(1));
    for (key k : {at_cell(key_mouse_left, 85), at_cell(key_mouse_drag, 40)}) // the same, upward
        apply_key(s, k);
    EXPECT_EQ(line, level_as_text(1));
    press(s, "u");
    apply_key(s, at_cell(key_mouse_drag, 20)); // the drag ended with the key
    EXPECT_EQ(after_7, level_as_text(1));
    press(s, "Tab");
    apply_key(s, {key_mouse_left, 20, 1});   // a board's number line chooses it
    apply_key(s, {key_mouse_left, 20, 200}); // below the boards shown, nothing
    EXPECT_EQ(2, s.overview.selected);
    const int presses[][2] = {{34, 1000}, {34, 1600}, {37, 1650}, {20, 1700},
                              {20, 1800}, {3, 2300},  {7, 2301}}; // x, ms; then cells 0 and 1
    for (const auto &p : presses) {
        EXPECT_EQ(p[1] <= 1800, s.mode == edit_mode::overview) << p[1];
        key k{key_mouse_left, p[0], 3};
        k.ms = p[1];
        apply_key(s, k);
    }
    EXPECT_NE(std::string::npos, level_as_text(2).find("|[bk][wh][bk][gn][bk][gn][wh][gn]|"));
    press(s, "Tab");
    apply_key(s, {key_mouse_double, 37, 3});
    EXPECT_EQ(std::pair(edit_mode::board, 3), std::pair(s.mode, s.level));
    press(s, "Right v"); // a box's moving corner follows a later click, to the first cell too
    key first = at_cell(key_mouse_left, 0);
    first.ms = 9000;
    apply_key(s, first);
    EXPECT_EQ(std::pair(edit_mode::box, 0), std::pair(s.mode, s.cursor));
}

TEST(Overview, LevelsTradePlacesWhenTheirColorsFitTheRooms)
{
    const char *no_room =
        "Not exchanged: level 30's 8 random colors do not fit level 29's room for 0.";
    const struct {
        int level;
        const char *keys, *status;
        int selected, top_row, at, from; // level at holds then what level from held
    } rows[] = {
        {1, "Tab >", "Exchanged levels 1 and 2.", 2, 0, 1, 2},
        {2, "Tab < u Up", "Undone: exchange of levels 1 and 2.", 1, 0, 1, 1}, // Up: nothing
        {1, "Tab x Right Right Right x", "Exchanged levels 1 and 4.", 4, 0, 1, 4},
        {3, "Tab >", "Not exchanged: level 3's 2 random colors do not fit level 4's room for 0.", 3,
         0, 1, 1},
        {21, "Tab x Home x",
         "Not exchanged: level 21's 1 random color does not fit level 1's room for 0.", 1, 0, 1, 1},
        {29, "Tab >", no_room, 29, 7, 1, 1},
        {1, "Tab > u U", "Redone: exchange of levels 1 and 2.", 2, 0, 1, 2},
        {1, "Tab Down PgDn Up Enter", "", 5, 1, 1, 1}, // 4 across, 1 down; opened
        {5, "Tab End Esc", "", 30, 7, 1, 1},
        // colors of levels between taken away first: no other record has room for them
        {3, "c 4 7 Enter Tab Right m 1 Enter", "Moved level 4 to 1.", 1, 0, 1, 4},
        {3, "c 4 7 Enter Tab Left Left m 4 Enter u", "Undone: move of levels 1 to 4.", 4, 0, 1, 1},
        {6, "c 7 2 5 Enter Tab Left Left Left m 6 Enter", "Moved level 3 to 6.", 6, 1, 6, 3},
        {3, "Tab m 1 Enter",
         "Not moved: level 3's 2 random colors do not fit level 1's room for 0.", 3, 0, 1, 1},
        {1, "Tab m 1 Enter", "Nothing changed: level 1 is at 1 already.", 1, 0, 1, 1},
        // fewer colors than level 30 was found with
        {30, "c 7 2 5 8 3 6 1 4 Enter Tab Left Left Left m 3 0 Enter",
         "Level 30's record has no known end: saved with fewer colors, its room shrinks for good.",
         30, 7, 30, 27}};
    for (const auto &r : rows) {
        edit_state s = start_on_sample(r.level);
        std::array<std::string, 31> text; // each level's cells and colors, as decoded
        for (int i = 1; i <= 30; i++)
            text[i] = level_as_text(i).substr(level_as_text(i).find('\n'));
        press(s, r.keys);
        EXPECT_EQ(r.status, s.status) << r.keys;
        EXPECT_EQ(std::pair(r.selected, r.top_row),
                  std::pair(s.overview.selected, s.overview.top_row))
            << r.keys;
        EXPECT_EQ(r.level == 21 ? 21 : 0, s.overview.marked)
            << r.keys; // a refused trade keeps its mark
        const std::string now = level_as_text(r.at);
        EXPECT_EQ(text[r.from], now.substr(now.find('\n'))) << r.keys;
    }
    edit_state s = start_on_sample(3, 0, "c 4 7 Enter Tab Left Left m 4 Enter Esc"); // to it
    EXPECT_EQ(std::pair(edit_mode::board, 4), std::pair(s.mode, s.level));
}

// A paste is checked as the text file is, in its level's lines: a warning refuses it, placed as
// pasted; an indented or quoted block loses its marks; the overview puts it on the chosen level.
TEST(Editor, PastedTextBringsInTheFirstLevelItHolds)
{
    start_on_sample(1);
    const std::string six = level_as_text(6), rows_of_six = six.substr(six.find("\n\n"));
    const std::size_t row_4 = six.find("|..", six.find("|..") + 1); // as row 2 is
    auto edited = [](std::string text, const std::string &from, const std::string &to, int n = 1) {
        for (std::size_t at = 0; n-- > 0; at += to.size())
            text.replace(at = text.find(from, at), from.size(), to);
        return text;
    };
    std::string crlf, cr, indented = "  \t", quoted = "> ";
    for (std::size_t k = 0; k < six.size(); k++) {
        const char c = six[k];
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
        cr += c == '\n' ? '\r' : c;
        indented += c == '\n' ? "\n  \t" : std::string(1, c);
        quoted += c != '\n' ? std::string(1, c) : six[k + 1] == '\n' ? "\n>" : "\n> ";
    }
    const std::string lost = "'red' is lost: after each name the reader skips two characters, so "
                             "names must be parted by \", \".";
    const struct {
        int level;
        std::string text;
        std::string status;
        const char *keys = "";
    } rows[] = {
        {30, "\xEF\xBB\xBF" + crlf, // fewer colors than a room that is its own count
         "Level 30's record has no known end: saved with fewer colors, its room shrinks for good."},
        {27, cr + edited(edited(level_as_text(7), "Level", "level"), "[", "[x"), // not checked
         "Pasted the first of 2 levels in the text over level 27."},
        {27, edited(indented, "\n  \t\n", "\n \n") + "  x\n",
         "Pasted a level from text over level 27.", "PgUp Tab Right"}, // the one after the shown
        {9, edited(quoted, "k, r", "k,r"), "Not pasted: line 2, column 25: " + lost},
        {27, six, "Not pasted: leave color mode first (Enter or Esc).", "c"},
        {30, six.substr(0, row_4), "Not pasted: the text holds 3 of a level's 11 rows."},
        {3, level_as_text(30),
         "Not pasted: the text has 8 random colors, level 3's record has room for 2."},
        {9, "  \t  Look:\n" + indented,
         "Not pasted: line 1, column 4: line ignored: it is no row line (\"|\" first), color line, "
         "level line, comment (\";\" or \"#\" first) nor blank line."},
        {9, edited(crlf, "[wh]", "[BL]", 3),
         "Not pasted: line 4, column 6: '[BL]' is no cell name: read as an empty cell (and 2 "
         "more)."},
        {9, edited(indented, "k, r", "k,r"), "Not pasted: line 2, column 26: " + lost}};
    for (const auto &r : rows) {
        SCOPED_TRACE(r.status);
        edit_state s = start_on_sample(r.level, 0, r.keys);
        const std::string before = level_as_text(r.level);
        const bool pasted = r.status[0] != 'N';
        EXPECT_EQ(pasted, apply_key(s, {key_paste, 0, 0, r.text}));
        EXPECT_EQ(r.status, s.status);
        std::string now = level_as_text(r.level);
        EXPECT_EQ(pasted ? rows_of_six : before.substr(before.find("\n\n")),
                  now.substr(now.find("\n\n")));
        press(s, pasted ? "u" : ""); // one step, whose level the overview shows at once
        EXPECT_EQ(before, level_as_text(r.level));
        EXPECT_TRUE(!pasted || s.overview.selected == r.level) << s.overview.selected;
    }
}
