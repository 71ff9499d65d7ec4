// edit/console_posix.cpp - the terminal, through termios and xterm's escape sequences: raw keys,
// the alternate screen, mouse reports, and only the cells that differ from the picture last shown.
#include "edit/edit.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

static bool is_open = false;
static grid shown; // what the console holds now; width 0 when unknown, to redraw it whole

static termios saved_termios;
static volatile sig_atomic_t restore_pending = 0; // 1 while the terminal is not as we found it
static volatile sig_atomic_t screen_entered = 0;  // 1 once the alternate screen is up
static int winch_pipe[2] = {-1, -1};              // SIGWINCH writes, console_read polls
static struct sigaction old_int, old_term, old_hup, old_winch;
static bool has_256 = false;
static std::string frame;        // one picture's bytes, kept to reuse its memory
static int at_x = -1, at_y = -1; // where the terminal's cursor stands; -1: not known
static screen_cell pen;          // the colors and attributes the terminal draws with
static bool pen_known = false;
static bool cursor_shown = false; // hidden as the screen opens, shown by the first picture

// CAN first: a signal may land in the middle of a sequence, which CAN cancels.
static const char restore_text[] = "\x18\x1b[m\x1b[?1006l\x1b[?1000l\x1b[?25h\x1b[?1049l";
static const char enter_text[] = "\x1b[?1049h\x1b[?1000h\x1b[?1006h\x1b[?25l\x1b[m";

bool console_is_terminal() { return isatty(STDIN_FILENO) && isatty(STDOUT_FILENO); }

// Loops over partial writes and signals: 1 = all of it went out; 0 = the terminal is gone.
// Safe in a signal handler.
static int write_all(const char *p, std::size_t n)
{
    while (n > 0) {
        ssize_t w = write(STDOUT_FILENO, p, n);
        if (w > 0) {
            p += w;
            n -= static_cast<std::size_t>(w);
        } else if (w < 0 && errno == EAGAIN) {
            pollfd out = {STDOUT_FILENO, POLLOUT, 0};
            poll(&out, 1, -1);
        } else if (w == 0 || errno != EINTR) {
            return 0;
        }
    }
    return 1;
}

// Only async-signal-safe calls: it runs from the handlers too.
static void restore_terminal()
{
    if (!restore_pending)
        return;
    restore_pending = 0;
    if (screen_entered)
        write_all(restore_text, sizeof restore_text - 1);
    screen_entered = 0;
    tcsetattr(STDIN_FILENO, TCSANOW, &saved_termios);
}

static void on_fatal_signal(int sig)
{
    (void)sig;
    restore_terminal();
    _exit(1);
}

static void on_winch(int sig)
{
    (void)sig;
    int saved_errno = errno;
    char c = 'w';
    ssize_t ignored = write(winch_pipe[1], &c, 1); // a full pipe already says it
    (void)ignored;
    errno = saved_errno;
}

static void terminal_size(int &width, int &height)
{
    winsize ws;
    width = 80;
    height = 24;
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0 && ws.ws_row > 0) {
        width = ws.ws_col;
        height = ws.ws_row;
    }
}

