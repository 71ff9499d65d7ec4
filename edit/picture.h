// edit/picture.h - the picture of the editor's state: a grid of cells the size of the console,
// drawn from the state (screen.cpp) where layout.cpp puts things. It reads the state and
// changes nothing; the console above shows the grid.
#ifndef EDIT_PICTURE_H
#define EDIT_PICTURE_H

#include <cstdint>
#include <vector>

#include "edit/state.h"

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

// Fills g (its width and height already set to the console's) with the picture of s.
void draw(const edit_state &s, grid &g);

#endif
