// cli/vellumix.cpp - the command line: options, help, and the action sequences that move the
// levels between the program image, the level text file and the console.
#include <array>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "cli/logerror.h"
#include "edit/console.h"
#include "store/os_file.h"
#include "store/store.h"
#include "text/text.h"

namespace
{

// What the command line asks for; the values are the action codes, 0 for none.
enum action_code : std::uint8_t {
    action_help,
    action_loadprg,
    action_saveprg,
    action_loadlvl,
    action_savelvl,
    action_infos,
    action_savesvg,
    action_checklvl,
    action_edit,
};

struct option {
    const char *name;
    std::uint8_t *target;
    std::uint8_t value;
};

} // namespace

static std::uint8_t action = action_help;

// Compared in this order, so a later action word overrides an earlier one.
static const std::array<option, 9> options = {{{"-loadprg", &action, action_loadprg},
                                               {"-saveprg", &action, action_saveprg},
                                               {"-loadlvl", &action, action_loadlvl},
                                               {"-savelvl", &action, action_savelvl},
                                               {"-infos", &action, action_infos},
                                               {"-quiet", &quiet_mode, 1},
                                               {"-savesvg", &action, action_savesvg},
                                               {"-checklvl", &action, action_checklvl},
                                               {"-edit", &action, action_edit}}};

static int same_word(const char *a, const char *b) // whole words, ASCII case ignored
{
    for (; *a && *b; a++, b++)
        if (std::tolower(static_cast<unsigned char>(*a)) !=
            std::tolower(static_cast<unsigned char>(*b)))
            return 0;
    return *a == *b;
}

static void show_help()
{
    logerror("Kestrune level editor - version %s\n%s, %s\n\n", editor_version, credit_text,
             build_date);
    logerror("Syntax : %s <action>\n", "Vellumix");
    logerror("  <action>   = '-loadprg' (displays levels from PRG file)\n");
    logerror("               '-loadlvl' (displays levels from text file)\n");
    logerror("               '-saveprg' (saves levels from text file to PRG file)\n");
    logerror("               '-savelvl' (saves levels from PRG file to text file)\n");
    logerror("               '-checklvl' (tells where the text file is not read as written)\n");
    logerror("               '-savesvg' (draws levels to the picture file vellumix.svg)\n");
    logerror("               '-edit' (edits levels of PRG file in the console)\n");
    logerror("\n");
}

// 1 = all that was written reached standard output; a full disk or a closed pipe is an error.
static int flush_stdout(int written)
{
    int ok = std::fflush(stdout) == 0 && !std::ferror(stdout) && written;
    if (!ok)
        report_error(true, "Levels could not be written to standard output");
    return ok;
}

// The picture of the text file's levels, where it has some: a level drawn unlike the program
// file is named, so that nobody takes the picture for the game's. 1 = drawn.
static int drawn_from_text(const char *lvl_name)
{
    const std::array<tb_level_entry, 31> decoded = tb_level;
    if (!text_to_tb_level_if_any(lvl_name) || !save_levels_file(levels_file_name(1), 1, 0))
        return 0;
    std::vector<int> differ;
    for (int i = 1; i <= last_level(); i++)
        if (!same_level(decoded[i], tb_level[i]))
            differ.push_back(i);
    if (differ.empty())
        return 1;
    std::string named = levels_named(differ);
    named[0] = static_cast<char>(std::toupper(named[0]));
    logerror("%s %s drawn from %s, not %s.\n", named.c_str(), differ.size() == 1 ? "is" : "are",
             lvl_name, prg_name);
    return 1;
}

// 1 = the action ran to its end; 0 = it reported an error.
static int run_action(std::uint8_t code)
{
    const char *lvl_name = levels_file_name(0);
    int text_ok, nb_warnings = 0;
    std::string term;
    switch (code) {
    case action_loadprg:
        return data_to_tb_level() && flush_stdout(display_levels(stdout));
    case action_saveprg: // on purpose, a missing text file still lets the image be saved
        if (!data_to_tb_level())
            return 0;
        text_ok = text_to_tb_level(lvl_name);
        return tb_level_to_data() && save_prg() && text_ok;
    case action_loadlvl:
        return data_to_tb_level() && text_to_tb_level(lvl_name) &&
               flush_stdout(display_levels(stdout));
    case action_savelvl: // the text may hold a day's edits: the one replaced is kept
        return data_to_tb_level() && save_levels_file(lvl_name, 0, 1);
    case action_infos: // the load report and the decoding are all it shows
        return data_to_tb_level();
    case action_savesvg: // the text file's levels when there is one, else the image's
        return data_to_tb_level() && drawn_from_text(lvl_name);
    case action_checklvl: // a warning fails the run, as an error does, with no message of its own
        return data_to_tb_level() && check_levels_text(lvl_name, stdout, nb_warnings) &&
               flush_stdout(1) && nb_warnings == 0;
    case action_edit: // on the image's levels; the text file is neither read nor written
        if (!data_to_tb_level())
            return 0;
        if (!console_is_terminal()) {
            report_error(true, "-edit needs a console: standard input and output must be a "
                               "terminal");
            return 0;
        }
        if (!console_can_draw(term)) {
            report_error(true, "-edit needs a terminal that can draw a screen (TERM is '%s')",
                         term.c_str());
            return 0;
        }
        return edit_levels();
    default:
        return 1;
    }
}

// The help, or the image loaded and the action run on it: 1 = no error was reported.
static int load_and_run(std::uint8_t code)
{
    if (code == action_help) {
        show_help();
        return 1;
    }
    logerror("Reading PRG file ... ");
    return load_prg() && run_action(code);
}

int main(int argc, char **argv)
{
    for (int i = 1; i < argc; i++) // Windows users write options as /savelvl
        if (argv[i][0] == '/')
            argv[i][0] = '-';
    for (int i = 1; i < argc; i++)
        for (const option &o : options)
            if (same_word(argv[i], o.name))
                *o.target = o.value;
    // started from Explorer: a help would vanish with its window, the editor is what is wanted
    const bool own_window = console_own_window();
    if (own_window && action == action_help)
        action = action_edit;

    if (action != action_edit) // the editor finishes a save before it ends
        remove_temps_on_interrupt();
    int ok = 0;
    file_data = new (std::nothrow) std::uint8_t[prg_size];
    if (file_data)
        ok = load_and_run(action);
    else
        logerror("ERROR ! Not enough memory to load the file(s) !\n");
    delete[] file_data;
    if (own_window &&
        !(ok && action == action_edit)) // what it printed stays until it has been read
        console_wait_key("Press a key to close this window.");
    // 1 whenever an error was reported, even when -quiet kept it off the screen
    return ok ? 0 : 1;
}
