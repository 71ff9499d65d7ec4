// tests/unit/console_records_test.cpp - the Windows console's input records, as the consoles
// send them, read as a terminal's bytes are.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "edit/console.h"
#include "tests/key_names.h"

static console_record down(char16_t unit, std::uint16_t vk = 0, std::uint32_t controls = 0,
                           std::uint16_t repeat = 1)
{
    return {record_type::key, true, repeat, vk, unit, controls};
}
static console_record up(std::uint16_t vk, char16_t c = 0)
{
    return {record_type::key, false, 1, vk, c};
}
static console_record mouse(std::uint32_t buttons, std::uint32_t flags, int x, int y)
{
    return {record_type::mouse, false, 1, 0, 0, 0, buttons, flags, x, y};
}
// Characters as a virtual-terminal console sends them; the first with controls held.
static std::vector<console_record> typed(const std::u16string &text, std::uint32_t controls = 0)
{
    std::vector<console_record> records;
    for (char16_t c : text)
        records.push_back(down(c, 0, records.empty() ? controls : 0));
    return records;
}

static std::string clipboard() { return "clip"; }

// The records come together gap_ms after the ones before; the keys due meanwhile are read first,
// whenever the decoder's clock says one may come. "<size>": a window size record came. Each key
// tells when the records that made it came.
struct arrivals {
    console_input in;
    std::string keys;
    int ms = 0;
    std::set<std::int64_t> came;
};
static void come(arrivals &a, const std::vector<console_record> &records, int gap_ms = 1000)
{
    key k;
    for (int now = a.ms, wait = 0; now < a.ms + gap_ms && wait >= 0; now += wait > 0 ? wait : 1) {
        while (next_input_key(a.in, now, k)) {
            a.keys += "<" + name_of(k) + ">";
            EXPECT_EQ(1u, a.came.count(k.ms)) << k.ms;
        }
        wait = input_wait_ms(a.in, now);
    }
    a.came.insert(a.ms += gap_ms);
    if (add_records(a.in, records.data(), static_cast<int>(records.size()), a.ms, clipboard))
        a.keys += "<size>";
}

static const std::uint32_t alt_gr = ks_right_alt | ks_left_ctrl, alt = ks_left_alt;

// Windows Terminal and conhost, with virtual-terminal input: characters of key-down records.
TEST(ConsoleRecords, AConsolesCharactersAreReadAsATerminalsBytes)
{
    arrivals a;
    come(a, typed(u"\x1b[200~\x0800\x20AC\xD800\xDC00\xD83D\xDE00\r\xDE00\xD83D" // halves alone
                  u"b\x1b[201~"));
    come(a, typed(u"\x1b[A"));
    come(a, typed(u"\x1b[<0;3;2M"));
    // AltGr; Alt and a key, dropped (the right Alt alone too); auto-repeat
    for (const console_record &r :
         {down('@', 'Q', alt_gr), down('y', 'Y', alt), down('q', 'Q', ks_right_alt),
          down(0x19, 'Y', alt_gr), down(0x16, vk_v, ks_left_ctrl | alt), down('x', 'X', 0, 3),
          down(0, vk_up, 0, 2), down(0, vk_end, alt | ks_enhanced)})
        come(a, {r});
    come(a, {down(0, vk_shift, ks_shift), down('A', 'A', ks_shift), up('A', 'A')});
    // Alt and the number pad: the character comes as Alt goes up; a key of the pad is no key
    come(a, {down(0, vk_menu, alt), down(0, 0x66, alt), down(0, vk_end, alt), up(vk_menu, '@'),
             up(vk_menu)});
    come(a, {{record_type::size}, {}});
    come(a, {}, 99999);
    EXPECT_EQ("<paste[\xE0\xA0\x80\xE2\x82\xAC\xF0\x90\x80\x80\xF0\x9F\x98\x80\r\xEF\xBF\xBD"
              "\xEF\xBF\xBD"
              "b]><Up><left@2,1><@><x><x><x><Up><Up><End><A><@><size>",
              a.keys);
}

// wine, and consoles without virtual-terminal input: keys and mouse records of their own, in the
// order they came with the characters.
TEST(ConsoleRecords, KeysWithoutACharacterComeInTheirPlace)
{
    arrivals a;
    // a mark with no character, Ctrl-V, Shift-Insert; a mouse report as Alt and [ and characters
    for (const console_record &r :
         {down(0, vk_left), down(0, vk_escape), down(0, vk_back), down(0, 0),
          down(0x16, vk_v, ks_right_ctrl), down(0, vk_insert, ks_shift)})
        come(a, {r});
    come(a, typed(u"[<0;3;2M", alt));
    come(a, {mouse(mb_left, 0, 3, 4), mouse(mb_left, mf_moved, 5, 4), mouse(0, mf_moved, 6, 4),
             mouse(0, 0, 6, 4), mouse(mb_left, mf_double, 1, 2), mouse(mb_right, 0, 1, 2),
             mouse(0x00780000, mf_wheeled, 7, 8), mouse(0xFF880000, mf_wheeled, 7, 8),
             mouse(0x00780000, mf_hwheeled, 7, 8), mouse(0, mf_moved, 9, 9)});
    come(a, typed(u"a"));
    come(a, {down(0, vk_up, 0, 2)}, 5); // behind the a, which may yet begin a paste
    come(a, typed(u"\x1b"), 5);
    come(a, {mouse(mb_left, 0, 1, 1)}, 5);
    come(a, typed(u"b"), 5);
    come(a, {}, 99999);
    EXPECT_EQ("<Left><Esc><BSpace><paste[clip]><paste[clip]><left@2,1><left@3,4><drag@5,4>"
              "<release@6,4><double@1,2><right@1,2><wheelup@7,8><wheeldown@7,8><a><Up><Up><Esc>"
              "<left@1,1><b>",
              a.keys);
}
