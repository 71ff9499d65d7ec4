// edit/console_posix.cpp - the terminal, through termios and xterm's escape sequences: raw keys,
// the alternate screen, mouse reports, bracketed pastes, and each picture's frame (built by
// frame_posix.cpp) in one write. Signals that end the editor, stop it or resize its window land
// here too.
#include "edit/console.h"
#include "edit/frame_posix.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

// What comes in: the bytes not yet taken as keys (from taken on), how long after the byte before
// each one came, and when the last one came.
struct input_state {
    std::vector<unsigned char> bytes;
    std::vector<std::uint16_t> gaps;
    std::size_t taken = 0;
    std::int64_t last_byte_ms = 0;
    bool gone = false; // end of file or a read error: nothing more will come
    key_decoder decoder;
};
static output_state tty_out;
static input_state tty_in;

// Apart from the rest and plain, since the signal handlers reach them: only what a handler may
// touch (sig_atomic_t flags, termios, file descriptors), all set before a handler is installed.
static termios saved_termios, raw_termios;
static volatile sig_atomic_t restore_pending = 0; // 1 while the terminal is not as we found it
static volatile sig_atomic_t screen_entered = 0;  // 1 while our screen and modes are on
static volatile sig_atomic_t hangups = 0;         // a signal that ends the editor came
static volatile sig_atomic_t redraw = 0;          // SIGWINCH or SIGCONT came
static volatile sig_atomic_t away = 0; // stopped, or in the background: the terminal is another's
static int signal_pipe[2] = {-1, -1};  // the handlers write, console_read polls
// What each signal did before the editor took it, given back on closing, and to a crash.
static struct sigaction old_actions[NSIG];
static void (*taken[NSIG])(int); // the handler put in place, null where none was

// CAN first: a signal may land in the middle of a sequence, which CAN cancels. Mouse modes
// exclude each other, the last one on wins: 1000 (clicks), then 1002 (drags), in SGR form (1006).
static const char restore_text[] =
    "\x18\x1b[m\x1b[?2004l\x1b[?1006l\x1b[?1002l\x1b[?1000l\x1b[?25h\x1b[?1049l";
static const char enter_text[] =
    "\x1b[?1049h\x1b[?1000h\x1b[?1002h\x1b[?1006h\x1b[?2004h\x1b[?25l\x1b[m";

bool console_is_terminal() { return isatty(STDIN_FILENO) && isatty(STDOUT_FILENO); }

bool console_can_draw(std::string &term)
{
    const char *t = std::getenv("TERM");
    term = t ? t : "";
    return !term.empty() && term != "dumb";
}

bool console_unicode() // what the C library would take from the locale, without setlocale
{
    for (const char *name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char *value = std::getenv(name);
        if (!value || !*value)
            continue;
        std::string v = value;
        for (char &c : v)
            c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        return v.find("utf-8") != std::string::npos || v.find("utf8") != std::string::npos;
    }
    return false;
}

// Loops over partial writes and signals: true = all of it went out; false = the terminal is gone.
// Safe in a signal handler.
static bool write_all(const char *p, std::size_t n)
{
    while (n > 0) {
        ssize_t w = write(STDOUT_FILENO, p, n);
        if (w > 0) {
            p += w;
            n -= static_cast<std::size_t>(w);
        } else if (w < 0 && errno == EAGAIN) {
            pollfd fd = {STDOUT_FILENO, POLLOUT, 0};
            poll(&fd, 1, -1);
        } else if (w == 0 || errno != EINTR) {
            return false;
        }
    }
    return true;
}

// ---- signals: every handler is async-signal-safe; a stop gives the terminal back, a continue
// takes it again, the others raise a flag and wake console_read

// The terminal as we found it: the main screen, the cursor, no mouse or pastes, the old termios.
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

static void enter_screen()
{
    restore_pending = 1;
    screen_entered = 1;
    write_all(enter_text, sizeof enter_text - 1);
}

static void wake_reader()
{
    char c = 's';
    ssize_t ignored = write(signal_pipe[1], &c, 1); // a full pipe already says it
    (void)ignored;
}

