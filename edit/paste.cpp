// edit/paste.cpp - pasting on the board: what y copied (a level, or a box of cells), stamped or
// laid whole, and a level pasted as text. Each paste is one undo step, through commit().
#include "edit/state.h"

#include "text/text.h"

// "level 12's random colors are now black, red, white"
static std::string colors_now(const tb_level_entry &e)
{
    if (e.nb_colors == 0)
        return formatted("level %d has no random colors now", e.level);
    std::string names = bc_string[e.colors[0]];
    for (int j = 1; j < e.nb_colors; j++)
        names += std::string(", ") + bc_string[e.colors[j]];
    return formatted("level %d's random colors are now ", e.level) + names;
}

// A stamp lays only the copy's cells that are not empty, and takes its random colors when it
// has any (its random cells draw from them), else keeps the level's. did: a paste's status.
static bool paste_level(edit_state &s, const tb_level_entry &from, const char *what,
                        const std::string &did, bool stamp = false)
{
    tb_level_entry e = tb_level[s.level];
    const tb_level_entry before = e;
    copy_level(e, from, stamp);
    int emptied = 0;
    const room_state room = keep_level_rules(e, s.level, emptied);
    if (room == room_state::over) { // the save would refuse it later
        s.status = formatted("Not %s: the %s has %d random color%s, level %d's record has room "
                             "for %d.",
                             stamp ? "stamped" : "pasted", what, from.nb_colors,
                             plural(from.nb_colors), s.level, record_room[s.level]);
        return false;
    }
    tb_level[s.level] = e;
    const bool colors = e.nb_colors != before.nb_colors || e.colors != before.colors;
    const int n = cells_changed(before, e);
    const bool changed = commit(s, before, stamp ? action::stamp : action::paste);
    if (!changed)
        s.status = formatted("Nothing changed: level %d holds the %s already.", s.level, what);
    else if (colors && room == room_state::shrinks)
        s.status = room_note(s.level);
    else if (stamp)
        s.status = formatted("Stamped %d cell%s", n, plural(n)) +
                   (colors ? "; " + colors_now(e) : "") + ".";
    else
        s.status = did;
    return changed;
}

// The status counts the cells whose code changed, as the undo step does.
static bool paste_box_copy(edit_state &s, bool stamp)
{
    tb_level_entry e = tb_level[s.level];
    int randoms = 0, landed = paste_box(e, s.box_copy, s.cursor, randoms, stamp);
    if (randoms > 0 && drawn_code(code_random, e.nb_colors) != code_random) {
        s.status = formatted("Not %s: the copy holds random cells and level %d has no random "
                             "colors.",
                             stamp ? "stamped" : "pasted", s.level);
        return false;
    }
    int all = 0;
    for (const box_cell &c : s.box_copy)
        all += !stamp || c.code != code_empty;
    const tb_level_entry before = tb_level[s.level];
    tb_level[s.level] = e;
    const int n = cells_changed(before, e);
    std::string did =
        formatted("%s the box: %d cell%s changed", stamp ? "Stamped" : "Pasted", n, plural(n));
    if (landed < all)
        did += formatted(", %d fell off the board", all - landed);
    return finish_step(s, before, stamp ? action::stamp : action::paste, did + ".",
                       "the cells there are the copy's already.");
}

// p, or P for a stamp: the copy's empty cells leave the cells under them as they are.
bool paste_copy(edit_state &s, bool stamp)
{
    if (s.copy_kind == copied::nothing) {
        s.status = "Nothing copied yet: y copies a level, or a box of cells (v).";
        return false;
    }
    if (s.copy_kind == copied::box)
        return paste_box_copy(s, stamp);
    return paste_level(s, s.copy, "copy",
                       formatted("Pasted level %d over level %d.", s.copy.level, s.level), stamp);
}

bool paste_text(edit_state &s, const std::string &text)
{
    const pasted_level pasted = read_pasted_level(text, s.level);
    const int rows = pasted.rows;
    s.status = rows == 0 ? paste_ignored(text) : "";
    if (!s.status.empty()) // nothing of a level in it: most likely keys, typed or pasted
        return false;
    if (rows < nb_rows) {
        s.status = formatted("Not pasted: the text holds %d of a level's %d rows.", rows, nb_rows);
        return false;
    }
    if (pasted.nb_warnings > 0) { // the checker's words may be long: no formatted() buffer
        const int more = pasted.nb_warnings - 1;
        s.status = formatted("Not pasted: line %d, column %d: ", pasted.line, pasted.column) +
                   pasted.warning + (more ? formatted(" (and %d more)", more) : "") + ".";
        return false;
    }
    const int levels = (rows + nb_rows - 1) / nb_rows;
    return paste_level(s, pasted.level, "text",
                       levels > 1 ? formatted("Pasted the first of %d levels in the text over "
                                              "level %d.",
                                              levels, s.level)
                                  : formatted("Pasted a level from text over level %d.", s.level));
}
