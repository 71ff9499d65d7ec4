// edit/frame_posix.cpp - the terminal's frame: the cells that differ from the picture last
// shown, with xterm's escape sequences for the cursor and the colors, built in one string for
// console_posix.cpp to write at once.
#include "edit/frame_posix.h"

// The shortest way from the cursor to (x, y): relative when the cursor is known and that is
// shorter, absolute (CUP) otherwise.
static void add_move(const output_state &o, std::string &out, int x, int y)
{
    std::string absolute = "\x1b[";
    if (y > 0 || x > 0)
        absolute += std::to_string(y + 1);
    if (x > 0)
        absolute += ';' + std::to_string(x + 1);
    absolute += 'H';
    if (o.at_x < 0 || o.at_y < 0) {
        out += absolute;
        return;
    }
    std::string relative;
    int dy = y - o.at_y, dx = x - o.at_x;
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

static void move_to(output_state &o, int x, int y)
{
    if (x == o.at_x && y == o.at_y)
        return;
    add_move(o, o.frame, x, y);
    o.at_x = x;
    o.at_y = y;
}

static void add_color(const output_state &o, std::string &out, std::uint8_t c, int base)
{
    if (!out.empty())
        out += ';';
    if (c == color_orange && o.has_256) {
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

static void set_pen(output_state &o, const screen_cell &c)
{
    if (o.pen_known && c.fg == o.pen.fg && c.bg == o.pen.bg && c.attr == o.pen.attr)
        return;
    // either a reset and what differs from the defaults, or only what changed: the shorter
    std::string from_reset = "0", changes;
    if (c.attr & attr_bold)
        from_reset += ";1";
    if (c.attr & attr_reverse)
        from_reset += ";7";
    if (c.fg != color_default)
        add_color(o, from_reset, c.fg, 30);
    if (c.bg != color_default)
        add_color(o, from_reset, c.bg, 40);
    if (from_reset == "0")
        from_reset.clear(); // ESC [ m resets too
    bool by_changes = o.pen_known;
    if (o.pen_known) {
        int off = o.pen.attr & ~c.attr, on = c.attr & ~o.pen.attr;
        if (off & attr_bold)
            changes += "22";
        if (off & attr_reverse)
            changes += changes.empty() ? "27" : ";27";
        if (on & attr_bold)
            changes += changes.empty() ? "1" : ";1";
        if (on & attr_reverse)
            changes += changes.empty() ? "7" : ";7";
        if (c.fg != o.pen.fg)
            add_color(o, changes, c.fg, 30);
        if (c.bg != o.pen.bg)
            add_color(o, changes, c.bg, 40);
        by_changes = changes.size() <= from_reset.size();
    }
    o.frame += "\x1b[";
    o.frame += by_changes ? changes : from_reset;
    o.frame += 'm';
    o.pen = c;
    o.pen_known = true;
}

static void add_char(const output_state &o, std::string &to, char ch)
{
    if (ch == glyph_half_block && o.unicode)
        to += "\xe2\x96\x80"; // U+2580 in UTF-8, one column wide
    else
        to += ch >= 0x20 && ch < 0x7F ? ch : '?';
}

static bool same_look(const screen_cell &a, const screen_cell &b)
{
    return a.fg == b.fg && a.bg == b.bg && a.attr == b.attr;
}

// Sends row y from column x on, as far as it differs from what is shown; returns where it
// stopped. A short stretch left as it is costs less written again than jumped over.
static int send_run(output_state &o, const grid &g, int x, int y)
{
    const screen_cell *now = &g.cells[static_cast<std::size_t>(y * g.width)];
    const screen_cell *was = &o.shown.cells[static_cast<std::size_t>(y * g.width)];
    move_to(o, x, y);
    while (x < g.width) {
        if (now[x] == was[x]) {
            int next = x;
            while (next < g.width && now[next] == was[next] && same_look(now[next], o.pen))
                next++;
            if (next == g.width || now[next] == was[next])
                break; // the row ends unchanged, or a cell of other colors lies between
            std::string jump;
            add_move(o, jump, next, y);
            if (static_cast<std::size_t>(next - x) > jump.size())
                break;
        }
        set_pen(o, now[x]);
        add_char(o, o.frame, now[x].ch);
        x++;
        o.at_x = x;
    }
    if (o.at_x >= g.width)
        o.at_x = -1; // the terminal waits to wrap: where its cursor is now differs between them
    return x;
}

void build_frame(output_state &o, const grid &g)
{
    o.frame.clear();
    if (!same_size(g, o.shown)) {
        o.frame += "\x1b[m\x1b[H\x1b[2J"; // erased to the default colors
        o.pen = screen_cell{};
        o.pen_known = true;
        o.at_x = o.at_y = 0;
        o.shown.width = g.width;
        o.shown.height = g.height;
        o.shown.cells.assign(static_cast<std::size_t>(g.width * g.height), screen_cell{});
    }
    bool drawn = false;
    for (int y = 0; y < g.height; y++) {
        for (int x = 0; x < g.width;) {
            std::size_t i = static_cast<std::size_t>(y * g.width + x);
            if (g.cells[i] == o.shown.cells[i]) {
                x++;
                continue;
            }
            if (!drawn)
                o.frame.insert(0, "\x1b[?25l"); // no cursor flying over the screen as it is drawn
            drawn = true;
            x = send_run(o, g, x, y);
        }
    }
    o.shown.cells.assign(g.cells.begin(), g.cells.begin() + g.width * g.height);
    int cx, cy;
    cursor_of(g, cx, cy);
    move_to(o, cx, cy);
    if (drawn || !o.cursor_shown)
        o.frame += "\x1b[?25h";
    o.cursor_shown = true;
}
