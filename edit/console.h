// edit/console.h - the editor's top layer: the terminal (POSIX) or the console (Windows), one
// file of console_posix.cpp and console_win.cpp, the one the build picks and the only ones that
// know the system (frame_posix.cpp builds the terminal's frames for the first);
// console_records.cpp, what the Windows console's input records give, built everywhere; and
// run.cpp, the loop that reads keys, hands them to the state and shows its picture.
#ifndef EDIT_CONSOLE_H
#define EDIT_CONSOLE_H

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "edit/keys.h"
#include "edit/picture.h"

bool console_is_terminal(); // standard input and output are both a terminal or console
// POSIX: TERM says the terminal can draw a screen (set, not empty, not "dumb"); term is its
// value, "" when unset. Windows: always.
bool console_can_draw(std::string &term);
// true = the console shows a screen of its own (alternate screen, raw keys, mouse reports, pastes
// in brackets), its size in width and height; false = it could not be set up, and is left as it
// was.
bool console_open(int &width, int &height);
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

// ---- console_records.cpp: the Windows console's input, read alike on every system

// An input record as console_win.cpp copies it from INPUT_RECORD, in Windows' own numbers.
enum class record_type : std::uint8_t { key, mouse, size, other };
struct console_record {
    record_type type = record_type::other;
    bool key_down = false;
    std::uint16_t repeat = 1;             // a held key comes as one record with a count
    std::uint16_t virtual_key = 0;        // 0 for the characters of a virtual-terminal console
    char16_t unit = 0;                    // the character, or one half of a surrogate pair; 0: none
    std::uint32_t controls = 0;           // dwControlKeyState
    std::uint32_t buttons = 0, flags = 0; // mouse: dwButtonState, dwEventFlags
    int x = 0, y = 0;                     // mouse: the cell
};
constexpr std::uint32_t ks_right_alt = 0x1, ks_left_alt = 0x2, ks_right_ctrl = 0x4,
                        ks_left_ctrl = 0x8, ks_shift = 0x10, ks_enhanced = 0x100;
constexpr std::uint16_t vk_back = 0x08, vk_shift = 0x10, vk_menu = 0x12, vk_escape = 0x1B,
                        vk_prior = 0x21, vk_next = 0x22, vk_end = 0x23, vk_home = 0x24,
                        vk_left = 0x25, vk_up = 0x26, vk_right = 0x27, vk_down = 0x28,
                        vk_insert = 0x2D, vk_delete = 0x2E, vk_v = 'V', vk_f1 = 0x70;
constexpr std::uint32_t mb_left = 0x1, mb_right = 0x2; // buttons
constexpr std::uint32_t mf_moved = 0x1, mf_double = 0x2, mf_wheeled = 0x4, mf_hwheeled = 0x8;

// What came from the console and is no key yet: the characters' bytes, for decode_key, and the
// keys of records without one, each held behind the bytes that came before it. Pure: the
// records and the times they came in, the keys out.
struct record_reader {
    char16_t high = 0;         // a character's first half, waiting for its second
    std::uint32_t buttons = 0; // the mouse buttons held, as the last mouse record said
};
struct held_key {
    key k;
    int times = 1;
    std::size_t at = 0;       // the bytes before it
    std::int64_t last_ms = 0; // when the last of them came
};
struct console_input {
    record_reader reader;
    key_decoder decoder;
    std::string bytes; // from taken on, not yet decoded
    std::vector<std::uint16_t> gaps;
    std::size_t taken = 0;
    std::int64_t last_ms = 0; // when the last byte came
    std::deque<held_key> held;
};
// Adds the n records read together at now_ms; clipboard gives the text that Ctrl-V pastes.
// true = a window size record was among them.
bool add_records(console_input &in, const console_record *records, int n, std::int64_t now_ms,
                 std::string (*clipboard)());
// The next key of what came, by now_ms: false while there is none yet.
bool next_input_key(console_input &in, std::int64_t now_ms, key &k);
// How long after now_ms a key may be ready with no more records: -1 only with more.
int input_wait_ms(const console_input &in, std::int64_t now_ms);

// ---- run.cpp

// Milliseconds on a steady clock, finer than Windows' 16 ms ticks: arrival tells a paste.
std::int64_t clock_ms();
// Runs the editor in the console on the levels in tb_level: true = the user quit; false =
// the console could not be set up or was lost, or the editor was ended from outside, reported.
bool edit_levels();

#endif