static int make_winch_pipe()
{
    if (pipe(winch_pipe) != 0)
        return 0;
    for (int fd : winch_pipe) {
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
        fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    return 1;
}

static void close_winch_pipe()
{
    for (int &fd : winch_pipe) {
        if (fd >= 0)
            close(fd);
        fd = -1;
    }
}

static void set_signals()
{
    struct sigaction sa;
    std::memset(&sa, 0, sizeof sa);
    sigemptyset(&sa.sa_mask);
    sigaddset(&sa.sa_mask, SIGINT); // one restore at a time
    sigaddset(&sa.sa_mask, SIGTERM);
    sigaddset(&sa.sa_mask, SIGHUP);
    sa.sa_handler = on_fatal_signal;
    sigaction(SIGINT, &sa, &old_int);
    sigaction(SIGTERM, &sa, &old_term);
    sigaction(SIGHUP, &sa, &old_hup);
    sa.sa_handler = on_winch;
    sa.sa_flags = SA_RESTART;
    sigaction(SIGWINCH, &sa, &old_winch);
}

static void handled_signals(sigset_t &set)
{
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    sigaddset(&set, SIGWINCH);
}

int console_open(int &width, int &height)
{
    static bool at_exit = false;
    if (is_open || tcgetattr(STDIN_FILENO, &saved_termios) != 0 || !make_winch_pipe())
        return 0;
    if (!at_exit) // exit() from anywhere gives the terminal back too
        at_exit = std::atexit(console_close) == 0;
    termios raw = saved_termios;
    // no ISIG: Ctrl-C and Ctrl-Z are keys; no IXON: Ctrl-S is a key; no ICRNL: Enter is 13
    raw.c_iflag &= ~static_cast<tcflag_t>(IXON | ICRNL | INLCR | IGNCR | BRKINT | ISTRIP | INPCK);
    raw.c_oflag &= ~static_cast<tcflag_t>(OPOST); // every byte we send reaches the terminal
    raw.c_lflag &= ~static_cast<tcflag_t>(ECHO | ICANON | ISIG | IEXTEN);
    raw.c_cflag |= CS8;
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    restore_pending = 1;
    set_signals();
    if (tcsetattr(STDIN_FILENO, TCSAFLUSH, &raw) != 0) {
        is_open = true; // the same way back as a normal close
        console_close();
        return 0;
    }
    screen_entered = 1;
    write_all(enter_text, sizeof enter_text - 1);
    const char *term = std::getenv("TERM"), *colorterm = std::getenv("COLORTERM");
    has_256 = (term && std::strstr(term, "256color")) || (colorterm && *colorterm);
    terminal_size(width, height);
    shown = grid{};
    cursor_shown = false;
    is_open = true;
    return 1;
}

void console_close()
{
    if (!is_open)
        return;
    is_open = false;
    // a signal now would find the terminal half given back: it waits for the old handlers
    sigset_t set, old_mask;
    handled_signals(set);
    sigprocmask(SIG_BLOCK, &set, &old_mask);
    restore_terminal();
    sigaction(SIGINT, &old_int, nullptr);
    sigaction(SIGTERM, &old_term, nullptr);
    sigaction(SIGHUP, &old_hup, nullptr);
    sigaction(SIGWINCH, &old_winch, nullptr);
    close_winch_pipe();
    sigprocmask(SIG_SETMASK, &old_mask, nullptr);
}

// ---- output: the frame is built in one string and written once

// The shortest way from the cursor to (x, y): relative when the cursor is known and that is
// shorter, absolute (CUP) otherwise.
static void add_move(std::string &out, int x, int y)
{
    std::string absolute = "\x1b[";
    if (y > 0 || x > 0)
        absolute += std::to_string(y + 1);
    if (x > 0)
        absolute += ';' + std::to_string(x + 1);
    absolute += 'H';
    if (at_x < 0 || at_y < 0) {
        out += absolute;
        return;
    }
    std::string relative;
    int dy = y - at_y, dx = x - at_x;
    if (dy != 0) {
        relative += "\x1b[";
        if (dy > 1 || dy < -1)
            relative += std::to_string(dy < 0 ? -dy : dy);
        relative += dy < 0 ? 'A' : 'B';
    }
    if (x == 0 && dx != 0) {
        relative += '\r';
    } else if (dx != 0) {
        relative += "\x1b[";
        if (dx > 1 || dx < -1)
            relative += std::to_string(dx < 0 ? -dx : dx);
        relative += dx < 0 ? 'D' : 'C';
    }
    out += relative.size() < absolute.size() ? relative : absolute;
}

static void move_to(int x, int y)
{
    if (x == at_x && y == at_y)
        return;
    add_move(frame, x, y);
    at_x = x;
    at_y = y;
}

static void add_color(std::string &out, std::uint8_t c, int base)
{
    if (!out.empty())
        out += ';';
    if (c == color_orange && has_256) {
        out += base == 30 ? "38;5;208" : "48;5;208";
        return;
    }
    int code = base + 9; // 39 or 49: the terminal's own
    if (c == color_orange)
        code = base + color_yellow;
    else if (c < 8)
        code = base + c;
    else if (c < 16)
        code = base + 60 + c - 8;
    out += std::to_string(code);
}

static void set_pen(const screen_cell &c)
{
    if (pen_known && c.fg == pen.fg && c.bg == pen.bg && c.attr == pen.attr)
        return;
    // either a reset and what differs from the defaults, or only what changed: the shorter
    std::string from_reset = "0", changes;
    if (c.attr & attr_bold)
        from_reset += ";1";
    if (c.attr & attr_reverse)
        from_reset += ";7";
    if (c.fg != color_default)
        add_color(from_reset, c.fg, 30);
    if (c.bg != color_default)
        add_color(from_reset, c.bg, 40);
    if (from_reset == "0")
        from_reset.clear(); // ESC [ m resets too
    bool by_changes = pen_known;
    if (pen_known) {
        int off = pen.attr & ~c.attr, on = c.attr & ~pen.attr;
        if (off & attr_bold)
            changes += "22";
        if (off & attr_reverse)
            changes += changes.empty() ? "27" : ";27";
        if (on & attr_bold)
            changes += changes.empty() ? "1" : ";1";
        if (on & attr_reverse)
            changes += changes.empty() ? "7" : ";7";
        if (c.fg != pen.fg)
            add_color(changes, c.fg, 30);
        if (c.bg != pen.bg)
            add_color(changes, c.bg, 40);
        by_changes = changes.size() <= from_reset.size();
    }
    frame += "\x1b[";
    frame += by_changes ? changes : from_reset;
    frame += 'm';
    pen = c;
    pen_known = true;
}

static char shown_char(char ch) { return ch >= 0x20 && ch < 0x7F ? ch : '?'; }

static bool same_look(const screen_cell &a, const screen_cell &b)
{
    return a.fg == b.fg && a.bg == b.bg && a.attr == b.attr;
}

// Sends row y from column x on, as far as it differs from what is shown; returns where it
// stopped. A short stretch left as it is costs less written again than jumped over.
static int send_run(const grid &g, int x, int y)
{
    const screen_cell *now = &g.cells[static_cast<std::size_t>(y * g.width)];
    const screen_cell *was = &shown.cells[static_cast<std::size_t>(y * g.width)];
    move_to(x, y);
    while (x < g.width) {
        if (now[x] == was[x]) {
            int next = x;
            while (next < g.width && now[next] == was[next] && same_look(now[next], pen))
                next++;
            if (next == g.width || now[next] == was[next])
                break; // the row ends unchanged, or a cell of other colors lies between
            std::string jump;
            add_move(jump, next, y);
            if (static_cast<std::size_t>(next - x) > jump.size())
                break;
        }
        set_pen(now[x]);
        frame += shown_char(now[x].ch);
        x++;
        at_x = x;
    }
    if (at_x >= g.width)
        at_x = -1; // the terminal waits to wrap: where its cursor is now differs between them
    return x;
}

void console_show(const grid &g)
{
    if (!is_open || !grid_is_whole(g))
        return;
    frame.clear();
    if (!same_size(g, shown)) {
        frame += "\x1b[m\x1b[H\x1b[2J"; // erased to the default colors
        pen = screen_cell{};
        pen_known = true;
        at_x = at_y = 0;
        shown.width = g.width;
        shown.height = g.height;
        shown.cells.assign(static_cast<std::size_t>(g.width * g.height), screen_cell{});
    }
    bool drawn = false;
    for (int y = 0; y < g.height; y++) {
        for (int x = 0; x < g.width;) {
            std::size_t i = static_cast<std::size_t>(y * g.width + x);
            if (g.cells[i] == shown.cells[i]) {
                x++;
                continue;
            }
            if (!drawn)
                frame.insert(0, "\x1b[?25l"); // no cursor flying over the screen as it is drawn
            drawn = true;
            x = send_run(g, x, y);
        }
    }
    shown.cells.assign(g.cells.begin(), g.cells.begin() + g.width * g.height);
    int cx, cy;
    cursor_of(g, cx, cy);
    move_to(cx, cy);
    if (drawn || !cursor_shown)
        frame += "\x1b[?25h";
    cursor_shown = true;
    if (!frame.empty() && !write_all(frame.data(), frame.size()))
        shown = grid{}; // whatever the terminal holds now, the next picture is sent whole
}

// ---- input: bytes in, keys out

static unsigned char in_buf[256];
static int in_pos = 0, in_len = 0;
static bool resized = false, gone = false;
constexpr int escape_wait_ms = 50; // more than a terminal takes to send a sequence's rest

static int now_ms()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<int>(t.tv_sec % 1000000 * 1000 + t.tv_nsec / 1000000);
}

