// tests/unit/questions_test.cpp - the editor's questions: quitting and saving, the small window,
// and the recovery file offered at the start.
#include <cstdio>
#include <fstream>
#include <map>

#include "tests/unit/editor_support.h"

// Quitting with changes asks first, a save asks when the file changed on disk or went away,
// and a window too small for the editor (keys after Small) takes no key but a harmless quit.
// A paste answers no question and acts in no mode: the question or prompt stands after its word.
TEST(Editor, QuittingAndSavingAskFirstAndASmallWindowTakesNoKeys)
{
    const std::string ignored = "Ignored 3 characters that came together, as a paste: type keys "
                                "one at a time. ",
                      lost = "Paste ended without its end mark: nothing pasted. ";
    const char *changed = "KR_PROG.PRG changed on disk since it was read. Save over it? (y/n)";
    const char *gone = "KR_PROG.PRG is no longer in the folder. Save it again? (y/n)";
    const char *quit = "Save changes to KR_PROG.PRG? (y/n, Esc: stay)";
    const char *update = "vellumix.lvl holds older level 1: -saveprg would undo this save. Update "
                         "it in vellumix.lvl? (y/n)";
    const char *both = "Saved to KR_PROG.PRG and vellumix.lvl.",
               *left = "Saved to KR_PROG.PRG; vellumix.lvl left as it was.";
    const std::map<edit_mode, char> letters = {{edit_mode::board, 'b'},  {edit_mode::colors, 'c'},
                                               {edit_mode::box, 'x'},    {edit_mode::brush, 'B'},
                                               {edit_mode::go_to, 'G'},  {edit_mode::help, 'h'},
                                               {edit_mode::asking, 'a'}, {edit_mode::confirm, 'f'},
                                               {edit_mode::update, 't'}, {edit_mode::move_to, 'M'}};
    const struct {
        int disk;
        const char *keys;
        std::string status; // "*": any
        const char *then;   // q: quit; else the mode's letter and whether the levels are
                            // saved or unsaved; then the levels updated
    } rows[] = {
        {0, "q", "", "q"},
        {0, "1 q", quit, "au"},
        {0, "1 q Esc", "", "bu"},
        {0, "1 Ctrl-C n", quit, "q"},
        {0, "1 q y", "Saved.", "q"},
        {0, "1 s u U q", "*", "q"},
        {0, "1 s u 2 u q", quit, "au"},
        {0, "c U", "Color mode takes only 1-8, u, Enter and Esc.", "cs"},
        {0, "c Ctrl-C", "", "q"},
        {0, "1 s", "Saved.", "bs"},
        {1, "1 s", changed, "fu"},
        {1, "1 s n", "Not saved.", "bu"},
        {1, "1 s y", "Saved.", "bs"},
        {2, "1 q y", gone, "fu"},
        {2, "1 q y y", "Saved.", "q"},
        {0, "Small m", "", "bs"},
        {0, "1 Small q", "*", "bu"},
        {0, "Esc", "Nothing to close: q quits.", "bs"},
        {0, "Small q", "", "q"},
        {4, "1 s Esc", left, "bs"},
        {4, "1 s n 2 s", "Saved.", "bs"},
        {4, "1 q y", update, "ts"},
        {4, "1 q y n", left, "q"},
        {4, "1 q y y", both, "q 1"},
        {5, "1 s y y", both, "bs 1"},
        {12, "1 q y y", "Saved to KR_PROG.PRG, but vellumix.lvl was not written: full.", "bs 1"},
        {4, "1 > 1 s",
         "vellumix.lvl holds older levels 1 and 2: -saveprg would undo this save. Update them in "
         "vellumix.lvl? (y/n)",
         "ts"},
        {20, "1 s y", both, "bs 1"}, // level 2's hand edit stays
        {36, "1 > 1 s y",
         "Saved to KR_PROG.PRG and vellumix.lvl; vellumix.lvl's own edit of level 1 is in "
         "vellumix.lvl.bak.",
         "bs 1 2"},
        {68, "1 s", "Saved.", "bs"}, // the file holds the save's edit already
        {0, "1 q lost Paste", ignored + quit, "au"},
        {1, "1 s Paste Paste", ignored + changed, "fu"},
        {4, "1 s Paste lost", lost + update, "ts"},
        {0, "Paste", ignored.substr(0, ignored.size() - 1), "bs"},
        {0, "v PasteRow", "Ignored a pasted level: paste it again on the board.", "xs"},
        {0, "h lost", lost.substr(0, lost.size() - 1), "hs"},
        {0, "b Paste", ignored + "Press the key of a code: 0-9, ? random, . empty.", "Bs"},
        {0, "g 1 Paste", ignored + "Go to level (1-30): 1", "Gs"},
        {0, "Tab m Paste", ignored + "Move level 1 to: ", "Ms"}};
    for (const auto &r : rows) {
        disk = r.disk;
        edit_state s = start_on_sample(1);
        press(s, r.keys);
        EXPECT_TRUE(r.status == "*" || r.status == s.status) << r.keys << ": " << s.status;
        const char mode = letters.count(s.mode) ? letters.at(s.mode) : '?';
        EXPECT_EQ(r.then,
                  (s.quit ? "q" : std::string(1, mode) + (unsaved(s) ? "u" : "s")) + updated)
            << r.keys;
    }
    disk = 0;
}

