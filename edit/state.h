// edit/state.h - the editor's state and what keys do to it: one function applies a key, and every
// change to the levels goes through the history as one undo step. Below it lie only the keys;
// the picture above reads the state, and the console above that feeds it keys. The state works
// on the process-wide level table, tb_level.
//   editor.cpp    edit_start, apply_key: questions, saving and the keys every mode shares first,
//                 then the mode's own handler
//   board.cpp     the board's keys and modes         overview.cpp  all levels at a glance
//   paste.cpp     p and P, and a level pasted as text
//   colors.cpp    color mode: a level's random colors
//   history.cpp   commit, undo, redo, unsaved: what the handlers call, calling none of them
//   tools.cpp     pure tools on a level             recovery.cpp  the recovery file
//   layout.cpp    where each thing stands on a screen of a given size: the state asks it where a
//                 click fell, the picture where to draw
#ifndef EDIT_STATE_H
#define EDIT_STATE_H

#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "cli/logerror.h" // formatted(): the state's messages, the picture's numbers
#include "edit/keys.h"
#include "store/store.h"

// ---- layout.cpp: where things stand, for a console of a given size

// The smallest console the editor works in; below it only a request to enlarge the window shows.
constexpr int min_width = 40, min_height = 17;
// The largest it draws for: a larger window shows the picture in its top-left corner, and no
// product of the sizes can outgrow an int or the memory.
constexpr int max_size = 1000;
inline int clamped_size(int n) { return n < 0 ? 0 : n > max_size ? max_size : n; }
enum class layout_kind { too_small, compact, normal, large };
struct layout {
    layout_kind kind = layout_kind::too_small;
    int board_x = 0, board_y = 0;    // where the board's first row begins (its "|")
    int cell_w = 4, cell_h = 1;      // a cell's columns and lines on the board
    int legend_x = -1, legend_y = 0; // -1: no legend (compact)
    int brush_y = 0, status_y = 0, keys_y = 0;
};
// compact from 40 x 17, normal from 80 x 24, large from 120 x 40
layout layout_of(int width, int height);
// The board's cell drawn at column x, line y of the screen, or -1.
int board_cell_at(const layout &l, int x, int y);
// The code (0 to 9) of the legend line at x, y, or -1.
int legend_code_at(const layout &l, int x, int y);

// The overview's small boards: how many fit across and down, their size, where they start.
// letters: drawn with a letter a cell and a line a row (NO_COLOR, or no half blocks), else
// with colored half blocks, two rows a line.
struct overview_layout {
    int columns = 1, rows = 1;    // boards across, and down in one screen
    int board_w = 0, board_h = 0; // a board and its number line, gaps included
    int x = 0, y = 0;             // the first board's top-left corner
};
overview_layout overview_layout_of(int width, int height, bool letters);

// The keys' help, in pages of the lines that fit the console's height, one mode's keys never
// split: page's lines (the last page's when page is past it), the overview's keys first when it
// was opened from there.
int help_page_count(int height, bool overview_first);
std::vector<const char *> help_page_lines(int page, int height, bool overview_first);

// ---- the state

enum class edit_mode {
    board,    // a level, painted with keys and the mouse
    colors,   // its random colors edited: 1-8 add or remove one
    box,      // a box of cells selected: from box_anchor to the cursor
    brush,    // after b: a code key takes the brush
    replace,  // after r: a code key replaces the cursor cell's code in the whole level
    go_to,    // after g: a level number typed in question.typed
    help,     // the keys, page help_page
    overview, // all levels as small boards, overview.selected chosen
    asking,   // save before quitting? (y/n, Esc)
    confirm,  // KR_PROG.PRG changed or went away on disk: save over it? (y/n)
    restore,  // an earlier session's unsaved changes found: restore them? (y/n)
    update,   // saved, and vellumix.lvl holds older levels: update them in it? (y/n)
    move_to,  // after m in the overview: the place for the level chosen, typed in question.typed
};
// The modes of a question in the request line, which takes y or n.
inline bool asking_question(edit_mode m)
{
    return m == edit_mode::asking || m == edit_mode::confirm || m == edit_mode::restore ||
           m == edit_mode::update;
}

// What a step did, kept in its head entry, for undo and redo to name it.
enum class action : std::uint8_t {
    paint,
    drag,
    fill,
    replace,
    shift,
    mirror,
    clear,
    edit, // of the random colors
    paste,
    stamp,
    box_paint,
    emptying, // a box emptied
    cut,
    exchange,
    move,
    restore,
};

// One undo step is a head entry (the level shown, the cursor then and the action) followed by
// what the step changed: cells (level, index, both codes) and random color lists (level, both
// counts, then payload entries with both lists). Four bytes an entry, so that memory grows with
// what was changed, not with the size of the levels.
enum undo_kind : std::uint8_t { undo_head, undo_cell, undo_colors, undo_payload };
struct undo_entry {
    undo_kind kind;
    std::uint8_t a, b, c;
};

