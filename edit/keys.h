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
    key_paste,         // text: what was pasted (marked, or what arrived together; a clipboard)
    key_paste_lost,    // a bracketed paste whose end mark never came: nothing is pasted
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

// What arrives together is a paste, not keys: printable characters, tabs or line ends, at least
// two of them and not all the same, each within burst_ms of the one before (or waiting together
// when read). People type one key at a time, and a held key repeats one. Once a paste has begun,
// so or by its start mark, every byte that comes within paste_gap_ms of the one before is its
// text, whatever it is; a mark ends it, and what comes on with the mark is a paste of its own.
constexpr int burst_ms = 20, paste_gap_ms = 100;
inline bool in_burst(unsigned char c)
{
    return c >= 0x20 ? c != 0x7F : c == '\r' || c == '\n' || c == '\t';
}

// decode_key's clocks: a lone ESC is Esc once escape_wait_ms passed without another byte; a
// sequence or terminal string is over once nothing came for sequence_wait_ms; a bracketed paste
// is given up after paste_wait_ms of silence. A paste keeps its first paste_max bytes.
constexpr int escape_wait_ms = 50, sequence_wait_ms = 1000, paste_wait_ms = 10000;
constexpr std::size_t paste_max = std::size_t{1} << 20;

// What the decoder carries from one call to the next: a terminal string, an overlong sequence,
// a paste or a run of characters is taken as its bytes arrive, so that nothing a terminal sends
// is held whole, and no byte is looked at twice but a few.
enum class key_reading : std::uint8_t { keys, string, sequence, run, paste };
struct key_decoder {
    key_reading reading = key_reading::keys;
    bool after_escape = false; // the last key was a lone Esc
    bool marked = false;       // paste: begun by its start mark, so only a mark or silence ends it
    bool fresh = false;      // paste: none of its bytes taken yet, so no pause before them ends it
    unsigned char first = 0; // run: its character
    std::size_t count = 0;   // run: its length; keys: its characters still to give as keys
    // A paste just ended: a byte that comes less than tail_ms after the byte before it begins a
    // paste of its own (after a mark paste_gap_ms; after a paste given up, whenever it comes).
    int tail_ms = 0;
    std::string text; // a paste's or run's first paste_max bytes
    int wait_ms = -1; // after a call that gave nothing: the idle at which one may, -1: only bytes
    // A console whose terminal marks every paste once it has marked one sets marks_trusted; after
    // a marked paste (marks_seen) characters that arrive together are keys there.
    bool marks_trusted = false, marks_seen = false;
};

// Turns the bytes a terminal sent into keys, one a call. p holds the n bytes not yet taken;
// gap_ms[i] is how long after the byte before it byte i arrived (0 for bytes read together),
// idle_ms how long ago the last of them arrived. Returns the number of bytes taken, with k set
// when they made a key (k.code key_none: no key, the bytes dropped or held in d); nothing taken
// and no key: wait for more bytes, or until idle_ms reaches d.wait_ms. Pure: the same bytes with
// the same gaps give the same keys, however they are split into calls.
int decode_key(key_decoder &d, const unsigned char *p, const std::uint16_t *gap_ms, int n,
               int idle_ms, key &k);

#endif
