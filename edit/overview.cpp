// edit/overview.cpp - all levels at a glance: choosing one, and putting levels in another order.
// Records keep their places in the image; it is the levels' contents that move, so a level's
// random colors must fit the room of the record it moves into.
#include "edit/state.h"

static overview_layout layout_now(const edit_state &s)
{
    return overview_layout_of(s.width, s.height, !(s.unicode && s.colors));
}

// The rows of boards shown follow the selection.
static void show_selected(edit_state &s)
{
    const overview_layout o = layout_now(s);
    const int row = (s.selected - 1) / o.columns;
    if (row < s.top_row)
        s.top_row = row;
    else if (row >= s.top_row + o.rows)
        s.top_row = row - o.rows + 1;
}

void open_overview(edit_state &s)
{
    s.mode = edit_mode::overview;
    s.selected = s.level_before = s.level;
    s.marked = 0;
    show_selected(s);
}

static int room_refused(edit_state &s, int from, int to)
{
    const int n = tb_level[from].nb_colors;
    if (n <= record_room[to])
        return 0;
    s.status = formatted("Not exchanged: level %d's %d random color%s %s not fit level %d's room "
                         "for %d.",
                         from, n, n == 1 ? "" : "s", n == 1 ? "does" : "do", to, record_room[to]);
    return 1;
}

// Levels a and b trade cells and random colors, as one undo step; the selection goes with a.
static int exchange(edit_state &s, int a, int b)
{
    if (b < 1 || b > last_level() || room_refused(s, a, b) || room_refused(s, b, a))
        return 0;
    const std::array<tb_level_entry, 31> before = tb_level;
    for (tb_level_entry *e : {&tb_level[a], &tb_level[b]}) {
        const tb_level_entry &from = before[e == &tb_level[a] ? b : a];
        e->nb_colors = from.nb_colors;
        e->colors = from.colors;
        e->cells = from.cells;
    }
    s.level = s.selected = b;
    s.marked = 0;
    s.status = formatted("Exchanged levels %d and %d.", a, b);
    return commit_levels(s, before);
}

// Arrows go by boards across and rows of boards down, as the overview lays them out now.
static void move_selection(edit_state &s, int code)
{
    const overview_layout o = layout_now(s);
    int to = s.selected;
    switch (code) {
    case key_left:
        to--;
        break;
    case key_right:
        to++;
        break;
    case key_up:
        to -= o.columns;
        break;
    case key_down:
        to += o.columns;
        break;
    case key_page_up:
        to -= o.columns * o.rows;
        break;
    case key_page_down:
        to += o.columns * o.rows;
        break;
    case key_home:
        to = 1;
        break;
    case key_end:
        to = last_level();
        break;
    default:
        return;
    }
    s.selected = to < 1 ? 1 : to > last_level() ? last_level() : to;
    show_selected(s);
}

// A click on a small board chooses it.
static void click(edit_state &s, const key &k)
{
    const overview_layout o = layout_now(s);
    if (k.x < o.x || k.y < o.y || o.board_w <= 0 || o.board_h <= 0)
        return;
    const int column = (k.x - o.x) / o.board_w, row = (k.y - o.y) / o.board_h + s.top_row;
    const int level = row * o.columns + column + 1;
    if (column < o.columns && level >= 1 && level <= last_level())
        s.selected = level;
}

static void leave(edit_state &s, int level)
{
    s.mode = edit_mode::board;
    s.level = level;
}

int overview_key(edit_state &s, const key &k)
{
    switch (k.code) {
    case key_enter:
    case key_tab:
        leave(s, s.selected);
        return 0;
    case key_escape: // unmarks first, then leaves as it came
        if (s.marked)
            s.marked = 0;
        else
            leave(s, s.level_before);
        return 0;
    case '<':
    case '>':
        return exchange(s, s.selected, s.selected + (k.code == '<' ? -1 : 1));
    case 'x':
        if (s.marked == 0 || s.marked == s.selected) {
            s.marked = s.marked ? 0 : s.selected;
            return 0;
        }
        return exchange(s, s.marked, s.selected);
    case key_mouse_left:
        click(s, k);
        return 0;
    default:
        move_selection(s, k.code);
        return 0;
    }
}