// An earlier session's file, in a folder of its own: offered with the levels it changes named,
// removed when it changes none, kept aside when it holds no whole level.
TEST(Recovery, TheStartQuestionNamesTheLevelsTheFileChanges)
{
    in_new_folder here;
    const struct {
        std::vector<int> levels; // changed in the file; none: the file holds text
        std::string text, status;
    } rows[] = {{{15, 3, 7}, "", "to levels 3, 7 and 15."},
                {{1, 2, 3, 4, 5, 6}, "", "to 6 levels."},
                {{}, "", ""},
                {{},
                 "|[wh]\n" + level_as_text(1).substr(0, 200),
                 "vellumix-unsaved.lvl held no level: kept as vellumix-unsaved.lvl.bak."}};
    for (const auto &r : rows) {
        start_on_sample(1);
        for (int i : r.levels)
            tb_level[i].cells[0] = tb_level[i].cells[0] == 8 ? 1 : 8;
        std::string text = r.text;
        for (int i = 1; i <= 30 && r.text.empty(); i++)
            text += level_as_text(i);
        std::ofstream(recovery_name, std::ios::binary) << text;
        edit_state s = start_on_sample(1);
        offer_recovery(s);
        EXPECT_NE(std::string::npos, s.status.find(r.status)) << s.status;
        EXPECT_EQ(r.levels.empty() ? edit_mode::board : edit_mode::restore, s.mode);
        EXPECT_EQ(!r.levels.empty(), fs::exists(recovery_name));
        EXPECT_EQ(!r.text.empty(), fs::exists(std::string(recovery_name) + ".bak"));
        if (!r.levels.empty()) { // y, not a paste: the file's levels, one step back to the image's
            press(s, "Paste");
            EXPECT_EQ(1, apply_key(s, {'y'}));
            EXPECT_TRUE(level_unsaved(s, r.levels[0]));
            EXPECT_EQ(1, apply_key(s, {'u'}));
            EXPECT_FALSE(unsaved(s));
        }
    }
    // a link of that name is none of the editor's: not offered, written nor removed
    fs::remove(recovery_name);
    fs::create_symlink("elsewhere", recovery_name);
    const auto refused = [] { // why write_recovery wrote nothing; "" when it wrote
        std::string error;
        return write_recovery(error) ? std::string() : error;
    };
    edit_state s = start_on_sample(1);
    offer_recovery(s);
    remove_recovery();
    EXPECT_EQ(edit_mode::board, s.mode);
    EXPECT_EQ("vellumix-unsaved.lvl is not a plain file", refused());
    EXPECT_TRUE(fs::exists(fs::symlink_status(recovery_name))); // the link, not what it names
    EXPECT_FALSE(fs::exists("elsewhere"));
    fs::remove(recovery_name); // a plain file that may not be written says why
    std::fclose(std::fopen(recovery_name, "w"));
    fs::permissions(recovery_name, fs::perms::owner_read);
    EXPECT_EQ("Levels text file 'vellumix-unsaved.lvl' could not be created", refused());
    // one that cannot be put aside (a folder in the way) is never written over
    fs::remove(std::string(recovery_name) + ".bak");
    fs::create_directories(std::string(recovery_name) + ".bak/full");
    s = start_on_sample(1);
    offer_recovery(s);
    EXPECT_EQ("vellumix-unsaved.lvl could not be renamed: it stays as it is.", s.status);
    fs::permissions(recovery_name, fs::perms::owner_all);
    EXPECT_EQ("vellumix-unsaved.lvl is an earlier session's: it stays as it is", refused());
}