// What y copied: a level, or the cells of a box as offsets from its first cell.
struct box_cell {
    int drow, dx; // rows down, half-cell columns right of the box's first cell
    std::uint8_t code;
};

// The box with corners a and b holds cell k when k's row and half-cell column both lie between
// the corners' own, ends included: the same shape on long and short rows alike.
inline bool in_box(int a, int b, int k)
{
    auto between = [](int v, int p, int q) { return (v >= p && v <= q) || (v >= q && v <= p); };
    return between(row_of(k), row_of(a), row_of(b)) &&
           between(half_column(k), half_column(a), half_column(b));
}

// The overview's own: the level chosen, the boards in sight, a mark, and the last clicks.
struct overview_state {
    int selected = 1;     // the level chosen
    int top_row = 0;      // the first row of small boards shown
    int marked = 0;       // the level x marked for an exchange, 0: none
    int level_before = 1; // shown before the overview opened, for Esc
    int click_level = 0;  // the board of the last left press, for a double click; 0: none
    std::int64_t click_ms = 0;
    std::int64_t opened_ms = -1; // when a double click last opened a level from it; -1: never
};

// A question or a prompt in the request line: its words, where it returns, what rides on it.
struct question_state {
    edit_mode back_to = edit_mode::board; // where help, a question or go to return
    std::string typed;                    // go to, move to: the digits typed so far
    std::string text;                     // its own words, for a paste's word to stand before them
    std::string pasted_over;              // the status as a paste's word before text last showed it
    bool quit_after_save = false;         // the save being confirmed came from the quit question
    bool text_left = false; // the update question was answered no: it is not asked again
    std::vector<int> to_update, own_edits; // the update question's levels; the file's own edits
};

// A stroke of the left button held on the board.
struct drag_state {
    bool on = false;   // the left button is held on the board
    bool step = false; // the drag has painted: its undo step is the last
};

// What KR_PROG.PRG on disk is now, against what was read or last saved of it.
enum class disk_change { same, changed, gone };

// The editor's ways to the files: its own unless a test puts others here.
struct edit_hooks {
    // Writes the levels into the program file: false = message says why. The editor's own
    // encodes, then saves atomically.
    bool (*save)(std::string &message) = nullptr;
    disk_change (*disk_state)() = nullptr; // the editor's own reads the file
    // Reads vellumix.lvl over table as -saveprg reads it: false = it is not there or cannot be
    // read.
    bool (*text_levels)(std::array<tb_level_entry, 31> &table) = nullptr;
    // Puts the levels listed into vellumix.lvl in place of its own, the rest of it kept, backup
    // and all: false = error says why.
    bool (*save_text)(const std::vector<int> &levels, std::string &error) = nullptr;
};

// What p pastes: what y copied last.
enum class copied { nothing, level, box };

struct edit_state {
    int level = 1;  // the level shown, 1 to last_level()
    int cursor = 0; // its cell under the cursor, 0 to 87, never a no-slot place
    int brush = 1;  // the code that painting puts down: [bl] blue, the legend's first
    edit_mode mode = edit_mode::board;
    int box_anchor = 0;        // box: the corner fixed where v was pressed
    bool mirror_paint = false; // S: each cell painted paints its mirror too
    int help_page = 0;
    overview_state overview;
    question_state question;
    drag_state drag;

    // undo: the steps in log[0, done) are applied, those after done undone, for redo
    std::deque<undo_entry> log;
    std::size_t done = 0;
    std::array<tb_level_entry, 31> saved_levels{}; // what the file holds, as last read or saved
    std::array<tb_level_entry, 31> recovered{};    // an earlier session's, offered at start

    copied copy_kind = copied::nothing;
    tb_level_entry copy{}; // what y copied of a level
    std::vector<box_cell> box_copy;

    std::string status;       // the last message, shown until the next one
    std::string to_clipboard; // text for the console to put on the clipboard (Y)
    bool quit = false;
    bool colors = true;   // false when NO_COLOR is set
    bool unicode = false; // the console shows the picture's half blocks
    int width = 80, height = 24;
    edit_hooks hooks;
};

// ---- editor.cpp: what the console calls

void edit_start(edit_state &s);              // on the levels now in tb_level
bool apply_key(edit_state &s, const key &k); // true = the levels changed

// ---- history.cpp: undo, and what the file holds

// Levels that differ from what the file holds: all of them, or level i.
bool unsaved(const edit_state &s);
bool level_unsaved(const edit_state &s, int i);
// Records what a key changed in the levels as one undo step, shown on s.level: true = something
// changed. commit: the shown level, from before (extend: added to the last step, as a drag's
// cells are); commit_levels: any of them.
bool commit(edit_state &s, const tb_level_entry &before, action what, bool extend = false);
bool commit_levels(edit_state &s, const std::array<tb_level_entry, 31> &before, action what);
// commit, and the status says did, or that nothing changed and why: nothing.
bool finish_step(edit_state &s, const tb_level_entry &before, action what, const std::string &did,
                 const std::string &nothing);
