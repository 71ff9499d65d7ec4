// edit/history.cpp - the undo history and what the file holds: every key that changes a level
// hands the change to commit(), which keeps one undo step per key. The handlers call these, and
// these call none of them.
#include "edit/state.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

std::string room_note(int i)
{
    return formatted("Level %d's record has no known end: saved with fewer colors, its room "
                     "shrinks for good.",
                     i);
}

// Undo and redo can bring the levels back to what the file holds: then nothing is unsaved.
bool level_unsaved(const edit_state &s, int i)
{
    return !same_level(s.saved_levels[i], tb_level[i]);
}

bool unsaved(const edit_state &s)
{
    for (int i = 1; i <= last_level(); i++)
        if (level_unsaved(s, i))
            return true;
    return false;
}

// ---- undo: a log of steps, each a head entry and the entries of what it changed

static std::uint8_t byte(int value) { return static_cast<std::uint8_t>(value); }

// The head entry of the step that ends before end (> 0).
static std::size_t head_before(const edit_state &s, std::size_t end)
{
    std::size_t head = end - 1;
    while (s.log[head].kind != undo_head)
        head--;
    return head;
}

// Appends what changed in level i from before to after.
static void log_level(edit_state &s, int i, const tb_level_entry &before,
                      const tb_level_entry &after)
{
    if (before.nb_colors != after.nb_colors || before.colors != after.colors) {
        s.log.push_back({undo_colors, byte(i), before.nb_colors, after.nb_colors});
        std::array<std::uint8_t, 9> lists{}; // both lists, a color a half byte
        for (int j = 0; j < 8; j++) {
            lists[j / 2] |= byte(before.colors[j] << (j % 2 * 4));
            lists[4 + j / 2] |= byte(after.colors[j] << (j % 2 * 4));
        }
        for (int j = 0; j < 9; j += 3)
            s.log.push_back({undo_payload, lists[j], lists[j + 1], lists[j + 2]});
    }
    for (int k = 0; k < nb_cells; k++)
        if (before.cells[k] != after.cells[k])
            s.log.push_back(
                {undo_cell, byte(i), byte(k), byte(before.cells[k] << 4 | after.cells[k])});
}

// Records what changed since before (the table, or the shown level alone) as one undo step, on
// the level and at the cursor now: true = something did. extend adds it to the last step: a drag.
static bool commit_table(edit_state &s, const std::array<tb_level_entry, 31> *before_all,
                         const tb_level_entry *before_one, action what, bool extend)
{
    auto before = [&](int i) -> const tb_level_entry & {
        return before_all ? (*before_all)[i] : i == s.level ? *before_one : tb_level[i];
    };
    bool differs = false;
    for (int i = 1; i <= last_level(); i++)
        differs = differs || !same_level(before(i), tb_level[i]);
    if (!differs) // a key that changed nothing keeps the steps undone, for redo
        return false;
    s.log.resize(s.done); // the steps undone are gone for good
    extend = extend && !s.log.empty();
    if (extend) // a drag that began as a click's paint
        s.log[head_before(s, s.log.size())].c = static_cast<std::uint8_t>(what);
    else
        s.log.push_back(
            {undo_head, byte(s.level), byte(s.cursor), static_cast<std::uint8_t>(what)});
    for (int i = 1; i <= last_level(); i++)
        log_level(s, i, before(i), tb_level[i]);
    s.done = s.log.size();
    return true;
}

bool commit(edit_state &s, const tb_level_entry &before, action what, bool extend)
{
    return commit_table(s, nullptr, &before, what, extend);
}

bool commit_levels(edit_state &s, const std::array<tb_level_entry, 31> &before, action what)
{
    return commit_table(s, &before, nullptr, what, false);
}

bool finish_step(edit_state &s, const tb_level_entry &before, action what, const std::string &did,
                 const std::string &nothing)
{
    const bool changed = commit(s, before, what);
    s.status = changed ? did : "Nothing changed: " + nothing;
    return changed;
}

// The color list that entry e (undo_colors) records, as it was before the step (back) or after.
static void colors_of(const edit_state &s, std::size_t e, bool back, tb_level_entry &level)
{
    const undo_entry &u = s.log[e];
    level.nb_colors = back ? u.b : u.c;
    for (int j = 0; j < 8; j++) {
        int at = (back ? 0 : 4) + j / 2; // in the nine bytes of the three entries after e
        const undo_entry &p = s.log[e + 1 + static_cast<std::size_t>(at / 3)];
        std::uint8_t both = at % 3 == 0 ? p.a : at % 3 == 1 ? p.b : p.c;
        level.colors[j] = byte(both >> (j % 2 * 4) & 0x0F);
    }
}

// Sets what entry e of a step records, as it was before the step (back) or after it.
static void apply_entry(const edit_state &s, std::size_t e, bool back)
{
    const undo_entry &u = s.log[e];
    if (u.kind == undo_cell)
        tb_level[u.a].cells[u.b] = byte(back ? u.c >> 4 : u.c & 0x0F);
    else
        colors_of(s, e, back, tb_level[u.a]);
}

