// edit/keys.cpp - a terminal's bytes as the editor's keys. What terminals send:
//   byte < 0x80          the key itself (0x08 and 0x7F Backspace, LF Enter); from 0x80 no key
//   a burst              printable bytes arriving together: a paste nobody marked (keys.h)
//   ESC                  Esc, when nothing follows it within escape_wait_ms
//   ESC [ params final   CSI: arrows, Home, End, pages, Delete, F1, SGR mouse reports, pastes
//   ESC O params final   SS3: arrows, Home, End, F1 as some terminals send them
//   ESC [ M b x y        an X10 mouse report: three bytes, each its value + 32
//   ESC [ 200 ~ .. ESC [ 201 ~   a bracketed paste, one key with the bytes between; either mark
//                        ends any paste, and what comes on with it is a paste of its own
//   ESC ] P _ ^ X .. BEL or ESC \   a terminal string (a reply to a query): dropped
//   ESC and another byte Alt and that key: dropped, so that Alt-q never quits
// A pause of sequence_wait_ms ends a sequence or string, wherever it falls: the byte after it is
// read anew. Strings, long sequences and pastes are taken as they come (key_decoder), so that
// neither time nor memory grows with their length.
#include "edit/keys.h"

#include <algorithm>
#include <string_view>

static constexpr unsigned char esc = 27;
static constexpr std::string_view paste_start = "\x1b[200~", paste_end = "\x1b[201~";
// Parameters longer than any key's: the sequence is dropped as it comes, not held.
static constexpr int sequence_max = 64;

static int key_of_byte(unsigned char c)
{
    return c >= 0x80 ? int{key_none} : c == 8 ? int{key_backspace} : c == 10 ? int{key_enter} : c;
}

// Nothing to give yet: wait for more bytes, or for idle_ms to reach ms.
static int wait_for(key_decoder &d, int ms)
{
    d.wait_ms = ms;
    return 0;
}

static int end_reading(key_decoder &d, int used)
{
    d.reading = key_reading::keys;
    return used;
}

