// edit/colors.cpp - color mode: the random colors of the level shown, edited in place. 1 to 8
// add a color at the end of the list or remove it where it stands, each one undo step that u
// takes back; the room of the level's record bounds the list.
#include "edit/state.h"

// The room is the record's slot in the image: a longer list would overwrite what follows.
static std::string room_text(int level)
{
    int room = record_room[level];
    if (room == 0)
        return formatted("Level %d's record has no room for random colors.", level);
    return formatted("Level %d's record has room for %d random color%s only.", level, room,
                     plural(room));
}

// What a change of the list does to the cells: the random ones draw from the colors left.
static std::string colors_text(const tb_level_entry &e, const char *did, int color)
{
    const int n = count_code(e, code_random);
    return formatted("%s %s: level %d's %d random cell%s draw%s from %d color%s.", did,
                     bc_string[color], e.level, n, plural(n), n == 1 ? "s" : "", e.nb_colors,
                     plural(e.nb_colors));
}

// Adds color at the end of the list, or removes it where it stands. The last one removed
// empties the random cells in the same step, so that one undo brings both back.
static int toggle_color(edit_state &s, int color)
{
    tb_level_entry &e = tb_level[s.level];
    tb_level_entry before = e;
    int at = 0;
    while (at < e.nb_colors && e.colors[at] != color)
        at++;
    if (at == e.nb_colors) {
        if (e.nb_colors >= record_room[s.level]) { // never above 8
            s.status = room_text(s.level);
            return 0;
        }
        e.colors[e.nb_colors++] = static_cast<std::uint8_t>(color);
        s.status = colors_text(e, "Added", color);
        return commit(s, before, action::edit);
    }
    for (int j = at; j < 7; j++) // the others keep their order, unused entries stay 0
        e.colors[j] = e.colors[j + 1];
    e.colors[7] = 0;
    e.nb_colors--;
    int emptied = e.nb_colors == 0 ? replace_code(e, code_random, code_empty) : 0;
    s.status = colors_text(e, "Removed", color);
    if (!record_end_known[s.level]) // saved shorter, the list can never grow back
        s.status = formatted("Level %d's record has no known end: saved with fewer colors, its "
                             "room shrinks for good.",
                             s.level);
    else if (emptied)
        s.status = formatted("Level %d has no random colors now: its %d random cell%s %s empty.",
                             s.level, emptied, plural(emptied), emptied == 1 ? "is" : "are");
    return commit(s, before, action::edit);
}

static const char *const color_hint =
    "Color mode: 1-8 add or remove a color, u undo, Enter or Esc: done.";

// u takes back the colors of this level, one a step, and nothing else: what was done before
// color mode waits for u on the board.
static int undo_color(edit_state &s)
{
    action what;
    int level = 0, cells = 0;
    if (last_step(s, what, level, cells) && what == action::edit && level == s.level)
        return undo_step(s, true);
    s.status = "Nothing to undo in color mode: the last change was not to the colors.";
    return 0;
}

int color_key(edit_state &s, const key &k)
{
    if (k.code >= '1' && k.code <= '8')
        return toggle_color(s, k.code - '0');
    if (k.code == 'u')
        return undo_color(s);
    if (k.code == key_enter || k.code == key_escape || k.code == 'c')
        s.mode = edit_mode::board;
    else
        s.status = color_hint; // a key it does not take says what it takes
    return 0;
}
