// edit/edit.h - the console level editor, in layers that each know nothing of the one below:
// the state that keys change (editor.cpp, tools.cpp, overview.cpp, recovery.cpp), the picture
// drawn of it (layout.cpp, screen.cpp), and the console that shows pictures and reads keys
// (console_posix.cpp or console_win.cpp, the one file of the two that the build picks, and the
// only ones that know the system; keys.cpp turns a terminal's bytes into keys). The dependency
// runs one way: the picture reads the state, and the state asks only layout.cpp where things
// are drawn. The editor works on the process-wide level table, tb_level.
#ifndef EDIT_EDIT_H
#define EDIT_EDIT_H

#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "store/store.h"

// ---- keys: what the console reads

// Printable ASCII keys and control characters are their own code (Tab 9, Enter 13, Esc 27,
// Ctrl-C 3, Ctrl-S 19, Ctrl-V 22, Ctrl-Y 25, Ctrl-Z 26, Backspace 127, whichever byte the
// terminal sends for it); other keys are codes above 255.
enum key_code : int {
    key_none = -1, // nothing more can be read: the console is gone (decode_key: no key here)
    key_tab = 9,
    key_enter = 13,
    key_escape = 27,
    key_backspace = 127,
    key_up = 0x100,
    key_down,
    key_left,
    key_right,
    key_home,
    key_end,
    key_page_up,
    key_page_down,
    key_delete,
    key_f1,
    key_mouse_left,    // x, y: the screen cell pressed, from 0
    key_mouse_right,   // x, y: the screen cell pressed, from 0
    key_mouse_drag,    // x, y: the cell the pointer moved to with the left button held
    key_mouse_release, // x, y: where the left button was let go
    key_resize,        // x, y: the console's new width and height; also: redraw it all
    key_paste,         // text: what was pasted (a bracketed paste, or the Windows clipboard)
    key_timeout,       // nothing came in the time console_read was given
    key_hangup, // the editor is told to end: SIGHUP, SIGTERM, SIGQUIT, SIGINT, a closed window
};
constexpr int ctrl(char letter) { return letter & 0x1F; }

struct key {
    int code = key_none;
    int x = 0, y = 0;
    std::string text{}; // key_paste only
};

// Turns the bytes a terminal sent into one key. p holds the n bytes not yet taken; idle_ms is
// how long ago the last of them arrived. Returns the number of bytes the key took, with k set
// (k.code key_none: they held no key, and are dropped), or 0 while they are the start of a
// longer sequence that may still come whole. Pure: the same bytes, however split, give the
// same keys.
int decode_key(const unsigned char *p, int n, int idle_ms, key &k);
// decode_key's clocks: a lone ESC is Esc once escape_wait_ms passed without another byte; an
// unfinished sequence is dropped after sequence_wait_ms (when decode_key never returns 0). A
// paste keeps its first paste_max bytes.
constexpr int escape_wait_ms = 50, sequence_wait_ms = 1000;
constexpr std::size_t paste_max = std::size_t{1} << 20;

// ---- the picture: a grid of cells the size of the console

// Screen colors, in the terminals' order; the console maps them to what it has.
enum color : std::uint8_t {
    color_black,
    color_red,
    color_green,
    color_yellow, // dark yellow
    color_blue,
    color_magenta,
    color_cyan,
    color_white, // light grey
    color_bright_black,
    color_bright_red,
    color_bright_green,
    color_bright_yellow,
    color_bright_blue,
    color_bright_magenta,
    color_bright_cyan,
    color_bright_white,
    color_default, // the console's own foreground or background
    color_orange,  // where the console has no orange, its nearest (dark yellow)
};
enum attribute : std::uint8_t { attr_none = 0, attr_bold = 1, attr_reverse = 2 };

// The one character that is not printable ASCII: the upper half of the cell in fg, the lower
// half in bg (U+2580), drawn only where console_unicode() said the console shows it.
constexpr char glyph_half_block = '\x01';

struct screen_cell {
    char ch = ' '; // printable ASCII, or glyph_half_block
    std::uint8_t fg = color_default, bg = color_default, attr = attr_none;
    bool operator==(const screen_cell &o) const
    {
        return ch == o.ch && fg == o.fg && bg == o.bg && attr == o.attr;
    }
    bool operator!=(const screen_cell &o) const { return !(*this == o); }
};

// A picture the size of the console, row after row, and where the terminal's cursor stands.
struct grid {
    int width = 0, height = 0;
    std::vector<screen_cell> cells;
    int cursor_x = 0, cursor_y = 0;
};