// The first signal that ends the editor asks the loop to end, which keeps the unsaved changes
// and gives the terminal back; later ones change nothing, so that a closing window's second
// SIGHUP cannot cut short the save or the recovery file the first one started.
static void on_end(int)
{
    int saved_errno = errno;
    hangups = 1;
    wake_reader();
    errno = saved_errno;
}

// A crash gives the terminal back and goes on as it would have: the same status, a core dump, a
// sanitizer's report. A fault happens again as the handler returns; a sent signal is sent again.
static void on_crash(int sig, siginfo_t *info, void *)
{
    restore_terminal();
    sigaction(sig, &old_actions[sig], nullptr);
    if (info->si_code <= 0)
        raise(sig);
}

static void crash_handler(int) {} // what taken[] holds for on_crash, which takes three arguments

// The shell gets its terminal back as after a quit; nothing of the editor's state is touched.
static void on_stop(int)
{
    int saved_errno = errno;
    restore_terminal();
    away = 1;
    raise(SIGSTOP);
    errno = saved_errno;
}

// Takes the terminal again once the editor is in the foreground: true = raw, our screen and modes
// on, a whole picture due. Safe in a signal handler.
static bool take_terminal()
{
    if (tcgetpgrp(STDIN_FILENO) != getpgrp() || tcsetattr(STDIN_FILENO, TCSANOW, &raw_termios) != 0)
        return false;
    enter_screen();
    away = 0;
    redraw = 1;
    return true;
}

// Continued in the background, it waits: a shell's fg of a running job sends no SIGCONT, so
// console_read looks for the foreground itself.
static void on_continue(int)
{
    int saved_errno = errno;
    away = 1;
    take_terminal();
    redraw = 1;
    wake_reader();
    errno = saved_errno;
}

static void on_winch(int)
{
    int saved_errno = errno;
    redraw = 1;
    wake_reader();
    errno = saved_errno;
}

// Signals whose default would end the process and leave the terminal raw: each ends the editor
// as SIGTERM does, but the crashes, and SIGPIPE, which a lost terminal's write reports itself.
static const int stop_signals[] = {SIGTSTP, SIGTTIN, SIGTTOU};
static const int crash_signals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGTRAP, SIGSYS};
static const int end_signals[] = {
    SIGHUP,    SIGTERM,   SIGQUIT, SIGINT, SIGUSR1, SIGUSR2,
    SIGALRM,   SIGVTALRM, SIGPROF, SIGIO,  SIGXCPU, SIGXFSZ,
#ifdef SIGPWR
    SIGPWR,
#endif
#ifdef SIGSTKFLT
    SIGSTKFLT,
#endif
};

static void take(int sig, void (*handler)(int), int flags)
{
    struct sigaction sa;
    std::memset(&sa, 0, sizeof sa);
    sigfillset(&sa.sa_mask); // one handler at a time
    if (handler == crash_handler)
        sa.sa_sigaction = on_crash;
    else
        sa.sa_handler = handler;
    sa.sa_flags = flags | (handler == crash_handler ? SA_SIGINFO : 0);
    if (sigaction(sig, &sa, &old_actions[sig]) == 0)
        taken[sig] = handler;
}

