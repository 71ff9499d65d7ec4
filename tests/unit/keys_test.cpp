// tests/unit/keys_test.cpp - a terminal's bytes as keys, however they arrive.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "edit/keys.h"
#include "tests/key_stream.h"

static std::string name_of(const key &k) // Up, q, ^C, BS, left@9,4, paste[sq]
{
    static const char *const names[] = {"Up",      "Down",      "Left", "Right",   "Home",
                                        "End",     "PgUp",      "PgDn", "Del",     "F1",
                                        "left",    "right",     "drag", "release", "double",
                                        "wheelup", "wheeldown", "",     "paste",   "lost"};
    if (k.code >= key_up)
        return names[k.code - key_up] + (k.code == key_paste ? "[" + k.text + "]"
                                         : k.code >= key_mouse_left && k.code < key_paste
                                             ? "@" + std::to_string(k.x) + "," + std::to_string(k.y)
                                             : "");
    if (k.code == key_escape || k.code == key_backspace)
        return k.code == key_escape ? "Esc" : "BS";
    return k.code < ' ' ? std::string{'^', static_cast<char>(k.code + '@')}
                        : std::string(1, static_cast<char>(k.code));
}

// The keys of bytes as a terminal sends them: "`N`" makes the byte after it come N ms after the
// one before, the others come together, in one read unless split cuts there.
static std::string keys_of(const std::string &text, std::size_t split)
{
    std::string bytes, keys;
    std::vector<std::uint16_t> gaps;
    for (std::size_t i = 0, pause = 0; i < text.size(); i++) {
        const std::size_t end = text[i] == '`' ? text.find('`', i + 1) : std::string::npos;
        if (end != std::string::npos && end > i + 1 &&
            text.find_first_not_of("0123456789", i + 1) == end) {
            pause = std::stoul(text.substr(i + 1, end - i - 1));
            i = end;
        } else {
            bytes += text[i];
            gaps.push_back(static_cast<std::uint16_t>(pause));
            pause = 0;
        }
    }
    std::vector<key> got;
    EXPECT_TRUE(decode_stream(
        bytes, gaps, [&](std::size_t at) { return at == split; }, [](int) { return -1; }, got));
    for (const key &k : got)
        keys += name_of(k) + " ";
    return keys;
}

