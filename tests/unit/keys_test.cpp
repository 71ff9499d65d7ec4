// tests/unit/keys_test.cpp - a terminal's bytes as keys, however they are split, and what the
// POSIX console sends and asks of the environment without a terminal.
#include <gtest/gtest.h>

#include <cstdlib>

#include "edit/console.h"

static std::string name_of(const key &k) // Up, q, ^C, BS, left@9,4, paste[sq]
{
    static const char *const names[] = {
        "Up",   "Down",  "Left", "Right",   "Home",   "End",     "PgUp",      "PgDn", "Del",  "F1",
        "left", "right", "drag", "release", "double", "wheelup", "wheeldown", "",     "paste"};
    if (k.code >= key_up)
        return names[k.code - key_up] + (k.code == key_paste ? "[" + k.text + "]"
                                         : k.code >= key_mouse_left
                                             ? "@" + std::to_string(k.x) + "," + std::to_string(k.y)
                                             : "");
    if (k.code == key_escape || k.code == key_backspace)
        return k.code == key_escape ? "Esc" : "BS";
    return k.code < ' ' ? std::string{'^', static_cast<char>(k.code + '@')}
                        : std::string(1, static_cast<char>(k.code));
}

// The keys of bytes that come in two pieces, split at `at`, decoded as the console does: all
// it can after each piece, 49 ms after its last byte, then once more after a second of quiet.
static std::string keys_of(const std::string &bytes, std::size_t at)
{
    std::string pending, keys;
    const std::string pieces[] = {bytes.substr(0, at), bytes.substr(at), ""};
    for (const std::string &piece : pieces) {
        pending += piece;
        const int idle = &piece == &pieces[2] ? sequence_wait_ms : escape_wait_ms - 1;
        key k;
        int used = 1;
        while (!pending.empty() && used > 0) {
            used = decode_key(reinterpret_cast<const unsigned char *>(pending.data()),
                              static_cast<int>(pending.size()), idle, k);
            pending.erase(0, static_cast<std::size_t>(used));
            keys += k.code == key_none ? "" : name_of(k) + " ";
        }
    }
    EXPECT_EQ("", pending) << "a second of quiet decides every byte";
    return keys;
}

TEST(Keys, EveryKeyTheSameHoweverItsBytesAreSplit)
{
    const struct {
        std::string bytes, keys;
    } rows[] = {
        {"q\t\r\n\x03\x13\x16\x19\x1a\x7f\x08", "q ^I ^M ^M ^C ^S ^V ^Y ^Z BS BS "},
        {"\xc3\xa9x\x80", "x "},
        {"\x1b[A\x1b[B\x1b[C\x1b[D\x1bOA\x1bOB\x1bOC\x1bOD",
         "Up Down Right Left Up Down Right Left "},
        {"\x1b[1;5A\x1b[1;2D\x1b[3;5~\x1b[5;3~\x1bO5B", "Up Left Del PgUp Down "},
        {"\x1b[H\x1b[F\x1b[1~\x1b[4~\x1b[7~\x1b[8~\x1bOH\x1bOF",
         "Home End Home End Home End Home End "},
        {"\x1b[5~\x1b[6~\x1b[3~\x1bOP\x1b[11~\x1b[[A", "PgUp PgDn Del F1 F1 F1 "},
        // sequences that are no key of ours, and the byte after each
        {"\x1b[[Bq\x1b[Zq\x1b[2~q\x1b[?1;2cq\x1b[201~q\x1bOQq\x1b[1;2;3Aq\x1b[ @q\x1bO@q\x1bO~q",
         "q q q q q q q q q q "},
        {"\x1b[1\x1b[A\x1b[1\x03\x1bO\x7f\x1b[1\x7f", "Up ^C BS BS "}, // cut short
        {"\x1bq\x1b\x7f\x1b\x1b[A\x1b\x1bx\x1b\x1bz", ""},             // Alt and a key
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
        {"\x1b", "Esc "}};
    for (const auto &row : rows)
        for (std::size_t at = 0; at < row.bytes.size(); at++)
            EXPECT_EQ(row.keys, keys_of(row.bytes, at)) << row.bytes << " split at " << at;
}

// What decode_key takes of bytes whose last one came 49, 50, 999 and 1000 ms ago.
TEST(Keys, PausesDecideOnlyALoneEscAndUnfinishedSequencesAndLimitsEndStringsAndPastes)
{
    const std::string paste = "\x1b[200~" + std::string(paste_max + 7, 'q') + "\x1b[201~";
    const std::string rows[][2] = {
        {"\x1b", "0 1Esc 1Esc 1Esc "},
        {"\x1b\x1b", "0 2 2 2 "},
        {"\x1b[", "0 0 0 2 "},
        {"\x1b[1;5", "0 0 0 5 "},
        {"\x1b[M a", "0 0 0 5 "},
        {"\x1b]0;sq\x1b", "0 0 0 7 "},
        {"\x1b[200~q\x1b[201", "0 0 0 12 "},
        {"", "0 0 0 0 "},
        {"\x1b]" + std::string(5000, 'a'), "4096 4096 4096 4096 "},
        {paste, std::to_string(paste.size()) + "paste[" + paste.substr(6, paste_max) + "] "}};
    for (const auto &row : rows) {
        std::string taken;
        for (int idle_ms : {49, 50, 999, 1000}) {
            key k;
            int used = decode_key(reinterpret_cast<const unsigned char *>(row[0].data()),
                                  static_cast<int>(row[0].size()), idle_ms, k);
            taken += std::to_string(used) + (k.code == key_none ? "" : name_of(k)) + " ";
            if (row[0] == paste)
                break;
        }
        EXPECT_EQ(row[1], taken) << row[0].substr(0, 16);
    }
}

// What the POSIX console asks of the environment: whether the half block shows, and TERM.
TEST(Console, TheEnvironmentSaysWhatTheTerminalShows)
{
    // LC_ALL, LC_CTYPE, LANG ("-": unset), and whether the half block shows ("1")
    const char *const locales[][4] = {{"", "", "en_GB.UTF-8", "1"}, {"-", "de_DE.utf8", "C", "1"},
                                      {"C", "en_US.UTF-8", "", ""}, {"", "-", "", ""},
                                      {"x.Utf-8", "-", "-", "1"},   {"-", "-", "C.UTF8", "1"}};
    for (const auto &l : locales) {
        for (int i = 0; i < 3; i++) {
            const char *name = i == 0 ? "LC_ALL" : i == 1 ? "LC_CTYPE" : "LANG";
            *l[i] == '-' ? unsetenv(name) : setenv(name, l[i], 1);
        }
        EXPECT_EQ(*l[3] == '1', console_unicode()) << l[0] << " " << l[1] << " " << l[2];
    }
    std::string term;
    unsetenv("TERM");
    EXPECT_FALSE(console_can_draw(term) || term != "");
}
