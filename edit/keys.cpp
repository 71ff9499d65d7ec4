// edit/keys.cpp - a terminal's bytes as the editor's keys. What terminals send:
//   byte < 0x80          the key itself (0x08 and 0x7F Backspace, LF Enter); from 0x80 no key
//   ESC                  Esc, when nothing follows it within escape_wait_ms
//   ESC [ params final   CSI: arrows, Home, End, pages, Delete, F1, SGR mouse reports, pastes
//   ESC O params final   SS3: arrows, Home, End, F1 as some terminals send them
//   ESC [ M b x y        an X10 mouse report: three bytes, each its value + 32
//   ESC [ 200 ~ .. ESC [ 201 ~   a bracketed paste, one key with the bytes between
//   ESC ] P _ ^ X .. BEL or ESC \   a terminal string (a reply to a query): dropped
//   ESC and another byte Alt and that key: dropped, so that Alt-q never quits
#include "edit/keys.h"

#include <string_view>

static constexpr unsigned char esc = 27;
static constexpr int string_max = 4096; // a terminal string that long is over, ended or not
static constexpr std::string_view paste_end = "\x1b[201~";

// Bytes that are the start of a sequence and no more: wait for the rest while it may still
// come, then drop them all.
static int unfinished(int n, int idle_ms, key &k)
{
    k = key{};
    return idle_ms >= sequence_wait_ms ? n : 0;
}

// Where the sequence that starts at p (ESC and one byte) has its final byte: after parameter
// and intermediate bytes (0x20 to 0x3F), the first other byte; n while none came yet.
static int final_at(const unsigned char *p, int n)
{
    int i = 2;
    while (i < n && p[i] >= 0x20 && p[i] <= 0x3F)
        i++;
    return i;
}

// Numbers parted by ';' ("1;5", "0;12;3"): how many, or -1 for anything else in them.
static int numbers_of(std::string_view s, int *numbers, int max)
{
    int count = 1;
    numbers[0] = 0;
    for (char c : s) {
        if (c == ';' && count < max)
            numbers[count++] = 0;
        else if (c >= '0' && c <= '9' && numbers[count - 1] < 100000) // no overflow
            numbers[count - 1] = numbers[count - 1] * 10 + (c - '0');
        else if (c < '0' || c > '9')
            return -1;
    }
    return count;
}

static int key_of_letter(int c) // with or without modifiers: ESC [ A, ESC [ 1 ; 5 A, ESC O A
{
    switch (c) {
    case 'A':
        return key_up;
    case 'B':
        return key_down;
    case 'C':
        return key_right;
    case 'D':
        return key_left;
    case 'H':
        return key_home;
    case 'F':
        return key_end;
    case 'P':
        return key_f1;
    }
    return key_none;
}

static int key_of_tilde(int n) // ESC [ n ~, the numbers of the VT220 and the Linux console
{
    switch (n) {
    case 1:
    case 7:
        return key_home;
    case 4:
    case 8:
        return key_end;
    case 3:
        return key_delete;
    case 5:
        return key_page_up;
    case 6:
        return key_page_down;
    case 11:
        return key_f1;
    }
    return key_none;
}

// A mouse report's button as xterm numbers it (0 left, 1 middle, 2 right, 3 a release in X10;
// + 4, 8, 16 for Shift, Alt, Ctrl; + 32 a motion; + 64 the wheel). release: SGR's final 'm'.
static int mouse_key(int button, bool release)
{
    button &= ~(4 | 8 | 16); // a click with Shift held is the same click
    if (release)
        return button == 0 ? key_mouse_release : key_none;
    switch (button) {
    case 0:
        return key_mouse_left;
    case 2:
        return key_mouse_right;
    case 3:
        return key_mouse_release;
    case 32:
        return key_mouse_drag;
    case 64:
        return key_wheel_up;
    case 65:
        return key_wheel_down;
    }
    return key_none;
}

