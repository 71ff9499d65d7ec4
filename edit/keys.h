// edit/keys.h - the editor's lowest layer: what a key is, and how a terminal's bytes become keys.
// The state above takes keys; the console reads them.
#ifndef EDIT_KEYS_H
#define EDIT_KEYS_H

#include <cstddef>
#include <cstdint>
#include <string>

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
    key_mouse_double,  // x, y: a left press that the console knows for a double click (Windows)
    key_wheel_up,      // x, y: where the pointer is; the wheel turned away from the user
    key_wheel_down,    // x, y: the same, turned toward the user
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
    // When it came, in milliseconds of the console's steady clock: a double click is two left
    // presses close in time, and the state, which has no clock, reads it here.
    std::int64_t ms = 0;
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

#endif
