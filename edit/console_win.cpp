// edit/console_win.cpp - the Windows console, through its own API (no escape sequences): a
// second screen buffer, key and mouse events, the clipboard, and only the cells that differ
// from the picture last shown.
#include "edit/console.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include <windows.h>

static bool is_open = false;
static grid shown; // what the console holds now; width 0 when unknown, to redraw it whole

static HANDLE in = INVALID_HANDLE_VALUE, original_out = INVALID_HANDLE_VALUE;
static HANDLE screen = INVALID_HANDLE_VALUE; // the second buffer, our alternate screen
static DWORD saved_in_mode = 0;
static WORD default_fg = 7, default_bg = 0; // the original buffer's colors
static volatile LONG restore_pending = 0;   // 1 while something is left to give back
static int last_width = 0, last_height = 0, cursor_x = -1, cursor_y = -1;
static DWORD last_buttons = 0;
static int repeat_code = key_none, repeat_left = 0;
static std::string typed; // keys of a burst that was no paste, given one a read
// Between the control handler's thread and the main one: the handler sets hangup_event, which
// console_read waits on beside the input; console_close sets done_event, which the handler waits
// on.
static HANDLE hangup_event = nullptr, done_event = nullptr;

bool console_is_terminal()
{
    DWORD mode;
    return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) &&
           GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode);
}

// Called from the main thread and from the console's control thread: only one of them restores.
static void restore_console()
{
    if (InterlockedExchange(&restore_pending, 0) == 0)
        return;
    SetConsoleActiveScreenBuffer(original_out);
    SetConsoleMode(in, saved_in_mode);
}

// Closing the window, logoff, shutdown, Break; and Ctrl-C under wine, which gets it from the
// terminal as a signal whatever the input mode says. It runs on a thread of its own: the loop
// is told, and has until Windows' own limit (5 s for a close) to save what it can.
static BOOL WINAPI on_control(DWORD event)
{
    (void)event;
    SetEvent(hangup_event);
    WaitForSingleObject(done_event, 4000);
    restore_console();
    ExitProcess(1);
}

static void window_size(HANDLE h, int &width, int &height)
{
    CONSOLE_SCREEN_BUFFER_INFO info;
    width = 80;
    height = 24;
    if (GetConsoleScreenBufferInfo(h, &info)) {
        width = info.srWindow.Right - info.srWindow.Left + 1;
        height = info.srWindow.Bottom - info.srWindow.Top + 1;
    }
}

// The buffer exactly the window's size, its window at the origin: nothing can scroll.
static void fit_buffer(int width, int height)
{
    COORD size = {static_cast<SHORT>(width), static_cast<SHORT>(height)};
    SMALL_RECT window = {0, 0, static_cast<SHORT>(width - 1), static_cast<SHORT>(height - 1)};
    // a buffer never gets smaller than its window: whichever must shrink first goes first
    if (!SetConsoleScreenBufferSize(screen, size)) {
        SetConsoleWindowInfo(screen, TRUE, &window);
        SetConsoleScreenBufferSize(screen, size);
    }
    SetConsoleWindowInfo(screen, TRUE, &window);
}

static void close_buffers()
{
    for (HANDLE *h : {&screen, &original_out}) {
        if (*h != INVALID_HANDLE_VALUE)
            CloseHandle(*h);
        *h = INVALID_HANDLE_VALUE;
    }
}