// Waits up to timeout_ms (-1: for ever) for a byte. 1 = a byte is in in_buf; 0 = none came in
// time, or a resize came first when stop_on_resize; -1 = the terminal is gone.
static int fill(int timeout_ms, bool stop_on_resize)
{
    if (in_pos < in_len)
        return 1;
    if (gone)
        return -1;
    int end = now_ms() + timeout_ms;
    for (;;) {
        int wait = timeout_ms < 0 ? -1 : end - now_ms();
        if (timeout_ms >= 0 && wait < 0)
            wait = 0;
        pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {winch_pipe[0], POLLIN, 0}};
        int n = poll(fds, 2, wait);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            gone = true;
            return -1;
        }
        if (n == 0)
            return 0;
        if (fds[1].revents & POLLIN) {
            char drain[64];
            while (read(winch_pipe[0], drain, sizeof drain) > 0) {
            }
            resized = true;
            if (stop_on_resize)
                return 0;
        }
        if (fds[0].revents) {
            ssize_t r = read(STDIN_FILENO, in_buf, sizeof in_buf);
            if (r > 0) {
                in_pos = 0;
                in_len = static_cast<int>(r);
                return 1;
            }
            if (r < 0 && (errno == EINTR || errno == EAGAIN))
                continue;
            gone = true; // end of file, or the terminal hung up
            return -1;
        }
    }
}