// A paste from its opening ESC [ 200 ~ (open bytes) to the end marker, however long it is.
static int decode_paste(const unsigned char *p, int n, int open, int idle_ms, key &k)
{
    std::string_view all(reinterpret_cast<const char *>(p), static_cast<std::size_t>(n));
    std::size_t end = all.find(paste_end, static_cast<std::size_t>(open));
    if (end == std::string_view::npos)
        return unfinished(n, idle_ms, k);
    std::size_t size = end - static_cast<std::size_t>(open);
    k.code = key_paste;
    k.text.assign(all.data() + open, size < paste_max ? size : paste_max);
    return static_cast<int>(end + paste_end.size());
}

static int decode_csi(const unsigned char *p, int n, int idle_ms, key &k)
{
    int i = final_at(p, n);
    if (i == n)
        return unfinished(n, idle_ms, k);
    if (p[i] < 0x40 || p[i] > 0x7E) // a control byte breaks it off: that byte is read anew
        return i;
    const int final = p[i], end = i + 1;
    std::string_view params(reinterpret_cast<const char *>(p + 2), static_cast<std::size_t>(i - 2));
    if (params.empty() && final == '[') { // the Linux console's F1 to F5: ESC [ [ A to E
        if (end == n)
            return unfinished(n, idle_ms, k);
        k.code = p[end] == 'A' ? key_f1 : key_none;
        return end + 1;
    }
    if (params.empty() && final == 'M') { // X10: the three bytes may be anything
        if (n - end < 3)
            return unfinished(n, idle_ms, k);
        k = {mouse_key(p[end] - 32, false), p[end + 1] - 33, p[end + 2] - 33};
        if (k.x < 0 || k.y < 0) // out of the range X10 can say
            k = key{};
        return end + 3;
    }
    if (params == "200" && final == '~')
        return decode_paste(p, n, end, idle_ms, k);
    int numbers[3];
    if (!params.empty() && params[0] == '<') { // SGR: ESC [ < button ; x ; y M, or m released
        if ((final == 'M' || final == 'm') && numbers_of(params.substr(1), numbers, 3) == 3 &&
            numbers[1] > 0 && numbers[2] > 0)
            k = {mouse_key(numbers[0], final == 'm'), numbers[1] - 1, numbers[2] - 1};
        if (k.code == key_none)
            k = key{};
        return end;
    }
    int count = numbers_of(params, numbers, 2);
    if (count > 0)
        k.code = final == '~' ? key_of_tilde(numbers[0]) : key_of_letter(final);
    return end;
}

// p starts with ESC, n >= 1.
static int decode_escape(const unsigned char *p, int n, int idle_ms, key &k)
{
    int escapes = 1;
    while (escapes < n && p[escapes] == esc)
        escapes++;
    if (escapes > 1) { // ESC ESC: Alt and whatever the last ESC starts, all of it dropped
        int used = decode_escape(p + escapes - 1, n - escapes + 1, idle_ms, k);
        k = key{};
        return used == 0 ? 0 : escapes - 1 + used;
    }
    if (n == 1) {
        k.code = idle_ms >= escape_wait_ms ? key_escape : key_none;
        return idle_ms >= escape_wait_ms ? 1 : 0;
    }
    switch (p[1]) {
    case '[':
        return decode_csi(p, n, idle_ms, k);
    case 'O': {
        int i = final_at(p, n);
        if (i == n)
            return unfinished(n, idle_ms, k);
        if (p[i] < 0x40 || p[i] > 0x7E)
            return i;
        k.code = key_of_letter(p[i]);
        return i + 1;
    }
    case ']':
    case 'P':
    case '_':
    case '^':
    case 'X': {
        int i = 2;
        for (; i < n && i < string_max; i++) {
            if (p[i] == 7)
                return i + 1;
            if (p[i] == esc && i + 1 == n)
                return unfinished(n, idle_ms, k);
            if (p[i] == esc) // ESC \ ends it; an ESC that starts anything else ends it before
                return p[i + 1] == '\\' ? i + 2 : i;
        }
        return i == string_max ? i : unfinished(n, idle_ms, k);
    }
    }
    return 2; // Alt and a key
}

int decode_key(const unsigned char *p, int n, int idle_ms, key &k)
{
    k = key{};
    if (n <= 0)
        return 0;
    if (p[0] == esc)
        return decode_escape(p, n, idle_ms, k);
    if (p[0] < 0x80)
        k.code = p[0] == 8 ? int{key_backspace} : p[0] == 10 ? int{key_enter} : p[0];
    return 1;
}
