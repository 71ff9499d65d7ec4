// edit/console_win.cpp - the Windows console, through its own API: a second screen buffer,
// input records (what they give: console_records.cpp), the clipboard, and only the cells that
// differ from the picture last shown. Escape sequences only ask for virtual-terminal input's
// modes: mouse reports and pastes in their marks.
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
static console_input input;     // the records read, not yet given as keys
static bool resized = false;    // a window size record came: its key goes first
static volatile LONG modes = 0; // 1 while the modes below are on
// as on a terminal: clicks (1000), then drags (1002), in SGR form (1006), and marked pastes
static const char modes_on[] = "\x1b[?1000h\x1b[?1002h\x1b[?1006h\x1b[?2004h";
static const char modes_off[] = "\x1b[?2004l\x1b[?1006l\x1b[?1002l\x1b[?1000l";
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
    DWORD n;
    if (InterlockedExchange(&modes, 0)) // the screen buffer's own output mode goes with it
        WriteConsoleA(screen, modes_off, sizeof modes_off - 1, &n, nullptr);
    SetConsoleActiveScreenBuffer(original_out);
    SetConsoleMode(in, saved_in_mode);
}

// Closing the window, Break; and Ctrl-C under wine, which gets it from the terminal as a signal
// whatever the input mode says. A log-off or a shutdown never comes here: Windows tells only
// console programs that do not load user32, and the clipboard does. It runs on a thread of its
// own: the loop is told, and has until Windows' own limit (5 s for a close) to save what it can.
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