// What both consoles ask of a picture before they show it.
inline bool same_size(const grid &a, const grid &b)
{
    return a.width == b.width && a.height == b.height;
}
inline bool grid_is_whole(const grid &g)
{
    return g.width > 0 && g.height > 0 &&
           g.cells.size() >= static_cast<std::size_t>(g.width) * static_cast<std::size_t>(g.height);
}
inline void cursor_of(const grid &g, int &x, int &y) // on the picture, whatever g says
{
    x = g.cursor_x < 0 ? 0 : g.cursor_x >= g.width ? g.width - 1 : g.cursor_x;
    y = g.cursor_y < 0 ? 0 : g.cursor_y >= g.height ? g.height - 1 : g.cursor_y;
}

// ---- layout.cpp: where the picture puts things, for a console of a given size

// The smallest console the editor works in; below it only a request to enlarge the window shows.
constexpr int min_width = 40, min_height = 17;
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

// The keys' help, in pages of the lines that fit the console's height. help_page_lines points
// first at page's lines (the last page when page is past it) and returns how many there are.
int help_page_count(int height);
int help_page_lines(int page, int height, const char *const *&first);

// ---- editor.cpp, board.cpp, overview.cpp: the state, and one function that applies a key

enum class edit_mode {
    board,    // a level, painted with keys and the mouse
    colors,   // its random colors edited: 1-8 add or remove one
    box,      // a box of cells selected: from box_anchor to the cursor
    brush,    // after b: a code key takes the brush
    replace,  // after r: a code key replaces the cursor cell's code in the whole level
    go_to,    // after g: a level number typed in typed
    help,     // the keys, page help_page
    overview, // all levels as small boards, selected chosen
    asking,   // save before quitting? (y/n, Esc)
    confirm,  // KR_PROG.PRG changed or went away on disk: save over it? (y/n)
    restore,  // an earlier session's unsaved changes found: restore them? (y/n)
};

// One undo step is a head entry (the level shown and the cursor then) followed by what the step
// changed: cells (level, index, both codes) and random color lists (level, both counts, then
// payload entries with both lists). Four bytes an entry, so that memory grows with what was
// changed, not with the size of the levels.
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

struct edit_state {
    int level = 1;          // the level shown, 1 to last_level()
    int cursor = 0;         // its cell under the cursor, 0 to 87, never a no-slot place
    int brush = code_empty; // the code that painting puts down
    edit_mode mode = edit_mode::board;
    edit_mode back_to = edit_mode::board; // where help, a question or go to return
    int box_anchor = 0;                   // box: the corner fixed where v was pressed
    bool dragging = false;                // the left button is held on the board
    bool drag_step = false;               // the drag has painted: its undo step is the last
    int help_page = 0;
    std::string typed; // go to: the digits typed so far

    // the overview
    int selected = 1;     // the level chosen
    int top_row = 0;      // the first row of small boards shown
    int marked = 0;       // the level x marked for an exchange, 0: none
    int level_before = 1; // shown before the overview opened, for Esc

    // undo: the steps in log[0, done) are applied, those after done undone, for redo
    std::deque<undo_entry> log;
    std::size_t done = 0;
    std::array<tb_level_entry, 31> saved_levels{}; // what the file holds, as last read or saved

    int copy_kind = 0;     // 0 nothing, 1 a level (copy), 2 a box (box_copy)
    tb_level_entry copy{}; // what y copied of a level
    std::vector<box_cell> box_copy;

    std::string status;       // the last message, shown until the next one
    std::string to_clipboard; // text for the console to put on the clipboard (Y)
    bool quit = false;
    bool quit_after_save = false; // the save being confirmed came from the quit question
    bool colors = true;           // false when NO_COLOR is set
    bool unicode = false;         // the console shows glyph_half_block
    int width = 80, height = 24;
    // Writes the levels into the program file: 1 = saved; 0 = message says why. The editor's
    // own (encode, then the atomic save) unless a test puts another here.
    int (*save)(std::string &message) = nullptr;
    // Compares KR_PROG.PRG on disk with what was read or last saved of it: 0 the same,
    // 1 changed, 2 gone. The editor's own reads the file, unless a test puts another here.
    int (*disk_state)() = nullptr;
};

