// edit/console_win.cpp - the Windows console, through its own API (no escape sequences): a
// second screen buffer, key and mouse events, and only the cells that differ from the picture
// last shown.
#include "edit/edit.h"

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

static BOOL WINAPI on_control(DWORD event)
{
    // Break, closing the window, logoff; and Ctrl-C under wine, which gets it from the terminal
    // as a signal whatever the input mode says
    (void)event;
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
    ci.Char.UnicodeChar = static_cast<WCHAR>(c.ch >= 0x20 && c.ch < 0x7F ? c.ch : '?');
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
    }
    return key_none;
}

key console_read(int timeout_ms)
{
    (void)timeout_ms; // TODO

    if (!is_open)
        return {};
    if (repeat_left > 0) { // a held key comes as one event with a count
        repeat_left--;
        return {repeat_code, 0, 0};
    }
    for (;;) {
        INPUT_RECORD r;
        DWORD n = 0;
        if (!ReadConsoleInputW(in, &r, 1, &n) || n == 0)
            return {};
        if (r.EventType == KEY_EVENT && r.Event.KeyEvent.bKeyDown) {
            const KEY_EVENT_RECORD &k = r.Event.KeyEvent;
            int code = key_of_virtual(k.wVirtualKeyCode);
            bool alt = (k.dwControlKeyState & (LEFT_ALT_PRESSED | RIGHT_ALT_PRESSED)) &&
                       !(k.dwControlKeyState & (LEFT_CTRL_PRESSED | RIGHT_CTRL_PRESSED));
            if (code == key_none && k.uChar.UnicodeChar != 0 && k.uChar.UnicodeChar < 0x80)
                code = alt ? int{key_escape} : k.uChar.UnicodeChar; // as a terminal sends Alt-q
            if (k.wVirtualKeyCode == VK_ESCAPE)                     // wine gives Esc no character
                code = key_escape;
            if (code == key_none)
                continue; // a lone Shift, or a character no level name holds
            repeat_code = code;
            repeat_left = k.wRepeatCount > 1 ? k.wRepeatCount - 1 : 0;
            return {code, 0, 0};
        }
        if (r.EventType == MOUSE_EVENT) {
            const MOUSE_EVENT_RECORD &m = r.Event.MouseEvent;
            if (m.dwEventFlags & (MOUSE_WHEELED | MOUSE_HWHEELED))
                continue; // its high word is the wheel's turn, not buttons
            DWORD buttons = m.dwButtonState & 0x1F;
            DWORD pressed = buttons & ~last_buttons;
            last_buttons = buttons;
            if (m.dwEventFlags & MOUSE_MOVED)
                continue; // not only flags 0: a quick second click comes as a double click
            int x = m.dwMousePosition.X, y = m.dwMousePosition.Y;
            if (pressed & FROM_LEFT_1ST_BUTTON_PRESSED)
                return {key_mouse_left, x, y};
            if (pressed & RIGHTMOST_BUTTON_PRESSED)
                return {key_mouse_right, x, y};
            continue;
        }
        if (r.EventType == WINDOW_BUFFER_SIZE_EVENT) {
            int width, height;
            window_size(screen, width, height);
            // fitting the buffer sends an event of its own, with the size already reported
            if (width == last_width && height == last_height)
                continue;
            fit_buffer(width, height);
            last_width = width;
            last_height = height;
            shown = grid{};
            cursor_x = cursor_y = -1;
            return {key_resize, width, height};
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

bool console_unicode() { return false; }

clip_result console_copy_text(const std::string &text)
{
    (void)text;
    return clip_failed;
}
