// store/table.cpp - the level table, the names of the color codes and the rules every level keeps.
#include "store/store.h"

#include <cstring>

std::array<tb_level_entry, 31> tb_level{};
std::array<std::uint8_t, 31> record_room{};
std::array<bool, 31> record_end_known{};

const char *const bc_string[10] = {"random", "blue",   "red",   "yellow", "green",
                                   "purple", "orange", "black", "white",  "empty"};
const char *const bc_short_string[10] = {"[??]", "[bl]", "[rd]", "[ye]", "[gn]",
                                         "[pu]", "[or]", "[bk]", "[wh]", "...."};
const char *const s_level = "Level ";
const char *const s_start = "Start address ";
const char *const s_color = "Random colors ";

// strncmp stops at the end of text, so a short text never matches and is never overrun.
static int match_name(const char *text, const char *const names[10])
{
    for (int code = 0; code <= 9; code++)
        if (std::strncmp(text, names[code], std::strlen(names[code])) == 0)
            return code;
    return code_no_slot;
}

int match_bc_string(const char *text) { return match_name(text, bc_string); }

int match_bc_short_string(const char *text) { return match_name(text, bc_short_string); }

room_state keep_level_rules(tb_level_entry &e, int i, int &emptied)
{
    emptied = 0;
    for (std::uint8_t &code : e.cells)
        if (code != drawn_code(code, e.nb_colors)) {
            code = code_empty;
            emptied++;
        }
    if (e.nb_colors > record_room[i])
        return room_state::over;
    return e.nb_colors < record_room[i] && !record_end_known[i] ? room_state::shrinks
                                                                : room_state::fits;
}

void copy_level(tb_level_entry &to, const tb_level_entry &from, bool stamp)
{
    for (int k = 0; k < nb_cells; k++)
        if (!stamp || (!is_no_slot(k) && from.cells[k] != code_empty))
            to.cells[k] = from.cells[k];
    if (!stamp || from.nb_colors > 0) {
        to.nb_colors = from.nb_colors;
        to.colors = from.colors;
    }
}