int console_open(int &width, int &height)
{
    if (is_open)
        return 0;
    for (HANDLE *h : {&hangup_event, &done_event})
        if (!*h) // manual reset: once set, it stays set for whoever looks
            *h = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!hangup_event || !done_event || !ResetEvent(hangup_event) || !ResetEvent(done_event))
        return 0;
    in = GetStdHandle(STD_INPUT_HANDLE);
    // the buffer shown now, by a handle of its own: wine's standard output handle follows
    // whichever buffer is active, and switching back to it would change nothing
    original_out =
        CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (original_out == INVALID_HANDLE_VALUE || !GetConsoleMode(in, &saved_in_mode) ||
        !GetConsoleScreenBufferInfo(original_out, &info)) {
        close_buffers();
        return 0;
    }
    default_fg = info.wAttributes & 0x0F;
    default_bg = (info.wAttributes >> 4) & 0x0F;
    window_size(original_out, width, height);
    screen =
        CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, CONSOLE_TEXTMODE_BUFFER, nullptr);
    if (screen == INVALID_HANDLE_VALUE) {
        close_buffers();
        return 0;
    }
    fit_buffer(width, height);
    window_size(screen, width, height);
    restore_pending = 1;
    SetConsoleCtrlHandler(on_control, TRUE);
    // no processed input: Ctrl-C is a key; no quick edit: a click is ours, not a selection
    if (!SetConsoleActiveScreenBuffer(screen) ||
        !SetConsoleMode(in, ENABLE_WINDOW_INPUT | ENABLE_MOUSE_INPUT | ENABLE_EXTENDED_FLAGS)) {
        restore_console();
        SetConsoleCtrlHandler(on_control, FALSE);
        close_buffers();
        return 0;
    }
    CONSOLE_CURSOR_INFO cursor;
    if (!GetConsoleCursorInfo(original_out, &cursor))
        cursor.dwSize = 25;
    cursor.bVisible = TRUE;
    SetConsoleCursorInfo(screen, &cursor);
    is_open = true;
    shown = grid{};
    last_width = width;
    last_height = height;
    cursor_x = cursor_y = -1;
    last_buttons = 0;
    repeat_left = 0;
    return 1;
}

void console_close()
{
    if (!is_open)
        return;
    is_open = false;
    restore_console();
    SetEvent(done_event);
    SetConsoleCtrlHandler(on_control, FALSE);
    close_buffers();
}

// The console's colors hold red, green and blue in the other order than the terminals'.
static WORD windows_color(std::uint8_t c, WORD fallback)
{
    if (c == color_default)
        return fallback;
    if (c == color_orange)
        return FOREGROUND_RED | FOREGROUND_GREEN;
    WORD w = 0;
    if (c & 1)
        w |= FOREGROUND_RED;
    if (c & 2)
        w |= FOREGROUND_GREEN;
    if (c & 4)
        w |= FOREGROUND_BLUE;
    if (c & 8)
        w |= FOREGROUND_INTENSITY;
    return w;
}

static CHAR_INFO char_info(const screen_cell &c)
{
    WORD fg = windows_color(c.fg, default_fg), bg = windows_color(c.bg, default_bg);
    if (c.attr & attr_bold) // no bold face in the console: bright, as many terminals show it
        fg |= FOREGROUND_INTENSITY;
    if (c.attr & attr_reverse) {
        WORD t = fg;
        fg = bg;
        bg = t;
    }
    CHAR_INFO ci;
    ci.Char.UnicodeChar = c.ch == glyph_half_block      ? WCHAR{0x2580}
                          : c.ch >= 0x20 && c.ch < 0x7F ? static_cast<WCHAR>(c.ch)
                                                        : WCHAR{'?'};
    ci.Attributes = static_cast<WORD>(fg | bg << 4);
    return ci;
}

void console_show(const grid &g)
{
    if (!is_open || !grid_is_whole(g))
        return;
    bool whole = !same_size(g, shown);
    static std::vector<CHAR_INFO> row;
    row.resize(static_cast<std::size_t>(g.width));
    for (int y = 0; y < g.height; y++) {
        const screen_cell *now = &g.cells[static_cast<std::size_t>(y * g.width)];
        int first = 0, last = g.width - 1;
        if (!whole) {
            const screen_cell *was = &shown.cells[static_cast<std::size_t>(y * g.width)];
            while (first < g.width && now[first] == was[first])
                first++;
            if (first == g.width)
                continue;
            while (now[last] == was[last])
                last--;
        }
        for (int x = first; x <= last; x++)
            row[static_cast<std::size_t>(x - first)] = char_info(now[x]);
        SMALL_RECT to = {static_cast<SHORT>(first), static_cast<SHORT>(y), static_cast<SHORT>(last),
                         static_cast<SHORT>(y)};
        WriteConsoleOutputW(screen, row.data(), {static_cast<SHORT>(last - first + 1), 1}, {0, 0},
                            &to);
    }
    shown.width = g.width;
    shown.height = g.height;
    shown.cells.assign(g.cells.begin(), g.cells.begin() + g.width * g.height);
    int x, y;
    cursor_of(g, x, y);
    if (x != cursor_x || y != cursor_y) {
        cursor_x = x;
        cursor_y = y;
        SetConsoleCursorPosition(screen, {static_cast<SHORT>(x), static_cast<SHORT>(y)});
    }
}

