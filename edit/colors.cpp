// edit/colors.cpp - color mode: the random colors of the level shown, edited in place. 1 to 8
// add a color at the end of the list or remove it where it stands, each one undo step that u
// takes back; the room of the level's record bounds the list.
#include "edit/state.h"

// The room is the record's slot in the image: a longer list would overwrite what follows.
static std::string room_text(int level)
{
    int room = record_room[level];
    if (room == 0)
        return formatted("Not added: level %d's record has no room for random colors.", level);
    return formatted("Not added: level %d's record has room for %d random color%s only.", level,
                     room, plural(room));
}

// Adds color at the end of the list, or removes it where it stands. The last one removed
// empties the random cells in the same step, so that one undo brings both back.
static bool toggle_color(edit_state &s, int color)
{
    tb_level_entry &e = tb_level[s.level];
    const tb_level_entry before = e;
    int at = 0;
    while (at < e.nb_colors && e.colors[at] != color)
        at++;
    const bool add = at == e.nb_colors;
    if (add && e.nb_colors == 8) { // no record holds more: its room is less or as much
        s.status = room_text(s.level);
        return false;
    }
    if (add)
        e.colors[e.nb_colors++] = static_cast<std::uint8_t>(color);
    for (int j = at; !add && j < 7; j++) // the others keep their order, unused entries stay 0
        e.colors[j] = e.colors[j + 1];
    if (!add) {
        e.colors[7] = 0;
        e.nb_colors--;
    }
    int emptied = 0;
    const room_state room = keep_level_rules(e, s.level, emptied);
    if (room == room_state::over) {
        e = before;
        s.status = room_text(s.level);
        return false;
    }
    s.status = formatted("%s %s %s level %d's random colors", add ? "Added" : "Removed",
                         bc_string[color], add ? "to" : "from", s.level) +
               (emptied ? formatted(": its %d random cell%s %s empty now.", emptied,
                                    plural(emptied), emptied == 1 ? "is" : "are")
                        : ".");
    if (room == room_state::shrinks) // saved shorter, the list can never grow back
        s.status = room_note(s.level);
    return commit(s, before, action::edit);
}

// The keys color mode takes, in one place: on the key line, and to a key it does not take.
const char *const color_mode_keys =
    "Color mode: 1-8 add or remove a color  u undo  Enter or Esc done";
static const char *const color_mode_refusal = "Color mode takes only 1-8, u, Enter and Esc.";

// u takes back the colors of this level, one a step, and nothing else: what was done before
// color mode waits for u on the board.
static bool undo_color(edit_state &s)
{
    action what;
    int level = 0, cells = 0;
    if (last_step(s, what, level, cells) && what == action::edit && level == s.level)
        return undo_step(s, true);
    s.status = "Nothing to undo in color mode: the last change was not to the colors.";
    return false;
}

bool color_key(edit_state &s, const key &k)
{
    if (k.code >= '1' && k.code <= '8')
        return toggle_color(s, k.code - '0');
    if (k.code == 'u')
        return undo_color(s);
    if (k.code == key_enter || k.code == key_escape || k.code == 'c')
        s.mode = edit_mode::board;
    else if (k.code == key_paste) // over the level whose colors are being edited, unseen
        s.status = "Not pasted: leave color mode first (Enter or Esc).";
    else if (k.code != key_mouse_drag) // the key line tells what it takes
        s.status = color_mode_refusal;
    return false;
}