// The next byte if one comes within escape_wait_ms, left unread; -1 otherwise.
static int peek_byte() { return fill(escape_wait_ms, false) == 1 ? in_buf[in_pos] : -1; }

static int next_byte()
{
    int c = peek_byte();
    if (c >= 0)
        in_pos++;
    return c;
}

// The numbers of a parameter string such as "1;5" or "<0;12;3", at most max of them.
static int read_numbers(const char *p, int *numbers, int max)
{
    int n = 0;
    while (*p && n < max) {
        if (*p < '0' || *p > '9')
            return -1;
        int v = 0;
        while (*p >= '0' && *p <= '9' && v < 100000)
            v = v * 10 + (*p++ - '0');
        numbers[n++] = v;
        if (*p == ';')
            p++;
    }
    return *p ? -1 : n;
}

static int key_of_tilde(int n)
{
    switch (n) {
    case 1:
    case 7:
        return key_home;
    case 4:
    case 8:
        return key_end;
    case 5:
        return key_page_up;
    case 6:
        return key_page_down;
    case 11:
        return key_f1;
    }
    return key_none;
}

static int key_of_letter(int c)
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
    }
    return key_none;
}

// After ESC [: reads the sequence whole. Returns the key, or key_none when it is none of ours.
static key read_csi()
{
    char params[32];
    int np = 0, final = -1;
    for (;;) {
        int c = peek_byte();
        if (c < 0)
            return np == 0 ? key{key_escape, 0, 0} : key{}; // Alt-[, or a sequence cut short
        if (c >= 0x20 && c <= 0x3F) {
            if (np < static_cast<int>(sizeof params) - 1)
                params[np++] = static_cast<char>(c);
            in_pos++;
            continue;
        }
        if (c >= 0x40 && c <= 0x7E) {
            final = c;
            in_pos++;
            break;
        }
        return {}; // a control byte cannot be in a sequence: it, or ESC, is read anew
    }
    params[np] = 0;
    int numbers[3];
    if (final == '[' && np == 0) // the Linux console's F1 to F5: ESC [ [ A to E
        return {next_byte() == 'A' ? key_f1 : key_none, 0, 0};
    if (params[0] == '<' && (final == 'M' || final == 'm')) {
        if (read_numbers(params + 1, numbers, 3) != 3 || final == 'm' || numbers[1] < 1 ||
            numbers[2] < 1)
            return {};
        int button = numbers[0] & ~(4 | 8 | 16); // Shift, Alt and Ctrl held: the same click
        if (button == 0)
            return {key_mouse_left, numbers[1] - 1, numbers[2] - 1};
        if (button == 2)
            return {key_mouse_right, numbers[1] - 1, numbers[2] - 1};
        return {}; // the middle button, a drag, the wheel
    }
    int count = read_numbers(params, numbers, 3);
    if (count < 0)
        return {};
    if (final == '~')
        return {count >= 1 ? key_of_tilde(numbers[0]) : key_none, 0, 0};
    return {key_of_letter(final), 0, 0}; // with modifiers (ESC [ 1 ; 5 A) the same key
}

// After ESC: a sequence, Alt and a key (taken as Esc), or Esc alone.
static key read_escape()
{
    int c = peek_byte();
    if (c == '[') {
        in_pos++;
        return read_csi();
    }
    if (c == 'O') {
        in_pos++;
        int d = next_byte();
        if (d < 0)
            return {key_escape, 0, 0}; // Alt-O
        return {d == 'P' ? key_f1 : key_of_letter(d), 0, 0};
    }
    if ((c >= 0x20 && c < 0x7F) || c == 0x7F)
        in_pos++; // Alt and a key: the key goes, lest Alt-q quit
    return {key_escape, 0, 0};
}

key console_read(int timeout_ms)
{
    (void)timeout_ms; // TODO

    if (!is_open)
        return {};
    for (;;) {
        if (resized) {
            resized = false;
            shown = grid{}; // the terminal may have moved or dropped what it showed
            key k{key_resize, 0, 0};
            terminal_size(k.x, k.y);
            return k;
        }
        int r = fill(-1, true);
        if (r < 0)
            return {};
        if (r == 0)
            continue;
        int c = in_buf[in_pos++];
        if (c == 27) {
            key k = read_escape();
            if (k.code != key_none)
                return k;
        } else if (c < 0x80) {
            return {c, 0, 0};
        }
        // a byte of a UTF-8 character: no key of the editor's
    }
}

bool console_own_window() { return false; }

void console_wait_key(const char *prompt) { (void)prompt; }

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
