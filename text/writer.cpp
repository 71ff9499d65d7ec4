// text/writer.cpp - the level table as text, laid out for people to edit. One level reads:
//   Level  7       (Start address : 0x0001e934)
//   Random colors : blue, red.          (only when the level has random colors)
//                                       (an empty line, then 11 rows, short ones indented)
//   |[bl][bl][rd][rd][ye][ye][gn][gn]|
//   |..[bl][rd][??][ye][gn][pu][wh]..|
#include "text/text.h"

#include <array>
#include <cstdio>
#include <string>

#include "cli/logerror.h"
#include "store/os_file.h"

const char *levels_file_name(int picture)
{
    static std::array<std::array<char, 32>, 2> names{};
    std::array<char, 32> &name = names[picture ? 1 : 0];
    if (!name[0])
        std::snprintf(name.data(), name.size(), picture ? "%s.svg" : "%s.lvl", "vellumix");
    return name.data();
}

int display_levels(std::FILE *stream)
{
    std::fprintf(stream, "# Kestrune level editor - version %s\n", editor_version);
    std::fprintf(stream, "# %s, %s\n", credit_text, build_date);
    std::fprintf(stream, "\n\n");
    for (int i = 1; i <= last_level(); i++)
        display_one_level(stream, i);
    return !std::ferror(stream);
}

void display_one_level(std::FILE *stream, int i) { std::fputs(level_as_text(i).c_str(), stream); }

std::string level_as_text(int i)
{
    const tb_level_entry &e = tb_level[i];
    std::array<char, 64> head;
    std::snprintf(head.data(), head.size(), "%s%2d       (%s: 0x%08x)\n", s_level, e.level, s_start,
                  static_cast<unsigned>(e.start));
    std::string text = head.data();
    if (e.nb_colors != 0) {
        text += std::string(s_color) + ": " + bc_string[e.colors[0]];
        for (int j = 1; j < e.nb_colors; j++)
            text += std::string(", ") + bc_string[e.colors[j]];
        text += ".\n";
    }
    text += "\n";
    for (int row = 1; row <= nb_rows; row++) {
        const bool is_long = is_long_row(row);
        text += is_long ? "|" : "|..";
        for (int slot = 0; slot < 8; slot++) { // a no-slot code, there or elsewhere, writes nothing
            int code = e.cells[cell_index(row, slot)];
            if (code != code_no_slot)
                text += bc_short_string[code];
        }
        text += is_long ? "|\n" : "..|\n";
    }
    return text + "\n\n";
}

std::string levels_named(const std::vector<int> &levels)
{
    const std::size_t n = levels.size();
    if (n > 5)
        return std::to_string(n) + " levels";
    std::string text = n == 1 ? "level " : "levels ";
    for (std::size_t i = 0; i < n; i++)
        text += (i == 0 ? "" : i + 1 == n ? " and " : ", ") + std::to_string(levels[i]);
    return text;
}

int save_levels_file(const char *path, int picture, int backup)
{
    logerror(picture ? "Creating levels picture ... " : "Creating levels text file ... ");
    const char *kind = picture ? "Levels picture" : "Levels text";
    temp_file t;
    if (!create_temp_beside(path, 1, t)) {
        report_error(true, "%s file '%s' could not be created", kind, path);
        return 0;
    }
    if (picture)
        display_levels_svg(t.f);
    else
        display_levels(t.f);
    if (!finish_temp(t)) { // a stream error so far counts too
        report_error(true, "%s file '%s' could not be written", kind, path);
        return 0;
    }
    const std::string bak = std::string(path) + ".bak";
    replaced r = replace_keeping(t, backup ? bak.c_str() : nullptr, nullptr);
    if (r == replaced::backup_failed)
        report_error(true, "Backup file '%s' could not be written", bak.c_str());
    else if (r != replaced::done)
        report_error(true, "%s file '%s' could not be created", kind, path);
    if (r != replaced::done)
        return 0;
    logerror("'%s' generated.\n", path);
    return 1;
}