// An edit of the random colors adds or removes one: "red removed from level 9's random colors".
static std::string color_edit_text(const edit_state &s, std::size_t e)
{
    tb_level_entry before{}, after{};
    colors_of(s, e, true, before);
    colors_of(s, e, false, after);
    const bool added = after.nb_colors > before.nb_colors;
    const tb_level_entry &longer = added ? after : before, &shorter = added ? before : after;
    int j = 0; // the lists differ first where one was added or removed: unused entries are 0
    while (j < 7 && longer.colors[j] == shorter.colors[j])
        j++;
    return formatted("%s %s level %d's random colors", bc_string[longer.colors[j]],
                     added ? "added to" : "removed from", s.log[e].a);
}

static const char *const action_name[] = {
    "paint", "drag",  "fill",      "replace",  "shift", "mirror",   "clear", "edit",
    "paste", "stamp", "box paint", "emptying", "cut",   "exchange", "move",  "restore"};

// The step from head to end in words, one pattern for all: "fill of 12 cells on level 3",
// "edit of the random colors on level 30", "exchange of levels 4 and 5".
static std::string step_text(const edit_state &s, std::size_t head, std::size_t end)
{
    std::array<bool, 31> touched{};
    int cells = 0, colors = 0, levels = 0, first = 0, last = 0;
    std::size_t colors_at = 0;
    for (std::size_t e = head + 1; e < end; e++) {
        const undo_entry &u = s.log[e];
        if (u.kind != undo_cell && u.kind != undo_colors)
            continue;
        cells += u.kind == undo_cell;
        colors += u.kind == undo_colors;
        colors_at = u.kind == undo_colors ? e : colors_at;
        if (!touched[u.a]) {
            touched[u.a] = true;
            levels++;
            first = first == 0 || u.a < first ? u.a : first;
            last = u.a > last ? u.a : last;
        }
    }
    const action what = static_cast<action>(s.log[head].c);
    std::string text = action_name[static_cast<int>(what)];
    if (what >= action::exchange || levels > 1)
        return text + (levels == 1                  ? formatted(" of level %d", first)
                       : levels == 2                ? formatted(" of levels %d and %d", first, last)
                       : last - first + 1 == levels ? formatted(" of levels %d to %d", first, last)
                                                    : formatted(" of %d levels", levels));
    if (what == action::edit && colors) // the color named, and the random cells it emptied
        return color_edit_text(s, colors_at) +
               (cells ? formatted(" and %d cell%s emptied", cells, plural(cells)) : "");
    text += cells ? formatted(" of %d cell%s", cells, plural(cells)) : "";
    text += colors ? (cells ? " and the random colors" : " of the random colors") : "";
    return text + formatted(" on level %d", first);
}

bool last_step(const edit_state &s, action &what, int &level, int &cells)
{
    if (s.done == 0)
        return false;
    const std::size_t head = head_before(s, s.done);
    what = static_cast<action>(s.log[head].c);
    level = s.log[head].a;
    cells = 0;
    for (std::size_t e = head + 1; e < s.done; e++)
        cells += s.log[e].kind == undo_cell;
    return true;
}

int typed_number(edit_state &s, int code)
{
    if (code >= '0' && code <= '9' && s.question.typed.size() < 3) {
        s.question.typed += static_cast<char>(code);
    } else if (code == key_backspace && !s.question.typed.empty()) {
        s.question.typed.pop_back();
    } else if (code == key_escape || (code == key_enter && s.question.typed.empty())) {
        return -2;
    } else if (code == key_enter) {
        int n = std::atoi(s.question.typed.c_str());
        s.question.typed.clear();
        return n;
    }
    return -1;
}

// Counted in characters, a UTF-8 character's later bytes not counted; a line that begins, after
// blanks and quote marks, with a row or a level line is a level's.
std::string paste_ignored(const std::string &text)
{
    int chars = 0;
    for (std::size_t i = 0; i < text.size(); i++) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        chars += c < 0x80 || c >= 0xC0;
        if (i > 0 && text[i - 1] != '\n' && text[i - 1] != '\r')
            continue;
        const std::size_t at = text.find_first_not_of(" \t>", i);
        if (at != std::string::npos &&
            (text[at] == '|' || text.compare(at, std::strlen(s_level), s_level) == 0))
            return "";
    }
    return formatted("Ignored %d character%s that came together, as a paste: type keys one at a "
                     "time.",
                     chars, plural(chars));
}

// Undo and redo go to the level of the step and put the cursor where it was then; the overview
// stays the overview, with that level chosen.
bool undo_step(edit_state &s, bool back)
{
    if (back ? s.done == 0 : s.done == s.log.size()) {
        s.status = back ? "Nothing to undo." : "Nothing to redo.";
        return false;
    }
    std::size_t head = s.done, end = s.done + 1;
    if (back) {
        head = head_before(s, s.done);
        end = s.done;
    } else {
        while (end < s.log.size() && s.log[end].kind != undo_head)
            end++;
    }
    // backwards when undoing: a drag may paint one cell twice in a step
    for (std::size_t n = head + 1; n < end; n++) {
        std::size_t e = back ? end - (n - head) : n;
        if (s.log[e].kind == undo_cell || s.log[e].kind == undo_colors)
            apply_entry(s, e, back);
    }
    s.done = back ? head : end;
    s.level = s.overview.selected = s.log[head].a;
    s.cursor = s.log[head].b;
    s.status = (back ? "Undone: " : "Redone: ") + step_text(s, head, end) + ".";
    return true;
}