TEST(Keys, EveryKeyTheSameHoweverItsBytesAreSplit)
{
    const std::string paste = "\x1b[200~" + std::string(paste_max, 'q') + "\x1b[201~";
    const struct {
        std::string bytes, keys;
    } rows[] = {
        {"q\t\r\n\x03\x13\x16\x19\x1a\x7f\x08", "q ^I ^M ^M ^C ^S ^V ^Y ^Z BS BS "},
        {"\xc3\xa9x\x80", "x "},
        {"\x1b[A\x1b[B\x1b[C\x1b[D\x1bOA\x1bOB\x1bOC\x1bOD",
         "Up Down Right Left Up Down Right Left "},
        {"\x1b[1;5A\x1b[1;2D\x1b[3;5~\x1b[5;3~\x1bO5B", "Up Left Del PgUp Down "},
        {"\x1b[5~\x1b[6~\x1b[3~\x1bOP\x1b[11~\x1b[[A", "PgUp PgDn Del F1 F1 F1 "},
        // sequences that are no key of ours, and the byte after each
        {"\x1b[[Bq\x1b[Zq\x1b[2~q\x1b[?1;2cq\x1b[201~q\x1bOQq\x1b[1;2;3Aq\x1b[ @q\x1bO@q\x1bO~q",
         "q q q q q q q q q q "},
        {"\x1b[1\x1b[A\x1b[1\x03\x1bO\x7f\x1b[1\x7f", "Up ^C BS BS "}, // cut short
        {"\x1bq\x1b\x7f\x1b\x1bx\x1b\x1b[A", "Up "},                   // Alt and a key; Alt and Esc
        {"\x1b]52;c;sq\x07q\x1b]\x07q\x1bPsq\x1b\\y\x1b_s\x1b\\\x1b^x\x07\x1bXy\x07\x1b]0;s\x1b[A",
         "q q y Up "},
        {"\x1b[<0;10;5M\x1b[<2;9;19M\x1b[<32;11;5M\x1b[<0;11;5m\x1b[<16;1;4M\x1b[<0;1000000;1M",
         "left@9,4 right@8,18 drag@10,4 release@10,4 left@0,3 left@99999,0 "},
        {"\x1b[<64;2;3M\x1b[<69;1;1M\x1b[M`!\"\x1b[Ma!!", // the wheel: SGR, X10
         "wheelup@1,2 wheeldown@0,0 wheelup@0,1 wheeldown@0,0 "},
        {"\x1b[<1;2;2M\x1b[<66;2;2M\x1b[<35;2;2M\x1b[<2;2;2m\x1b[<0;0;1M\x1b[<0;1;0M\x1b[<0;1M"
         "\x1b[<0;1;1H",
         ""},
        {"\x1b[M *%\x1b[M!!!\x1b[Mb!!\x1b[M  !\x1b[M\"!!\x1b[M@+%\x1b[M#+%", // X10
         "left@9,4 right@0,0 drag@10,4 release@10,4 "},
        {"\x1b[200~sq\x1b[A\ry\x1b[201~q\x1b[200~\x1b[201~", "paste[sq\x1b[A\ry] q paste[] "},
        // what arrives together is a paste: eight characters, two of them different; else keys
        {"\x03Level 6\r|[gn]\x1b[Aq", "^C paste[Level 6\r|[gn]] Up q "},
        {"abcdefgh`10`s", "paste[abcdefgh] s "},
        {"qqqqqqqqq`30`abcdefg`30`s`9`s`9`s`9`s`9`u`9`u`9`u`9`u", "q q q q q q q q q a b c d e f g "
                                                                  "paste[ssssuuuu] "},
        // pauses: inside a paste nothing but ten seconds ends it; a second ends a sequence or a
        // string; a lone Esc is Esc, and a [ within a second after it the rest of a sequence
        {"\x1b[200~ab`1100`c\x1b[2`5000`01~q", "paste[abc] q "},
        {"\x1b[200~ab`12000`q\x1b[201~\x1b[200~c\x1b[201~", "lost q paste[c] "},
        {"\x1b[200~a`10000`\x1b[200~b\x1b[201~", "lost paste[b] "},
        {"\x1b]0;ab`1000`q\x1b[`1000`A\x1b[M`999`a`1000`!!q", "q A ! ! q "},
        {"\x1b`300`[<0;12;6Mq\x1b`1000`[Aq\x1b`50`q\x1b`49`q", "Esc q Esc [ A q Esc q "},
        // long ones go as they come, up to their end, and nothing of them is a key
        {"\x1b[" + std::string(200, '1') + "Aq\x1bP" + std::string(200, '1') + "s\x1b\\q", "q q "},
        {"\x1b]0;ab\x1b", ""},
        {"\x1bPab", ""},
        {"\x1b[" + std::string(200, '1'), ""}};
    for (const auto &row : rows)
        for (std::size_t at = 0; at < row.bytes.size(); at++)
            EXPECT_EQ(row.keys, keys_of(row.bytes, at)) << row.bytes << " split at " << at;
    // the rule as the Windows console asks it of key events
    EXPECT_TRUE(burst_is_paste(reinterpret_cast<const unsigned char *>("baaaaaaa"), 8) &&
                !burst_is_paste(reinterpret_cast<const unsigned char *>("aaaaaaaab"), 8) &&
                !burst_is_paste(reinterpret_cast<const unsigned char *>("abcdefg"), 7));
    // a paste keeps its first paste_max bytes, wherever its reads and its end mark fall
    for (std::size_t extra : {0, 5, 6})
        for (std::size_t at : {paste_max + 3, paste_max + 9}) {
            const std::string whole =
                paste.substr(0, paste.size() - 6) + std::string(extra, 'q') + "\x1b[201~x";
            EXPECT_EQ(
                0, keys_of(whole, at + extra)
                       .compare(paste.substr(0, 6 + paste_max).replace(0, 6, "paste[") + "] x "));
        }
}
