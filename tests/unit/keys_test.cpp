// tests/unit/keys_test.cpp - a terminal's bytes as keys, however they arrive.
#include <gtest/gtest.h>

#include <vector>

#include "edit/keys.h"
#include "tests/key_names.h"
#include "tests/key_stream.h"

// The keys of bytes as a terminal sends them: "`N`" makes the byte after it come N ms after the
// one before, the others come together, in one read unless split cuts there.
static std::string keys_of(const std::string &text, std::size_t split, bool trusted = false)
{
    std::string bytes, keys;
    std::vector<std::uint16_t> gaps;
    for (std::size_t i = 0, pause = 0; i < text.size(); i++) {
        if (text[i] == '`') {
            const std::size_t end = text.find('`', i + 1);
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
        bytes, gaps, [&](std::size_t at) { return at == split; }, [](int) { return -1; }, got,
        trusted));
    for (const key &k : got)
        keys += name_of(k) + " ";
    return keys;
}

TEST(Keys, EveryKeyTheSameHoweverItsBytesAreSplit)
{
    using namespace std::string_literals;
    const struct {
        std::string bytes, keys;
        bool trusted = false;
    } rows[] = {
        {"q`20`\t`20`\r`20`\n\x03\x13\x16\x19\x1a\x7f\x08",
         "q Tab Enter Enter Ctrl-C Ctrl-S Ctrl-V Ctrl-Y Ctrl-Z BSpace BSpace "},
        {"\xc3\xa9\xc3\xa9`20`x`20`\x80", "x "},
        {"\x1b[A\x1b[B\x1b[C\x1b[D\x1bOA\x1bOB\x1bOC\x1bOD\x1b[1;5A\x1b[1;2D\x1b[3;5~\x1b[5;3~"
         "\x1bO5B",
         "Up Down Right Left Up Down Right Left Up Left Del PgUp Down "},
        {"\x1b[5~\x1b[6~\x1b[3~\x1bOP\x1b[11~\x1b[[A", "PgUp PgDn Del F1 F1 F1 "},
        // sequences that are no key of ours, and the byte after each
        {"\x1b[[Bq\x1b[Zq\x1b[2~q\x1b[?1;2cq\x1b[201~q\x1bOQq\x1b[1;2;3Aq\x1b[ @q\x1bO@q\x1bO~q",
         "q q q q q q q q q q "},
        {"\x1b[1\x1b[A\x1b[1\x03\x1bO\x7f\x1b[1\x7f", "Up Ctrl-C BSpace BSpace "}, // cut short
        {"\x1bq\x1b\x7f\x1b\x1bx\x1b\x1b[A", "Up "}, // Alt and a key; Alt and Esc
        {"\x1b]52;c;sq\x07q\x1b]\x07q\x1bPsq\x1b\\y\x1b_s\x1b\\\x1b^x\x07\x1bXy\x07\x1b]0;s\x1b[A",
         "q q y Up "},
        {"\x1b[<0;10;5M\x1b[<2;9;19M\x1b[<32;11;5M\x1b[<0;11;5m\x1b[<16;1;4M\x1b[<0;1000000;1M"
         "\x1b[<1;2;2M\x1b[<66;2;2M\x1b[<35;2;2M\x1b[<2;2;2m\x1b[<0;0;1M\x1b[<0;1;0M\x1b[<0;1M\x1b["
         "<0;1;1H",
         "left@9,4 right@8,18 drag@10,4 release@10,4 left@0,3 left@99999,0 "}, // and reports of no
                                                                               // key
        {"\x1b[<64;2;3M\x1b[<69;1;1M\x1b[Md!\"\x1b[Ma!!", // the wheel: SGR, X10
         "wheelup@1,2 wheeldown@0,0 wheelup@0,1 wheeldown@0,0 "},
        {"\x1b[M *%\x1b[M!!!\x1b[Mb!!\x1b[M  !\x1b[M\"!!\x1b[M@+%\x1b[M#+%", // X10
         "left@9,4 right@0,0 drag@10,4 release@10,4 "},
        // what arrives together is a paste: two characters that differ, each within 20 ms of the
        // one before; then every byte within 100 ms, control bytes and sequences as its text
        {"Xs`100`qn`100`nothing`100`Level 5`100`qqq`20`q`100`ab`19`c`99`\x1b[A`100`q",
         "paste[Xs] paste[qn] paste[nothing] paste[Level 5] q q q q paste[abc\x1b[A] q "},
        {"\x03notes\x00\x0c\x7fXs`40`Xs"s, "Ctrl-C paste[notes\x00\x0c\x7fXsXs] "s},
        {"L`12`e`12`v`12`e`12`l`12` `12`2`12`\r`12`S`12`s`12`\r`12`|", "paste[Level 2\rSs\r|] "},
        {"Level 2`15`\r; Star`15`t addre`15`ss: Ss`15`\r|[gn]",
         "paste[Level 2\r; Start address: Ss\r|[gn]] "},
        // either mark ends any paste, and what comes on with it is a paste of its own
        {"\x1b[200~sq\x1b[A\ry\x1b[201~Xs\x1b[201~`100`q\x1b[200~\x1b[201~",
         "paste[sq\x1b[A\ry] paste[Xs] q "},
        {"\x1b[200~ab\x1b[200~Xs`5000`\x1b[201~u`99`ab\x1b[200~cd\x1b[201~",
         "paste[ab] paste[Xs] paste[uab] paste[cd] "},
        // once a paste was marked, a console that trusts the marks takes nothing else for one
        {"ab`100`\x1b[200~x\x1b[201~`100`ab", "paste[ab] paste[x] a b ", true},
        // pauses: only ten seconds end a marked paste, and what comes after is a paste too; a
        // second ends a sequence or string; within one after a lone Esc, its introducer begins one
        {"\x1b[200~ab`1100`c\x1b[2`5000`01~q", "paste[abc] paste[q] "},
        {"\x1b[200~ab`12000`q\x1b[201~\x1b[200~c\x1b[201~`100`\x1b[200~a`10000`\x1b[200~b\x1b["
         "201~`100`\x1b[200~`10000`q`100`q",
         "lost paste[q] paste[c] lost paste[b] lost paste[q] q "},
        {"\x1b]0;ab`1000`q\x1b[`1000`A\x1b[M`999`a`1000`!`20`!`20`q", "q A ! ! q "},
        {"\x1b`300`[<0;12;6Mq\x1b`999`]52;c;sq\x07q\x1b`60`P1$r\x1b\\q\x1b`60`_x\x07q\x1b`60`^x"
         "\x07q\x1b`60`Xx\x07q\x1b`60`OBq\x1b`1000`[`20`A\x1b`50`q`50`\x1b`49`q",
         "Esc q Esc q Esc q Esc q Esc q Esc q Esc q Esc [ A Esc q "},
        // long ones go as they come, up to their end, and nothing of them is a key
        {"\x1b[" + std::string(200, '1') + "Aq\x1bP" + std::string(200, '1') + "s\x1b\\q", "q q "},
        {"\x1b]0;ab\x1b", ""},
        {"\x1bPab", ""},
        {"\x1b[" + std::string(200, '1'), ""}};
    for (const auto &row : rows)
        for (std::size_t at = 0; at < row.bytes.size(); at++)
            EXPECT_EQ(row.keys, keys_of(row.bytes, at, row.trusted))
                << row.bytes << " split at " << at;
    // a paste keeps its first paste_max bytes, wherever its reads and its end mark fall
    const std::string kept = "paste[" + std::string(paste_max, 'q') + "] paste[x] ";
    for (std::size_t extra : {0, 5, 6})
        for (std::size_t at : {paste_max + 3, paste_max + 9})
            EXPECT_EQ(0, kept.compare(keys_of("\x1b[200~" + std::string(paste_max + extra, 'q') +
                                                  "\x1b[201~x",
                                              at + extra)));
}
