// tests/unit/editor_test.cpp - the editor driven by keys on the sample's levels, and its picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "cli/logerror.h"
#include "edit/edit.h"
#include "text/text.h"
#include "tools/sample_image.h"

static edit_state start_on_sample(int level, int cursor = 0, const std::string &keys = "")
{
    static std::vector<std::uint8_t> image;
    image = make_sample_image();
    decode_as_loaded(image);
    edit_state s;
    s.save = [](std::string &message) { return message = "Saved.", 1; }; // a save that works
    edit_start(s);
    s.level = level;
    s.cursor = cursor;
    for (char c : keys)
        apply_key(s, {c});
    return s;
}

static std::string text_of(int level) // as the text file has it; 0: every level
{
    std::FILE *f = std::tmpfile();
    level ? display_one_level(f, level) : (void)display_levels(f);
    std::string text(static_cast<std::size_t>(std::ftell(f)), '\0');
    std::rewind(f);
    text.resize(std::fread(&text[0], 1, text.size(), f));
    std::fclose(f);
    return text;
}

TEST(Editor, FillJoinsTheCellsThatTouchOnTheStaggeredGrid)
{
    // in level 1's empty rows: long-row cell s touches short-row cells s - 1 and s, no wrapping
    const int pairs[][3] = {{48, 56, 1}, {49, 56, 1}, {50, 56, 0}, {55, 62, 1}, {55, 56, 0},
                            {48, 49, 1}, {40, 49, 1}, {41, 48, 0}, {46, 55, 1}, {48, 64, 0},
                            {72, 80, 1}, {78, 87, 1}, {78, 86, 1}};
    for (const auto &pair : pairs)
        for (int from : {0, 1}) {
            edit_state s = start_on_sample(1, pair[from]);
            tb_level[1].cells[pair[0]] = tb_level[1].cells[pair[1]] = 2;
            s.brush = 1;
            apply_key(s, {'f'});
            EXPECT_EQ(pair[2] ? 1 : 2, tb_level[1].cells[pair[1 - from]]) << pair[from];
        }
}

TEST(Editor, KeysChangeTheLevelAsTheTextFileWouldShowIt)
{
    const char *no_random = "Level 1 has no random colors: add one first (c).";
    struct row {
        int level, cursor;
        const char *keys, *status, *then; // then: a part of the text of the level shown
    } rows[] = {
        {3, 0, "c4", "", ": black.\n"},
        {3, 0, "c8", "Level 3's record has room for 2 random colors only.", ": green, black.\n"},
        {30, 0, "c77", "", ": red, purple, white, yellow, orange, blue, green, black.\n"},
        {21, 0, "c1", "Level 21's record has room for 1 random color only.", ": orange.\n"},
        {3, 0, "c47", "Level 3 has no random colors now: its 7 random cells are empty.",
         "|........[gn]....[gn][gn]........|"}, // and one undo brings them back:
        {3, 0, "c47\ru", "", "|......[??][gn][??][gn][gn]......|"},
        {1, 0, "0", no_random, "|[gn][gn]"},
        {3, 0, "?<<f", no_random, "|[gn][gn]"}, // a random brush from level 3
        {1, 1, "8>f", "", "|..[wh][bk][gn][bk][gn][bk][gn]..|\n|......"}, // green zigzags down
        {6, 0, "m", "", "|[rd][??][wh][??][rd][pu][wh][ye]|\n|..[pu][wh][ye][rd][pu][wh][ye]..|"},
        {1, 0, "p", "Nothing copied yet: y copies a level.", "|[gn][gn]"},
        {6, 0, "y<<<p",
         "Not pasted: the copy has 3 random colors, level 3's record has room for 2.",
         ": green, black.\n"},
        {6, 0, "y>>>>>>>>>>>>>>>>>>>>>c4\rp", "Pasted level 6 over level 27.", // room for 3
         ": black, red, purple.\n\n|[ye][wh][pu][rd][??]"}};
    for (const row &r : rows) {
        edit_state s = start_on_sample(r.level, r.cursor, r.keys);
        EXPECT_EQ(r.status, s.status) << r.keys;
        EXPECT_NE(std::string::npos, text_of(s.level).find(r.then)) << r.keys;
    }
}