static int key_of_virtual(WORD vk)
{
    switch (vk) {
    case VK_UP:
        return key_up;
    case VK_DOWN:
        return key_down;
    case VK_LEFT:
        return key_left;
    case VK_RIGHT:
        return key_right;
    case VK_HOME:
        return key_home;
    case VK_END:
        return key_end;
    case VK_PRIOR:
        return key_page_up;
    case VK_NEXT:
        return key_page_down;
    case VK_F1:
        return key_f1;
    case VK_DELETE:
        return key_delete;
    case VK_BACK:
        return key_backspace;
    }
    return key_none;
}

// The clipboard's text as a terminal would paste it: line ends as they are, each character
// above 0x7F one '?', at most paste_max bytes.
static std::string clipboard_text()
{
    std::string text;
    if (!OpenClipboard(nullptr))
        return text;
    HANDLE h = GetClipboardData(CF_UNICODETEXT);
    const WCHAR *w = h ? static_cast<const WCHAR *>(GlobalLock(h)) : nullptr;
    for (; w && *w && text.size() < paste_max; w++)
        if (*w < 0xDC00 || *w > 0xDFFF) // a low surrogate ends a character its high one gave
            text += *w < 0x80 ? static_cast<char>(*w) : '?';
    if (w)
        GlobalUnlock(h);
    CloseClipboard();
    return text;
}

// One input event as a key: false when it is none of the editor's.
static bool key_of_event(const INPUT_RECORD &r, key &k)
{
    if (r.EventType == KEY_EVENT && r.Event.KeyEvent.bKeyDown) {
        const KEY_EVENT_RECORD &e = r.Event.KeyEvent;
        const bool ctrl = e.dwControlKeyState & (LEFT_CTRL_PRESSED | RIGHT_CTRL_PRESSED),
                   alt = e.dwControlKeyState & (LEFT_ALT_PRESSED | RIGHT_ALT_PRESSED);
        if ((e.wVirtualKeyCode == 'V' && ctrl && !alt) ||
            (e.wVirtualKeyCode == VK_INSERT && (e.dwControlKeyState & SHIFT_PRESSED))) {
            k.code = key_paste;
            k.text = clipboard_text();
            return true;
        }
        k.code = key_of_virtual(e.wVirtualKeyCode);
        WCHAR c = e.uChar.UnicodeChar;
        if (k.code == key_none && c != 0 && c < 0x80) // Alt-q as a terminal sends it, Esc q
            k.code = alt && !ctrl ? int{key_escape} : c == 8 ? int{key_backspace} : c;
        if (e.wVirtualKeyCode == VK_ESCAPE) // wine gives Esc no character
            k.code = key_escape;
        if (k.code == key_none) // a lone Shift, or a character no level name holds
            return false;
        repeat_code = k.code; // a held key comes as one event with a count
        repeat_left = e.wRepeatCount > 1 ? e.wRepeatCount - 1 : 0;
        return true;
    }
    if (r.EventType == MOUSE_EVENT) {
        const MOUSE_EVENT_RECORD &m = r.Event.MouseEvent;
        if (m.dwEventFlags & MOUSE_HWHEELED)
            return false;                     // its high word is the wheel's turn, not buttons
        if (m.dwEventFlags & MOUSE_WHEELED) { // positive: away from the user
            const bool up = static_cast<SHORT>(HIWORD(m.dwButtonState)) > 0;
            k = {up ? key_wheel_up : key_wheel_down, m.dwMousePosition.X, m.dwMousePosition.Y};
            return true;
        }
        // from any event, not only flags 0: a quick second click comes as a double click
        const DWORD buttons = m.dwButtonState & 0x1F, pressed = buttons & ~last_buttons,
                    released = last_buttons & ~buttons;
        last_buttons = buttons;
        k.x = m.dwMousePosition.X;
        k.y = m.dwMousePosition.Y;
        if (pressed & FROM_LEFT_1ST_BUTTON_PRESSED)
            k.code = m.dwEventFlags & DOUBLE_CLICK ? key_mouse_double : key_mouse_left;
        else if (pressed & RIGHTMOST_BUTTON_PRESSED)
            k.code = key_mouse_right;
        else if (released & FROM_LEFT_1ST_BUTTON_PRESSED)
            k.code = key_mouse_release;
        else if ((m.dwEventFlags & MOUSE_MOVED) && (buttons & FROM_LEFT_1ST_BUTTON_PRESSED))
            k.code = key_mouse_drag;
        return k.code != key_none;
    }
    if (r.EventType == WINDOW_BUFFER_SIZE_EVENT) {
        int width, height;
        window_size(screen, width, height);
        // fitting the buffer sends an event of its own, with the size already reported
        if (width == last_width && height == last_height)
            return false;
        fit_buffer(width, height);
        last_width = width;
        last_height = height;
        shown = grid{};
        cursor_x = cursor_y = -1;
        k = {key_resize, width, height};
        return true;
    }
    return false;
}