bool console_open(int &width, int &height)
{
    if (is_open)
        return false;
    for (HANDLE *h : {&hangup_event, &done_event})
        if (!*h) // manual reset: once set, it stays set for whoever looks
            *h = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!hangup_event || !done_event || !ResetEvent(hangup_event) || !ResetEvent(done_event))
        return false;
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
        return false;
    }
    default_fg = info.wAttributes & 0x0F;
    default_bg = (info.wAttributes >> 4) & 0x0F;
    window_size(original_out, width, height);
    screen =
        CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, CONSOLE_TEXTMODE_BUFFER, nullptr);
    if (screen == INVALID_HANDLE_VALUE) {
        close_buffers();
        return false;
    }
    fit_buffer(width, height);
    window_size(screen, width, height);
    restore_pending = 1;
    SetConsoleCtrlHandler(on_control, TRUE);
    // no processed input: Ctrl-C is a key; no quick edit: a click is ours, not a selection;
    // virtual-terminal input where the console has it: pastes may come in their marks
    const DWORD mode = ENABLE_WINDOW_INPUT | ENABLE_MOUSE_INPUT | ENABLE_EXTENDED_FLAGS;
    const bool vt_input = SetConsoleMode(in, mode | ENABLE_VIRTUAL_TERMINAL_INPUT);
    if (!SetConsoleActiveScreenBuffer(screen) || (!vt_input && !SetConsoleMode(in, mode))) {
        restore_console();
        SetConsoleCtrlHandler(on_control, FALSE);
        close_buffers();
        return false;
    }
    DWORD out_mode, n;
    if (vt_input && GetConsoleMode(screen, &out_mode) &&
        SetConsoleMode(screen, out_mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING)) {
        modes = 1;
        WriteConsoleA(screen, modes_on, sizeof modes_on - 1, &n, nullptr);
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
    static const console_input fresh; // a copy: g++ 12 takes a temporary's strings for unset
    input = fresh;
    input.decoder.marks_trusted = vt_input;
    resized = false;
    return true;
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

// Windows' numbers, as console_records.cpp has them.
static_assert(ks_right_alt == RIGHT_ALT_PRESSED && ks_left_alt == LEFT_ALT_PRESSED &&
              ks_right_ctrl == RIGHT_CTRL_PRESSED && ks_left_ctrl == LEFT_CTRL_PRESSED &&
              ks_shift == SHIFT_PRESSED && ks_enhanced == ENHANCED_KEY);
static_assert(vk_back == VK_BACK && vk_shift == VK_SHIFT && vk_menu == VK_MENU &&
              vk_escape == VK_ESCAPE && vk_prior == VK_PRIOR && vk_next == VK_NEXT &&
              vk_end == VK_END && vk_home == VK_HOME && vk_left == VK_LEFT && vk_up == VK_UP &&
              vk_right == VK_RIGHT && vk_down == VK_DOWN && vk_insert == VK_INSERT &&
              vk_delete == VK_DELETE && vk_f1 == VK_F1);
static_assert(mb_left == FROM_LEFT_1ST_BUTTON_PRESSED && mb_right == RIGHTMOST_BUTTON_PRESSED &&
              mf_moved == MOUSE_MOVED && mf_double == DOUBLE_CLICK && mf_wheeled == MOUSE_WHEELED &&
              mf_hwheeled == MOUSE_HWHEELED);

static console_record record_of(const INPUT_RECORD &r)
{
    console_record c;
    if (r.EventType == KEY_EVENT) {
        const KEY_EVENT_RECORD &e = r.Event.KeyEvent;
        c.type = record_type::key;
        c.key_down = e.bKeyDown;
        c.repeat = e.wRepeatCount;
        c.virtual_key = e.wVirtualKeyCode;
        c.unit = static_cast<char16_t>(e.uChar.UnicodeChar);
        c.controls = e.dwControlKeyState;
    } else if (r.EventType == MOUSE_EVENT) {
        const MOUSE_EVENT_RECORD &m = r.Event.MouseEvent;
        c.type = record_type::mouse;
        c.buttons = m.dwButtonState;
        c.flags = m.dwEventFlags;
        c.x = m.dwMousePosition.X;
        c.y = m.dwMousePosition.Y;
    } else if (r.EventType == WINDOW_BUFFER_SIZE_EVENT) {
        c.type = record_type::size;
    }
    return c;
}

// The records waiting, read together, as come at came_ms: true = read; false = the console is gone.
static bool read_records(std::int64_t came_ms)
{
    INPUT_RECORD records[128];
    console_record got[128];
    DWORD n = 0;
    if (!ReadConsoleInputW(in, records, 128, &n))
        return false;
    for (DWORD i = 0; i < n; i++)
        got[i] = record_of(records[i]);
    resized = add_records(input, got, static_cast<int>(n), came_ms, clipboard_text) || resized;
    return true;
}

// The window's new size as a key: false when it is the size already reported.
static bool resize_key(key &k)
{
    int width, height;
    window_size(screen, width, height);
    // fitting the buffer sends a record of its own, with the size already reported
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

key console_read(int timeout_ms)
{
    if (!is_open)
        return {};
    const std::int64_t end = clock_ms() + timeout_ms;
    for (;;) {
        key k;
        if (WaitForSingleObject(hangup_event, 0) == WAIT_OBJECT_0)
            return {key_hangup};
        if (resized) {
            resized = false;
            if (resize_key(k))
                return k;
        }
        if (next_input_key(input, clock_ms(), k))
            return k;
        const std::int64_t now = clock_ms(), next = input_wait_ms(input, now);
        std::int64_t wait = timeout_ms < 0 ? -1 : end - now;
        if (timeout_ms >= 0 && wait <= 0)
            return {key_timeout};
        const bool clock = next >= 0 && (wait < 0 || next <= wait); // the decoder's is up first
        if (clock)
            wait = next;
        const HANDLE handles[2] = {hangup_event, in}; // the first wins when both are set
        DWORD w = WaitForMultipleObjects(2, handles, FALSE,
                                         wait < 0 ? INFINITE : static_cast<DWORD>(wait));
        if (w == WAIT_OBJECT_0)
            return {key_hangup};
        // records that ended a wait on the decoder's clock came before it ran out, however late
        // this thread got to run: they belong with what came before, as on a quick machine
        const std::int64_t woke = clock_ms(),
                           came = clock && woke >= now + next ? now + next - 1 : woke;
        if (w != WAIT_TIMEOUT && (w != WAIT_OBJECT_0 + 1 || !read_records(came)))
            return {};
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