TEST(Editor, CursorStopsAtTheEdgesAndKeepsItsPlaceInTheRow)
{
    const int rows[][5] = {
        // level, cell, key: level, cell
        {1, 0, key_left, 1, 0},        {1, 0, key_up, 1, 0},     {1, 7, key_right, 1, 7},
        {1, 3, key_right, 1, 4},       {1, 7, key_down, 1, 14},  {1, 14, key_up, 1, 6},
        {1, 87, key_down, 1, 87},      {1, 73, key_down, 1, 81}, {1, 9, key_end, 1, 14},
        {1, 13, key_home, 1, 8},       {1, 9, key_left, 1, 8},   {1, 5, key_page_up, 1, 5},
        {30, 9, key_page_down, 30, 9}, {2, 9, '<', 1, 9}};
    for (const auto &r : rows) {
        edit_state s = start_on_sample(r[0], r[1]);
        apply_key(s, {r[2]});
        EXPECT_TRUE(s.level == r[3] && s.cursor == r[4]) << r[1] << " " << r[2];
    }
}

TEST(Editor, UndoAllGivesBackTheDecodedLevelsAndRedoAllTheEdits)
{
    start_on_sample(1);
    const std::string decoded = text_of(0);
    edit_state s = start_on_sample(3, 20, "1");
    apply_key(s, {key_down});
    for (char c : std::string("c47\rm>>>y>>>p<<<<<<<<f2u9")) // the red undone, then dropped
        apply_key(s, {c});
    const std::string edited = text_of(0);
    ASSERT_EQ(7, std::count_if(s.log.begin(), s.log.end(),
                               [](const undo_entry &e) { return e.kind == undo_head; }));
    while (s.done > 0)
        EXPECT_EQ(1, apply_key(s, {'u'}));
    EXPECT_TRUE(text_of(0) == decoded && s.level == 3 && s.cursor == 20); // the first change
    while (s.done < s.log.size())
        apply_key(s, {'U'});
    EXPECT_TRUE(text_of(0) == edited && apply_key(s, {'U'}) == 0);
}

TEST(Editor, QuitAsksFirstWhenChangesAreUnsaved)
{
    // then: q quit, or the mode: b board, c colors, h help, a asking. 4: green on green
    const char *rows[][2] = {{"q", "q"},      {"4q", "q"},  {"1qx", "a"},   {"1q\x1b", "b"},
                             {"1\x03n", "q"}, {"1qy", "q"}, {"1suUq", "q"}, {"1su2uq", "a"},
                             {"hq", "b"},     {"cx", "c"},  {"c\x1b", "b"}, {"cc", "b"},
                             {"c\x03", "q"}};
    for (const auto &r : rows) {
        edit_state s = start_on_sample(1, 0, r[0]);
        EXPECT_EQ(r[1], std::string(1, s.quit ? 'q' : "bc----h-a--"[static_cast<int>(s.mode)]))
            << r[0];
    }
    EXPECT_EQ("Save changes to KR_PROG.PRG? (y/n, Esc: stay)", start_on_sample(1, 0, "1q").status);
}

TEST(Editor, RefusedSaveKeepsTheEditorOpenAndSaysWhyOnOneLine)
{
    start_on_sample(1);
    edit_state s;
    edit_start(s); // the editor's own save, on records that would grow: nothing is written
    tb_level[1].nb_colors = tb_level[2].nb_colors = 1;
    for (char c : std::string("1qy"))
        apply_key(s, {c});
    EXPECT_EQ("Not saved: Level 1 has 1 random colors, its record has room for 0 only ! Level 2 "
              "has 1 random colors, its record has room for 0 only !",
              s.status);
    EXPECT_TRUE(!s.quit && s.mode == edit_mode::board && log_capture == nullptr);
}