void edit_start(edit_state &s);             // on the levels now in tb_level
int apply_key(edit_state &s, const key &k); // 1 = the levels changed
// Levels that differ from what the file holds: all of them, or level i.
bool unsaved(const edit_state &s);
bool level_unsaved(const edit_state &s, int i);

// Runs the editor in the console on the levels in tb_level: 1 = the user quit; 0 = the console
// could not be set up or was lost, or the editor was ended from outside, reported.
int edit_levels();

// Shared by the state's files. commit records what a key changed in the levels as one undo step,
// shown on s.level: 1 = something changed. commit: the shown level, from before (extend: added
// to the last step, as a drag's cells are); commit_levels: any of them.
int commit(edit_state &s, const tb_level_entry &before, bool extend = false);
int commit_levels(edit_state &s, const std::array<tb_level_entry, 31> &before);
void ask_to_quit(edit_state &s);
// The keys that do the same on the board and in the overview: undo, redo, save, quit and
// help. 1 = code was one of them, changed = 1 when the levels changed.
int shared_key(edit_state &s, int code, int &changed);
int board_key(edit_state &s, const key &k); // board.cpp: the board and its modes
void open_overview(edit_state &s);          // overview.cpp
int overview_key(edit_state &s, const key &k);
// printf into a string: the state's messages, the picture's numbers
#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
std::string
formatted(const char *format, ...);

// ---- tools.cpp: what the tools do to the cells of one level; pure functions

// Paints the cell and every cell of its code joined to it through touching cells: 1 = changed.
int flood_fill(tb_level_entry &e, int cell, int code);
void mirror_left_right(tb_level_entry &e);
void mirror_top_bottom(tb_level_entry &e);
// Moves every cell by drows rows and dx half-cell columns (dx = +-2: a cell along its row;
// drows = +-2: two rows, so that the stagger stays); cells moved off the board are lost, and
// empty ones come in.
void shift_cells(tb_level_entry &e, int drows, int dx);
int replace_code(tb_level_entry &e, int from, int to); // the number of cells changed
void clear_cells(tb_level_entry &e);
int count_code(const tb_level_entry &e, int code);
// The cells of the box with corners a and b, as offsets from its first cell: the one with the
// smallest half-cell column in its top row.
std::vector<box_cell> copy_box(const tb_level_entry &e, int a, int b);
// Lays copy with its first cell on cell at; cells off the board are dropped. Returns the cells
// that landed; randoms counts the random ones among them.
int paste_box(tb_level_entry &e, const std::vector<box_cell> &copy, int at, int &randoms);

// ---- recovery.cpp: the unsaved changes kept beside the program file

constexpr const char *recovery_name = "vellumix-unsaved.lvl";
// 1 = the recovery file holds the levels now in tb_level; 0 = error says why.
int write_recovery(std::string &error);
void remove_recovery();
bool recovery_exists();
// Answers the question asked at start: y reads it over the levels as one undo step (1 = the
// levels changed), n keeps it as vellumix-unsaved.lvl.bak.
int answer_recovery(edit_state &s, bool restore);

// ---- screen.cpp: the picture of the state

// Fills g (its width and height already set to the console's) with the picture of s.
void draw(const edit_state &s, grid &g);

// ---- console_posix.cpp, console_win.cpp: the terminal (POSIX) or the console (Windows)

bool console_is_terminal(); // standard input and output are both a terminal or console
// POSIX: TERM says the terminal can draw a screen (set, not empty, not "dumb"); term is its
// value, "" when unset. Windows: always.
bool console_can_draw(std::string &term);
// 1 = the console shows a screen of its own (alternate screen, raw keys, mouse reports, pastes
// in brackets), its size in width and height; 0 = it could not be set up, and is left as it was.
int console_open(int &width, int &height);
bool console_unicode();           // it shows glyph_half_block
void console_show(const grid &g); // only what changed since the last picture, in one write
// Waits up to timeout_ms (-1: for ever) for a key, a click, a paste or a resize; key_timeout
// when none came, key_hangup when a signal (or Windows' close) asks the editor to end.
key console_read(int timeout_ms);
// Puts text on the clipboard: clip_copied (the system's own), clip_sent (to the terminal, which
// may ignore it), clip_failed.
enum clip_result { clip_failed, clip_copied, clip_sent };
clip_result console_copy_text(const std::string &text);
void console_close(); // gives the console back as it was; harmless when not open
// Windows started from Explorer: the console is the program's own, and closes with it.
bool console_own_window();
void console_wait_key(const char *prompt); // shows prompt on a line of its own, waits for a key

#endif
