// edit/edit.h - the console level editor, in three layers that each know nothing of the one
// below: the state that keys change (editor.cpp), the picture drawn of it (screen.cpp), and the
// console that shows pictures and reads keys (console_posix.cpp or console_win.cpp, the one file
// of the two that the build picks, and the only ones that know the system).
// The editor works on the process-wide level table, tb_level, decoded from the program image.
#ifndef EDIT_EDIT_H
#define EDIT_EDIT_H

#include <cstdint>
#include <string>
#include <vector>

#include "store/store.h"

// What the console reads. Printable ASCII keys and control characters are their own code
// (Enter 13, Esc 27, Ctrl-C 3, Ctrl-S 19, Ctrl-Y 25, Ctrl-Z 26); other keys are codes above 255.
enum key_code : int {
    key_none = -1, // nothing more can be read: the console is gone
    key_enter = 13,
    key_escape = 27,
    key_up = 0x100,
    key_down,
    key_left,
    key_right,
    key_home,
    key_end,
    key_page_up,
    key_page_down,
    key_f1,
    key_mouse_left,  // x, y: the screen cell clicked, from 0
    key_mouse_right, // x, y: the screen cell clicked, from 0
    key_resize,      // x, y: the console's new width and height
};
constexpr int ctrl(char letter) { return letter & 0x1F; }

struct key {
    int code = key_none;
    int x = 0, y = 0;
};

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

struct screen_cell {
    char ch = ' '; // printable ASCII only: every console shows it the same
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
constexpr int screen_width = 80, screen_height = 24; // the smallest console the editor fills

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

// ---- editor.cpp: the state, and one function that applies a key to it

enum class edit_mode { board, colors, help, asking }; // asking: save before quitting?

struct change { // one undo step: a level before and after it, and where the cursor was
    int level, cursor;
    tb_level_entry before, after;
};

struct edit_state {
    int level = 1;          // the level shown, 1 to nb_levels
    int cursor = 0;         // its cell under the cursor, 0 to 87, never a no-slot place
    int brush = code_empty; // the code that painting puts down
    edit_mode mode = edit_mode::board;
    std::vector<change> history; // history[0, done) applied; the rest undone, for redo
    std::size_t done = 0;
    long saved = 0; // the value of done when the file last held the levels; -1: none
    bool has_copy = false;
    tb_level_entry copy{}; // what y copied
    std::string status;    // the last message, shown until the next one
    bool quit = false;
    bool colors = true; // false when NO_COLOR is set
    int width = screen_width, height = screen_height;
    // Writes the levels into the program file: 1 = saved; 0 = message says why. The editor's
    // own (encode, then the atomic save) unless a test puts another here.
    int (*save)(std::string &message) = nullptr;
};

void edit_start(edit_state &s);             // on the levels now in tb_level
int apply_key(edit_state &s, const key &k); // 1 = the levels changed
bool unsaved(const edit_state &s);

// Runs the editor in the console on the levels in tb_level: 1 = the user quit; 0 = the console
// could not be set up or was lost, reported.
int edit_levels();

// ---- screen.cpp: the picture of the state

// Fills g (its width and height already set to the console's) with the picture of s.
void draw(const edit_state &s, grid &g);
// The cell of the board drawn at column x, row y of the screen, or -1.
int cell_at(const edit_state &s, int x, int y);

// ---- console_posix.cpp, console_win.cpp: the terminal (POSIX) or the console (Windows)

bool console_is_terminal(); // standard input and output are both a terminal or console
// 1 = the console shows a screen of its own (alternate screen, raw keys, mouse reports), its
// size in width and height; 0 = it could not be set up, and is left as it was.
int console_open(int &width, int &height);
void console_show(const grid &g); // only what changed since the last picture, in one write
key console_read();               // waits for a key, a click or a resize
void console_close();             // gives the console back as it was; harmless when not open
// Windows started from Explorer: the console is the program's own, and closes with it.
bool console_own_window();
void console_wait_key(const char *prompt); // shows prompt and waits for any key

#endif