static void begin_paste(key_decoder &d, bool marked, bool fresh)
{
    d.reading = key_reading::paste;
    d.marked = marked;
    d.fresh = fresh;
    d.marks_seen = d.marks_seen || marked;
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

// Bytes from `from` that may be a sequence's own: none of them after a pause.
static bool all_in_time(const std::uint16_t *gap_ms, int from, int to)
{
    for (int i = from; i < to; i++)
        if (gap_ms[i] >= sequence_wait_ms)
            return false;
    return true;
}

// A sequence whose introducer ('[' or 'O') is p[at]; before it its ESC, or nothing when the ESC
// was taken as Esc before a pause. Returns the bytes it takes from p[0] on.
static int decode_sequence(key_decoder &d, const unsigned char *p, const std::uint16_t *gap_ms,
                           int n, int at, int idle_ms, key &k)
{
    int i = at + 1;
    while (i < n && i - at <= sequence_max && gap_ms[i] < sequence_wait_ms && p[i] >= 0x20 &&
           p[i] <= 0x3F)
        i++;
    if (i - at > sequence_max) { // no key has parameters so long: the rest goes as it comes
        d.reading = key_reading::sequence;
        return i;
    }
    if (i == n)
        return idle_ms >= sequence_wait_ms ? n : wait_for(d, sequence_wait_ms);
    if (gap_ms[i] >= sequence_wait_ms || p[i] < 0x40 || p[i] > 0x7E)
        return i; // a pause or a control byte breaks it off: that byte is read anew
    const int final = p[i], end = i + 1;
    std::string_view params(reinterpret_cast<const char *>(p + at + 1),
                            static_cast<std::size_t>(i - at - 1));
    if (p[at] == 'O') {
        k.code = key_of_letter(final);
        return end;
    }
    // the Linux console's F1 to F5 (ESC [ [ A to E), and X10 reports, take bytes after the final
    const int more = params.empty() && final == '[' ? 1 : params.empty() && final == 'M' ? 3 : 0;
    if (more && !all_in_time(gap_ms, end, n < end + more ? n : end + more)) {
        int late = end;
        while (gap_ms[late] < sequence_wait_ms)
            late++;
        return late;
    }
    if (more && n - end < more)
        return idle_ms >= sequence_wait_ms ? n : wait_for(d, sequence_wait_ms);
    if (more == 1) {
        k.code = p[end] == 'A' ? key_f1 : key_none;
        return end + 1;
    }
    if (more == 3) { // X10: the three bytes may be anything
        k = {mouse_key(p[end] - 32, false), p[end + 1] - 33, p[end + 2] - 33};
        if (k.x < 0 || k.y < 0) // out of the range X10 can say
            k = key{};
        return end + 3;
    }
    if (params == "200" && final == '~') { // d.text is empty between pastes
        begin_paste(d, true, false);
        return end;
    }
    int numbers[3];
    if (!params.empty() && params[0] == '<') { // SGR: ESC [ < button ; x ; y M, or m released
        if ((final == 'M' || final == 'm') && numbers_of(params.substr(1), numbers, 3) == 3 &&
            numbers[1] > 0 && numbers[2] > 0)
            k = {mouse_key(numbers[0], final == 'm'), numbers[1] - 1, numbers[2] - 1};
        if (k.code == key_none)
            k = key{};
        return end;
    }
    if (numbers_of(params, numbers, 2) > 0)
        k.code = final == '~' ? key_of_tilde(numbers[0]) : key_of_letter(final);
    return end;
}

// p[0] is ESC.
static int decode_escape(key_decoder &d, const unsigned char *p, const std::uint16_t *gap_ms, int n,
                         int idle_ms, key &k)
{
    if (n == 1 && idle_ms < escape_wait_ms)
        return wait_for(d, escape_wait_ms);
    if (n == 1 || gap_ms[1] >= escape_wait_ms) { // nothing came with it: the Esc key
        k.code = key_escape;
        d.after_escape = true;
        return 1;
    }
    switch (p[1]) {
    case esc: // Alt and Esc: the first dropped, the second read anew
        return 1;
    case '[':
    case 'O':
        return decode_sequence(d, p, gap_ms, n, 1, idle_ms, k);
    case ']':
    case 'P':
    case '_':
    case '^':
    case 'X':
        d.reading = key_reading::string;
        return 2;
    }
    return 2; // Alt and a key
}

// A terminal string, up to BEL or ESC \ (an ESC that starts anything else ends it before
// itself), or to a pause.
static int take_string(key_decoder &d, const unsigned char *p, const std::uint16_t *gap_ms, int n,
                       int idle_ms)
{
    for (int i = 0; i < n; i++) {
        if (gap_ms[i] >= sequence_wait_ms)
            return end_reading(d, i);
        if (p[i] == 7)
            return end_reading(d, i + 1);
        if (p[i] == esc && i + 1 == n) { // ESC \ may be split: the ESC waits for its byte
            if (idle_ms >= sequence_wait_ms)
                return end_reading(d, n);
            d.wait_ms = sequence_wait_ms;
            return i;
        }
        if (p[i] == esc)
            return end_reading(d, gap_ms[i + 1] >= sequence_wait_ms ? i + 1
                                  : p[i + 1] == '\\'                ? i + 2
                                                                    : i);
    }
    if (idle_ms >= sequence_wait_ms)
        return end_reading(d, n);
    d.wait_ms = sequence_wait_ms;
    return n;
}

// The rest of a sequence whose parameters ran long: up to its final byte, a control byte (read
// anew) or a pause.
static int take_sequence(key_decoder &d, const unsigned char *p, const std::uint16_t *gap_ms, int n,
                         int idle_ms)
{
    for (int i = 0; i < n; i++) {
        if (gap_ms[i] >= sequence_wait_ms || p[i] < 0x20 || p[i] > 0x7E)
            return end_reading(d, i);
        if (p[i] >= 0x40)
            return end_reading(d, i + 1);
    }
    if (idle_ms >= sequence_wait_ms)
        return end_reading(d, n);
    d.wait_ms = sequence_wait_ms;
    return n;
}

static void keep(key_decoder &d, const unsigned char *p, std::size_t n)
{
    const std::size_t room = paste_max - d.text.size();
    d.text.append(reinterpret_cast<const char *>(p), n < room ? n : room);
}

// The text kept so far as a paste, if any.
static void give_paste(key_decoder &d, key &k)
{
    if (!d.text.empty()) {
        k.code = key_paste;
        k.text.swap(d.text); // which leaves d.text empty for the next
    }
}

// A paste, up to a mark (its end, or the start of another), a pause (a marked one is given up
// only after ten seconds) or as long a silence.
static int take_paste(key_decoder &d, const unsigned char *p, const std::uint16_t *gap_ms, int n,
                      int idle_ms, key &k)
{
    const int limit = d.marked ? paste_wait_ms : paste_gap_ms;
    int pause = d.fresh && n > 0 ? 1 : 0;
    while (pause < n && gap_ms[pause] < limit)
        pause++;
    const std::string_view all(reinterpret_cast<const char *>(p), static_cast<std::size_t>(pause));
    const std::size_t mark = std::min(all.find(paste_start), all.find(paste_end));
    if (mark != std::string_view::npos) {
        keep(d, p, mark);
        give_paste(d, k);
        if (all[mark + 4] == '0') { // 200: another begins
            begin_paste(d, true, false);
        } else {
            d.reading = key_reading::keys;
            d.tail_ms = paste_gap_ms;
        }
        return static_cast<int>(mark + paste_end.size());
    }
    if (pause < n || idle_ms >= limit) {
        if (d.marked) { // what comes after the silence is no key either
            k.code = key_paste_lost;
            d.text.clear();
            d.tail_ms = 1 << 30; // whenever it comes
        } else {
            keep(d, p, all.size());
            give_paste(d, k);
        }
        return end_reading(d, pause);
    }
    // the bytes at the end that may begin a mark wait for the rest of it
    auto may_begin_mark = [&all](std::size_t tail) {
        const std::string_view end = all.substr(all.size() - tail);
        return end == paste_end.substr(0, tail) || end == paste_start.substr(0, tail);
    };
    std::size_t tail = std::min(paste_end.size() - 1, all.size());
    while (tail > 0 && !may_begin_mark(tail))
        tail--;
    keep(d, p, all.size() - tail);
    d.fresh = d.fresh && tail == all.size();
    d.wait_ms = limit;
    return n - static_cast<int>(tail);
}

// Characters that came together: a paste from the second that differs from the first, else the
// keys of the one character, once for each, when the run ends.
static int take_run(key_decoder &d, const unsigned char *p, const std::uint16_t *gap_ms, int n,
                    int idle_ms, key &k)
{
    int i = 0;
    for (; i < n && in_burst(p[i]) && gap_ms[i] < burst_ms; i++) {
        const bool later_byte = p[i] >= 0x80 && p[i] < 0xC0; // of a UTF-8 character: one with it
        if (p[i] != d.first && !later_byte) {                // two characters differ
            keep(d, p, static_cast<std::size_t>(i));
            begin_paste(d, false, false);
            d.count = 0;
            return i + take_paste(d, p + i, gap_ms + i, n - i, idle_ms, k);
        }
        d.count += !later_byte;
    }
    keep(d, p, static_cast<std::size_t>(i));
    if (i == n && idle_ms < burst_ms)
        return i + wait_for(d, burst_ms);
    // a held key, or keys typed ahead: each of them a key
    k.code = key_of_byte(d.first);
    d.count = k.code == key_none ? 0 : d.count - 1;
    d.text.clear();
    return end_reading(d, i);
}

// After a lone Esc, the rest of a sequence or terminal string a slow link split after its ESC.
static int decode_rest(key_decoder &d, const unsigned char *p, const std::uint16_t *gap_ms, int n,
                       int idle_ms, key &k)
{
    if (p[0] != '[' && p[0] != 'O') {
        d.reading = key_reading::string;
        return 1;
    }
    const int used = decode_sequence(d, p, gap_ms, n, 0, idle_ms, k);
    d.after_escape = used == 0;
    k = key{};
    return used;
}

int decode_key(key_decoder &d, const unsigned char *p, const std::uint16_t *gap_ms, int n,
               int idle_ms, key &k)
{
    k = key{};
    d.wait_ms = -1;
    int used = 0;
    switch (d.reading) {
    case key_reading::string:
        used = take_string(d, p, gap_ms, n, idle_ms);
        break;
    case key_reading::sequence:
        used = take_sequence(d, p, gap_ms, n, idle_ms);
        break;
    case key_reading::paste:
        used = take_paste(d, p, gap_ms, n, idle_ms, k);
        break;
    case key_reading::run:
        used = take_run(d, p, gap_ms, n, idle_ms, k);
        break;
    case key_reading::keys:
        break;
    }
    // what ended before the first byte left it to be read as keys, now
    if (d.reading != key_reading::keys || used > 0 || k.code != key_none)
        return used;
    if (d.count > 0) { // a run of one character repeated: its keys
        d.count--;
        k.code = key_of_byte(d.first);
        return 0;
    }
    if (n <= 0)
        return 0;
    const bool tail = gap_ms[0] < d.tail_ms, after_escape = d.after_escape;
    d.tail_ms = 0;
    d.after_escape = false;
    if (tail) { // what came on with a paste's end is a paste of its own
        begin_paste(d, false, true);
        return take_paste(d, p, gap_ms, n, idle_ms, k);
    }
    if (after_escape && gap_ms[0] < sequence_wait_ms &&
        std::string_view("[O]P_^X").find(static_cast<char>(p[0])) != std::string_view::npos)
        return decode_rest(d, p, gap_ms, n, idle_ms, k);
    if (p[0] == esc)
        return decode_escape(d, p, gap_ms, n, idle_ms, k);
    if (in_burst(p[0]) && !(d.marks_trusted && d.marks_seen)) {
        d.reading = key_reading::run;
        d.first = p[0];
        d.count = 1;
        d.text.assign(1, static_cast<char>(p[0]));
        return 1 + take_run(d, p + 1, gap_ms + 1, n - 1, idle_ms, k);
    }
    k.code = key_of_byte(p[0]);
    return 1;
}
