// edit/console.h - the editor's top layer: the terminal (POSIX) or the console (Windows), one
// file of console_posix.cpp and console_win.cpp, the one the build picks and the only ones that
// know the system; and run.cpp, the loop that reads keys, hands them to the state and shows its
// picture.
#ifndef EDIT_CONSOLE_H
#define EDIT_CONSOLE_H

#include <string>

#include "edit/keys.h"
#include "edit/picture.h"

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

// run.cpp: runs the editor in the console on the levels in tb_level: 1 = the user quit; 0 = the
// console could not be set up or was lost, or the editor was ended from outside, reported.
int edit_levels();

#endif
