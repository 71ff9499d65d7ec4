// tests/unit/editor_support.h - the editor on the sample's levels, driven by keys by name, with
// hooks in place of the files; shared by the editor's unit tests.
#ifndef TESTS_UNIT_EDITOR_SUPPORT_H
#define TESTS_UNIT_EDITOR_SUPPORT_H

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <stdlib.h>

#include "edit/state.h"
#include "tests/key_names.h"
#include "text/text.h"
#include "tools/sample_image.h"

// Keys by name, parted by blanks; Paste is a paste of "n|Ā", PasteRow one of a row, and Small
// a window too small for the editor.
// Each key says whether it changed the levels, and only then.
inline void press(edit_state &s, const std::string &keys)
{
    std::istringstream words(keys);
    for (std::string w; words >> w;) {
        key k{code_named(w)};
        if (w == "Paste" || w == "PasteRow")
            k = {key_paste, 0, 0, w == "Paste" ? "n|\xc4\x80" : " \t> |[gn]"};
        else if (w == "Small")
            k = {key_resize, min_width - 1, 30};
        EXPECT_NE(key_none, k.code) << w << " names no key";
        const std::array<tb_level_entry, 31> before = tb_level;
        const int changed = apply_key(s, k);
        bool differ = false;
        for (int i = 1; i <= 30; i++)
            differ = differ || !same_level(before[i], tb_level[i]);
        EXPECT_EQ(changed, differ) << w;
    }
}

// KR_PROG.PRG to the editor: 0 as it was read, 1 changed, 2 gone; + 4: vellumix.lvl holds
// text_file's levels (the levels as first read), + 8: and cannot be written, which updated tells
inline int disk = 0;
inline std::array<tb_level_entry, 31> text_file;
inline std::string updated;

inline edit_state start_on_sample(int level, int cursor = 0, const std::string &keys = "")
{
    static std::vector<std::uint8_t> image;
    image = make_sample_image();
    decode_as_loaded(image);
    edit_state s;
    s.hooks.save = [](std::string &message) { return message = "Saved.", true; }; // it works
    s.hooks.disk_state = [] { return static_cast<disk_change>(disk & 3); };
    s.hooks.text_levels = [](std::array<tb_level_entry, 31> &t) {
        return t = disk & 4 ? text_file : t, (4 & disk) != 0;
    };
    s.hooks.save_text = [](const std::vector<int> &levels, std::string &error) {
        for (int i : levels)
            updated += " " + std::to_string(i);
        return error = ": full.", disk / 8 % 2 == 0;
    };
    edit_start(s);
    text_file = tb_level; // hand edits: + 16 of level 2; + 32 of level 1; + 64 the save's own
    text_file[disk & 16 ? 2 : 1].cells[5] = disk & 48 ? 8 : text_file[1].cells[5];
    text_file[1].cells[0] = disk & 64 ? 1 : text_file[1].cells[0];
    updated.clear();
    s.level = level;
    s.cursor = cursor;
    press(s, keys);
    return s;
}

inline const std::string empty_row = "|" + std::string(32, '.') + "|\n";

namespace fs = std::filesystem;

struct in_new_folder { // to work in while it lasts, removed afterwards
    const fs::path was = fs::current_path();
    std::string folder = (fs::temp_directory_path() / "vellumix-unit.XXXXXX").string();
    in_new_folder() { fs::current_path(mkdtemp(folder.data())); }
    ~in_new_folder() { fs::current_path(was), fs::remove_all(folder); }
};

#endif