// What a change of level i's random colors says when they are now fewer than a room that is only
// the record's own count: saved so, that room shrinks for good.
std::string room_note(int i);
// Takes back the last step (back) or does the next one again, and says which: true = the levels
// changed.
bool undo_step(edit_state &s, bool back);
// The last step done: its action, the level it was done on and how many cells it changed;
// false when there is none.
bool last_step(const edit_state &s, action &what, int &level, int &cells);
// A number typed after a prompt (go to, move to): digits, Backspace, Enter. The number entered
// on Enter, -1 while typing, -2 when Esc (or Enter on nothing) cancels.
int typed_number(edit_state &s, int code);
// What a paste not taken as a level says; "" for text with a level line or a row in it.
std::string paste_ignored(const std::string &text);
constexpr int double_click_ms = 500; // two left presses on one place within it: a double click
inline const char *plural(int n) { return n == 1 ? "" : "s"; } // "%d cell%s"

// ---- board.cpp, paste.cpp, colors.cpp, overview.cpp: each mode's own keys, after the keys every
// mode shares

bool board_key(edit_state &s, const key &k); // the board and its modes
// paste.cpp: p, or P for a stamp, whose empty cells leave the cells under them as they are.
bool paste_copy(edit_state &s, bool stamp);
// Text brings in the first level it holds over s.level, read as the text file is read, and
// checked as it is: a level not taken as written is not taken at all. true = the levels changed.
bool paste_text(edit_state &s, const std::string &text);
bool color_key(edit_state &s, const key &k); // color mode; a click is the board's
extern const char *const color_mode_keys;    // its key line, the keys color_key takes
void open_overview(edit_state &s);
bool overview_key(edit_state &s, const key &k);

// ---- tools.cpp: what the tools do to the cells of one level; pure functions

// Paints the cell and every cell of its code joined to it through touching cells: true = changed.
bool flood_fill(tb_level_entry &e, int cell, int code);
// The cell at the other end of k's row: where mirror painting puts its second cell.
int mirror_cell(int k);
// Mirrors the cells of the box with corners a and b within it, left to right or top to bottom:
// true = done; false = nothing changed, as its cells would land between cells (a box whose edges
// are not symmetric on the staggered rows). Corners 0 and 87 mirror the whole level.
bool mirror_box(tb_level_entry &e, int a, int b, bool top_bottom);
// Moves every cell by drows rows and dx half-cell columns (dx = +-2: a cell along its row;
// drows = +-2: two rows, so that the stagger stays); cells moved off the board are lost, and
// empty ones come in. Returns how many cells that were not empty fell off.
int shift_cells(tb_level_entry &e, int drows, int dx);
int replace_code(tb_level_entry &e, int from, int to); // the number of cells changed
void clear_cells(tb_level_entry &e);
int cells_changed(const tb_level_entry &a, const tb_level_entry &b); // whose codes differ
int count_code(const tb_level_entry &e, int code);
// The cells of the box with corners a and b, as offsets from its first cell: the one with the
// smallest half-cell column in its top row.
std::vector<box_cell> copy_box(const tb_level_entry &e, int a, int b);
// Lays copy with its first cell on cell at; cells off the board are dropped, and so are its
// empty cells for a stamp. Returns the cells that landed; randoms counts the random ones.
int paste_box(tb_level_entry &e, const std::vector<box_cell> &copy, int at, int &randoms,
              bool stamp = false);
// The cells on the straight line from cell a to cell b, in half-cell columns and rows, a and b
// included: one in every row between, each once, touching each other, in order from a.
std::vector<int> line_cells(int a, int b);

// ---- recovery.cpp: the unsaved changes kept beside the program file

constexpr const char *recovery_name = "vellumix-unsaved.lvl";
// true = the recovery file holds the levels now in tb_level; false = error says why.
bool write_recovery(std::string &error);
void remove_recovery();
// Quitting without saving: the unsaved changes (the levels in tb_level) kept as
// vellumix-unsaved.lvl.bak, written as the recovery file is: true = kept; false = error says why.
bool keep_unsaved(std::string &error);
// At start: an earlier session's unsaved changes are read into s.recovered and offered (the
// restore question, naming the levels they change); a file that holds no whole level, or cannot
// be read, is kept as vellumix-unsaved.lvl.bak, and one that changes no level removed.
void offer_recovery(edit_state &s);
// Answers that question: y puts them in the levels as one undo step (true = the levels changed),
// n keeps the file as vellumix-unsaved.lvl.bak.
bool answer_recovery(edit_state &s, bool restore);

// ---- lock_posix.cpp, lock_win.cpp: one editor at a time in a folder, as two would share the
// recovery file and undo each other's saves

// The lock dies with its process. POSIX locks the folder itself; Windows holds the file name.
enum class lock_result {
    held,       // by this process now
    busy,       // by another process
    none,       // none can be made here, by any process
    in_the_way, // name is taken by something that is no lock of ours (Windows)
};
lock_result lock_folder(const char *name);
void unlock_folder(); // and no file of the lock is left

#endif