// The character a key event types that a paste may hold ('\r' for Enter, 0x80 for any beyond
// ASCII), or 0: a key released, an Alt chord, a key with no character or another event.
static unsigned char burst_char(const INPUT_RECORD &r)
{
    if (r.EventType != KEY_EVENT || !r.Event.KeyEvent.bKeyDown)
        return 0;
    const KEY_EVENT_RECORD &e = r.Event.KeyEvent;
    const WCHAR c = e.uChar.UnicodeChar;
    if ((e.dwControlKeyState & (LEFT_ALT_PRESSED | RIGHT_ALT_PRESSED)) &&
        !(e.dwControlKeyState & (LEFT_CTRL_PRESSED | RIGHT_CTRL_PRESSED)))
        return 0;
    const unsigned char b = c < 0x80 ? static_cast<unsigned char>(c) : 0x80;
    return c != 0 && in_burst(b) ? b : 0;
}

// A modifier pressed or any key released: what a paste's key events hold besides characters.
static bool no_char_event(const INPUT_RECORD &r)
{
    if (r.EventType != KEY_EVENT)
        return false;
    const KEY_EVENT_RECORD &e = r.Event.KeyEvent;
    return !e.bKeyDown || e.wVirtualKeyCode == VK_SHIFT || e.wVirtualKeyCode == VK_CONTROL ||
           e.wVirtualKeyCode == VK_MENU ||
           (e.uChar.UnicodeChar >= 0xDC00 &&
            e.uChar.UnicodeChar <= 0xDFFF); // a character's 2nd half
}

static void add_typed(std::string &run, unsigned char c, WORD count)
{
    for (WORD i = 0; i < (count > 0 ? count : 1) && run.size() < paste_max; i++)
        run += static_cast<char>(c);
}

// Every paste comes as one key event a character: the characters queued with the first, or
// following it within burst_ms, are read together and taken as a paste when they make one.
static key read_burst(const INPUT_RECORD &first, unsigned char c)
{
    std::string run;
    add_typed(run, c, first.Event.KeyEvent.wRepeatCount);
    for (;;) {
        DWORD queued = 0, n = 0;
        INPUT_RECORD r;
        if (!GetNumberOfConsoleInputEvents(in, &queued))
            break;
        if (queued == 0) {
            if (WaitForSingleObject(in, burst_ms) != WAIT_OBJECT_0)
                break;
            continue;
        }
        if (!PeekConsoleInputW(in, &r, 1, &n) || n == 0)
            break;
        const unsigned char next = burst_char(r);
        if (!next && !no_char_event(r))
            break; // left for the next read
        ReadConsoleInputW(in, &r, 1, &n);
        if (next)
            add_typed(run, next, r.Event.KeyEvent.wRepeatCount);
    }
    if (burst_is_paste(reinterpret_cast<const unsigned char *>(run.data()),
                       static_cast<int>(run.size()))) {
        std::replace(run.begin(), run.end(), '\x80', '?'); // as the clipboard's text has them
        return {key_paste, 0, 0, run};
    }
    typed = run;
    return {key_none};
}

