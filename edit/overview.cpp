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
    const int row = (s.overview.selected - 1) / o.columns;
    if (row < s.overview.top_row)
        s.overview.top_row = row;
    else if (row >= s.overview.top_row + o.rows)
        s.overview.top_row = row - o.rows + 1;
}

void open_overview(edit_state &s)
{
    s.mode = edit_mode::overview;
    s.overview.selected = s.overview.level_before = s.level;
    s.overview.marked = 0;
    s.overview.click_level = 0;
    show_selected(s);
}

// Puts each level that from_of names (0: none) in place of level i, its cells and random colors,
// as one undo step, and says did or nothing; refused, by not_done's name, when a list would not
// fit its new room. The chosen level follows the level moved to place to, and Esc returns there.
static bool rearrange(edit_state &s, const std::array<int, 31> &from_of, int to, action what,
                      const char *not_done, const std::string &did, const std::string &nothing)
{
    std::array<tb_level_entry, 31> next = tb_level;
    std::string note;
    for (int i = 1; i <= last_level(); i++) {
        if (from_of[i] == 0)
            continue;
        const tb_level_entry &from = tb_level[from_of[i]];
        copy_level(next[i], from);
        int emptied = 0;
        const room_state room = keep_level_rules(next[i], i, emptied);
        if (room == room_state::over) {
            const int n = from.nb_colors;
            s.status = formatted("%s: level %d's %d random color%s %s not fit level %d's room for "
                                 "%d.",
                                 not_done, from_of[i], n, plural(n), n == 1 ? "does" : "do", i,
                                 record_room[i]);
            return false;
        }
        if (room == room_state::shrinks && next[i].nb_colors != tb_level[i].nb_colors)
            note = room_note(i);
    }
    const std::array<tb_level_entry, 31> before = tb_level;
    tb_level = next;
    s.level = s.overview.selected = s.overview.level_before = to;
    s.overview.marked = 0;
    show_selected(s);
    const bool changed = commit_levels(s, before, what);
    s.status = !changed ? "Nothing changed: " + nothing : note.empty() ? did : note;
    return changed;
}

// Level from goes to place to, the levels between one place toward the gap; the records stay.
static bool move_level(edit_state &s, int from, int to)
{
    if (to < 1 || to > last_level()) {
        s.status = formatted("There is no level %d.", to);
        return false;
    }
    s.mode = edit_mode::overview;
    if (to == from) {
        s.status = formatted("Nothing changed: level %d is at %d already.", from, to);
        return false;
    }
    const int low = from < to ? from : to, high = from < to ? to : from;
    std::array<int, 31> from_of{};
    for (int i = low; i <= high; i++)
        from_of[i] = i == to ? from : from < to ? i + 1 : i - 1;
    return rearrange(s, from_of, to, action::move, "Not moved",
                     formatted("Moved level %d to %d.", from, to),
                     formatted("levels %d to %d are alike.", low, high));
}

static bool move_to_key(edit_state &s, int code)
{
    const int n = typed_number(s, code);
    if (n >= 0)
        return move_level(s, s.overview.selected, n);
    if (n == -2)
        s.mode = edit_mode::overview;
    else
        s.status = formatted("Move level %d to: ", s.overview.selected) + s.question.typed;
    return false;
}

// Levels a and b trade cells and random colors, as one undo step; the selection goes with a.
static bool exchange(edit_state &s, int a, int b)
{
    if (b < 1 || b > last_level())
        return false;
    std::array<int, 31> from_of{};
    from_of[a] = b;
    from_of[b] = a;
    return rearrange(s, from_of, b, action::exchange, "Not exchanged",
                     formatted("Exchanged levels %d and %d.", a, b),
                     formatted("levels %d and %d are alike.", a, b));
}

// Arrows go by boards across and rows of boards down, as the overview lays them out now.
static void move_selection(edit_state &s, int code)
{
    const overview_layout o = layout_now(s);
    int to = s.overview.selected;
    switch (code) {
    case key_left:
        to--;
        break;
    case key_right:
        to++;
        break;
    case key_up:
    case key_wheel_up:
        to -= o.columns;
        break;
    case key_down:
    case key_wheel_down:
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
    s.overview.selected = to < 1 ? 1 : to > last_level() ? last_level() : to;
    show_selected(s);
}

static void leave(edit_state &s, int level)
{
    s.mode = edit_mode::board;
    s.level = level;
}

// A click on a small board chooses it; a second one on it within double_click_ms opens it.
static void click(edit_state &s, const key &k)
{
    const overview_layout o = layout_now(s);
    if (k.x < o.x || k.y < o.y || o.board_w <= 0 || o.board_h <= 0)
        return;
    const int column = (k.x - o.x) / o.board_w, row = (k.y - o.y) / o.board_h;
    const int level = (row + s.overview.top_row) * o.columns + column + 1;
    if (column >= o.columns || row >= o.rows || level > last_level())
        return; // beside or below the boards shown
    s.overview.selected = level;
    if (k.code == key_mouse_double ||
        (level == s.overview.click_level && k.ms - s.overview.click_ms <= double_click_ms)) {
        s.overview.opened_ms = k.ms;
        return leave(s, level);
    }
    s.overview.click_level = level;
    s.overview.click_ms = k.ms;
}

bool overview_key(edit_state &s, const key &k)
{
    if (s.mode == edit_mode::move_to)
        return move_to_key(s, k.code);
    switch (k.code) {
    case key_enter:
    case key_tab:
        leave(s, s.overview.selected);
        return false;
    case key_escape: // unmarks first, then leaves as it came
        if (s.overview.marked)
            s.overview.marked = 0;
        else
            leave(s, s.overview.level_before);
        return false;
    case '<':
    case '>':
        return exchange(s, s.overview.selected, s.overview.selected + (k.code == '<' ? -1 : 1));
    case 'x':
        if (s.overview.marked == 0 || s.overview.marked == s.overview.selected) {
            s.overview.marked = s.overview.marked ? 0 : s.overview.selected;
            return false;
        }
        return exchange(s, s.overview.marked, s.overview.selected);
    case 'm':
        s.mode = edit_mode::move_to;
        s.question.typed.clear();
        s.status = formatted("Move level %d to: ", s.overview.selected);
        return false;
    case key_mouse_left:
    case key_mouse_double:
        click(s, k);
        return false;
    case key_paste: // onto the chosen level, as on the board
        s.level = s.overview.selected;
        return paste_text(s, k.text);
    default:
        move_selection(s, k.code);
        return false;
    }
}
