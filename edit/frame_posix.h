// edit/frame_posix.h - the terminal's picture as console_posix.cpp keeps it, and the frame of
// escape sequences that turns it into the next one, which frame_posix.cpp builds.
#ifndef EDIT_FRAME_POSIX_H
#define EDIT_FRAME_POSIX_H

#include <string>

#include "edit/picture.h"

// What goes out: the picture the terminal holds, and where its cursor and pen stand.
struct output_state {
    bool is_open = false;
    grid shown;               // width 0 when unknown, to redraw it whole
    std::string frame;        // one picture's bytes, kept to reuse its memory
    int at_x = -1, at_y = -1; // where the terminal's cursor stands; -1: not known
    screen_cell pen;          // the colors and attributes the terminal draws with
    bool pen_known = false;
    bool cursor_shown = false; // hidden as the screen opens, shown by the first picture
    bool has_256 = false, unicode = false;
};

// Puts into o.frame the bytes that turn the picture shown into g, only the cells that differ,
// cursor moves and colors the shortest way; o then holds g as shown.
void build_frame(output_state &o, const grid &g);

#endif