key console_read(int timeout_ms)
{
    if (!is_open)
        return {};
    if (repeat_left > 0) {
        repeat_left--;
        return {repeat_code, 0, 0};
    }
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(timeout_ms);
    for (;;) {
        while (!typed.empty()) { // beyond ASCII is no key
            const unsigned char c = static_cast<unsigned char>(typed[0]);
            typed.erase(0, 1);
            if (c < 0x80)
                return {c == '\n' ? int{key_enter} : c, 0, 0};
        }
        DWORD wait = INFINITE;
        if (timeout_ms >= 0) {
            ULONGLONG now = GetTickCount64();
            wait = now < end ? static_cast<DWORD>(end - now) : 0;
        }
        const HANDLE handles[2] = {hangup_event, in}; // the first wins when both are set
        DWORD w = WaitForMultipleObjects(2, handles, FALSE, wait);
        if (w == WAIT_OBJECT_0)
            return {key_hangup};
        if (w == WAIT_TIMEOUT)
            return {key_timeout};
        INPUT_RECORD r;
        DWORD n = 0;
        if (w != WAIT_OBJECT_0 + 1 || !ReadConsoleInputW(in, &r, 1, &n) || n == 0)
            return {};
        if (const unsigned char c = burst_char(r)) {
            key k = read_burst(r, c);
            if (k.code != key_none)
                return k;
            continue; // no paste: its keys, one a read
        }
        key k;
        if (key_of_event(r, k)) {
            k.ms = static_cast<std::int64_t>(GetTickCount64());
            return k;
        }
    }
}

bool console_own_window()
{
    DWORD ids[2];
    return GetConsoleProcessList(ids, 2) == 1 && console_is_terminal();
}

void console_wait_key(const char *prompt)
{
    HANDLE h_in = GetStdHandle(STD_INPUT_HANDLE), h_out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode, n;
    CONSOLE_SCREEN_BUFFER_INFO info; // an error may end without a line break
    if (GetConsoleScreenBufferInfo(h_out, &info) && info.dwCursorPosition.X != 0)
        WriteConsoleA(h_out, "\r\n", 2, &n, nullptr);
    WriteConsoleA(h_out, prompt, static_cast<DWORD>(std::strlen(prompt)), &n, nullptr);
    if (!GetConsoleMode(h_in, &mode))
        return;
    // the keys typed before the prompt showed must not answer it
    FlushConsoleInputBuffer(h_in);
    SetConsoleMode(h_in, ENABLE_EXTENDED_FLAGS);
    INPUT_RECORD r;
    while (ReadConsoleInputW(h_in, &r, 1, &n) && n == 1) {
        if (r.EventType != KEY_EVENT || !r.Event.KeyEvent.bKeyDown)
            continue;
        WORD vk = r.Event.KeyEvent.wVirtualKeyCode;
        if (vk != VK_SHIFT && vk != VK_CONTROL && vk != VK_MENU)
            break;
    }
    SetConsoleMode(h_in, mode);
}

bool console_can_draw(std::string &term)
{
    (void)term;
    return true;
}

bool console_unicode() { return true; }

// The clipboard holds its text with Windows' line ends.
clip_result console_copy_text(const std::string &text)
{
    const std::size_t size = text.size() + std::count(text.begin(), text.end(), '\n') + 1;
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, size * sizeof(WCHAR));
    WCHAR *w = h ? static_cast<WCHAR *>(GlobalLock(h)) : nullptr;
    if (!w) {
        if (h)
            GlobalFree(h);
        return clip_failed;
    }
    for (char c : text) {
        if (c == '\n')
            *w++ = L'\r';
        *w++ = static_cast<unsigned char>(c);
    }
    *w = 0;
    GlobalUnlock(h);
    if (OpenClipboard(nullptr)) {
        // once SetClipboardData takes h, it is the clipboard's
        bool copied = EmptyClipboard() && SetClipboardData(CF_UNICODETEXT, h);
        CloseClipboard();
        if (copied)
            return clip_copied;
    }
    GlobalFree(h);
    return clip_failed;
}