// Every handler restarts what it interrupts: a save under way finishes, whatever came.
static void set_signals()
{
    for (int sig : end_signals)
        take(sig, on_end, SA_RESTART);
    for (int sig = SIGRTMIN; sig <= SIGRTMAX; sig++)
        take(sig, on_end, SA_RESTART);
    for (int sig : stop_signals)
        take(sig, on_stop, SA_RESTART);
    for (int sig : crash_signals)
        take(sig, crash_handler, 0);
    take(SIGWINCH, on_winch, SA_RESTART);
    take(SIGCONT, on_continue, SA_RESTART);
    take(SIGPIPE, SIG_IGN, 0);
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

static bool make_signal_pipe()
{
    if (pipe(signal_pipe) != 0)
        return false;
    for (int fd : signal_pipe) {
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
        fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    return true;
}

bool console_open(int &width, int &height)
{
    static bool at_exit = false;
    if (tty_out.is_open || tcgetattr(STDIN_FILENO, &saved_termios) != 0 || !make_signal_pipe())
        return false;
    if (!at_exit) // exit() from anywhere gives the terminal back too
        at_exit = std::atexit(console_close) == 0;
    tty_out = output_state{};
    tty_in = input_state{};
    hangups = redraw = away = 0;
    raw_termios = saved_termios;
    // no ISIG: Ctrl-C and Ctrl-Z are keys; no IXON: Ctrl-S is a key; no ICRNL: Enter is 13
    raw_termios.c_iflag &=
        ~static_cast<tcflag_t>(IXON | ICRNL | INLCR | IGNCR | BRKINT | ISTRIP | INPCK);
    raw_termios.c_oflag &= ~static_cast<tcflag_t>(OPOST); // every byte we send reaches it
    raw_termios.c_lflag &= ~static_cast<tcflag_t>(ECHO | ICANON | ISIG | IEXTEN);
    raw_termios.c_cflag |= CS8;
    raw_termios.c_cc[VMIN] = 1;
    raw_termios.c_cc[VTIME] = 0;
    restore_pending = 1;
    tty_out.is_open = true; // from here on, console_close is the way back
    set_signals();
    if (tcsetattr(STDIN_FILENO, TCSAFLUSH, &raw_termios) != 0) {
        console_close();
        return false;
    }
    enter_screen();
    const char *term = std::getenv("TERM"), *colorterm = std::getenv("COLORTERM");
    tty_out.has_256 = (term && std::strstr(term, "256color")) || (colorterm && *colorterm);
    tty_out.unicode = console_unicode();
    terminal_size(width, height);
    return true;
}

void console_close()
{
    if (!tty_out.is_open)
        return;
    tty_out.is_open = false;
    // a signal now would find the terminal half given back: it waits for the old handlers; and
    // once the editor is ending, signals that would end it are ignored, not taken by a default
    // that would change the exit status
    sigset_t set, old_mask;
    sigfillset(&set);
    sigprocmask(SIG_BLOCK, &set, &old_mask);
    restore_terminal();
    struct sigaction ignore;
    std::memset(&ignore, 0, sizeof ignore);
    ignore.sa_handler = SIG_IGN;
    for (int sig = 1; sig < NSIG; sig++) {
        bool ending = hangups && taken[sig] == on_end && old_actions[sig].sa_handler == SIG_DFL;
        if (taken[sig])
            sigaction(sig, ending ? &ignore : &old_actions[sig], nullptr);
        taken[sig] = nullptr;
    }
    for (int &fd : signal_pipe) {
        close(fd);
        fd = -1;
    }
    sigprocmask(SIG_SETMASK, &old_mask, nullptr);
}

void console_show(const grid &g)
{
    if (!tty_out.is_open || !grid_is_whole(g))
        return;
    if (away) { // the terminal is another's for now
        tty_out.shown = grid{};
        return;
    }
    build_frame(tty_out, g);
    if (!tty_out.frame.empty() && !write_all(tty_out.frame.data(), tty_out.frame.size()))
        tty_out.shown = grid{}; // whatever the terminal holds now, the next picture is sent whole
}

// ---- input: bytes in, keys out (decode_key in keys.cpp)

// The next key in the bytes that came: false while they hold none, or only the start of one.
static bool next_key(key &k)
{
    for (;;) {
        // once the terminal is gone, every clock of the decoder has run out
        std::int64_t idle = tty_in.gone ? paste_wait_ms : clock_ms() - tty_in.last_byte_ms;
        int used = decode_key(tty_in.decoder, tty_in.bytes.data() + tty_in.taken,
                              tty_in.gaps.data() + tty_in.taken,
                              static_cast<int>(tty_in.bytes.size() - tty_in.taken),
                              static_cast<int>(idle < paste_wait_ms ? idle : paste_wait_ms), k);
        tty_in.taken += static_cast<std::size_t>(used);
        if (k.code != key_none)
            return true;
        if (used == 0)
            return false;
    }
}

// The bytes waiting now came together: each but the first 0 ms after the one before it.
static void read_bytes()
{
    const auto used = static_cast<std::ptrdiff_t>(tty_in.taken); // gone for good
    tty_in.bytes.erase(tty_in.bytes.begin(), tty_in.bytes.begin() + used);
    tty_in.gaps.erase(tty_in.gaps.begin(), tty_in.gaps.begin() + used);
    tty_in.taken = 0;
    const std::size_t had = tty_in.bytes.size(), chunk = 65536;
    tty_in.bytes.resize(had + chunk);
    ssize_t r = read(STDIN_FILENO, tty_in.bytes.data() + had, chunk);
    tty_in.bytes.resize(had + static_cast<std::size_t>(r > 0 ? r : 0));
    if (r > 0) {
        std::int64_t now = clock_ms(), gap = now - tty_in.last_byte_ms;
        tty_in.gaps.resize(tty_in.bytes.size(), 0);
        tty_in.gaps[had] = static_cast<std::uint16_t>(gap < 65535 ? gap : 65535);
        tty_in.last_byte_ms = now;
    } else if (r == 0 || (errno != EINTR && errno != EAGAIN)) {
        tty_in.gone = true; // end of file, or the terminal hung up
    }
}

// In the background nothing is read, so that no key acts unseen: a look every away_poll_ms for
// the foreground, which takes the terminal back. true = it is the editor's again.
static bool back_from_away()
{
    constexpr int away_poll_ms = 100;
    sigset_t all, old_mask; // no stop between the look and the taking
    sigfillset(&all);
    sigprocmask(SIG_BLOCK, &all, &old_mask);
    const int back = take_terminal();
    sigprocmask(SIG_SETMASK, &old_mask, nullptr);
    pollfd fd = {signal_pipe[0], POLLIN, 0};
    char drain[64];
    if (!back && poll(&fd, 1, away_poll_ms) > 0) // a signal: its flag says what it was
        while (read(signal_pipe[0], drain, sizeof drain) > 0) {
        }
    return back;
}

key console_read(int timeout_ms)
{
    if (!tty_out.is_open)
        return {};
    const std::int64_t end = clock_ms() + timeout_ms;
    for (;;) {
        if (hangups)
            return {key_hangup};
        if (away && !back_from_away()) {
            if (timeout_ms >= 0 && clock_ms() >= end)
                return {key_timeout};
            continue;
        }
        if (redraw) {
            redraw = 0;
            tty_out.shown = grid{}; // the terminal may have moved or dropped what it showed
            key k{key_resize};
            terminal_size(k.x, k.y);
            return k;
        }
        key k;
        if (next_key(k)) {
            k.ms = tty_in.last_byte_ms; // when its bytes came, however late they are decoded
            return k;
        }
        if (tty_in.gone) // and every byte that came is decoded
            return {};
        std::int64_t now = clock_ms(), wait = timeout_ms < 0 ? -1 : end - now;
        if (timeout_ms >= 0 && wait <= 0)
            return {key_timeout};
        if (tty_in.decoder.wait_ms >= 0) { // the decoder's clocks run: wake it when one is up
            std::int64_t next = tty_in.decoder.wait_ms - (now - tty_in.last_byte_ms);
            next = next < 0 ? 0 : next;
            wait = wait < 0 || next < wait ? next : wait;
        }
        pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {signal_pipe[0], POLLIN, 0}};
        int n = poll(fds, 2, static_cast<int>(wait));
        if (n < 0 && errno != EINTR)
            tty_in.gone = true;
        if (n <= 0)
            continue;
        char drain[64];
        while (fds[1].revents && read(signal_pipe[0], drain, sizeof drain) > 0) {
        }
        if (fds[0].revents)
            read_bytes();
    }
}

// OSC 52: the terminal puts it on its clipboard if it is allowed to, and says nothing either way.
clip_result console_copy_text(const std::string &text)
{
    static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string osc = "\x1b]52;c;";
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n; i += 3) {
        std::uint32_t v = std::uint32_t{static_cast<unsigned char>(text[i])} << 16;
        if (i + 1 < n)
            v |= std::uint32_t{static_cast<unsigned char>(text[i + 1])} << 8;
        if (i + 2 < n)
            v |= static_cast<unsigned char>(text[i + 2]);
        osc += digits[v >> 18];
        osc += digits[v >> 12 & 63];
        osc += i + 1 < n ? digits[v >> 6 & 63] : '=';
        osc += i + 2 < n ? digits[v & 63] : '=';
    }
    osc += '\a';
    return write_all(osc.data(), osc.size()) ? clip_sent : clip_failed;
}

bool console_own_window() { return false; }

void console_wait_key(const char *prompt) { (void)prompt; }
