// tests/unit/keys_test.cpp - a terminal's bytes as keys, however they are split, and what the
// POSIX console sends and asks of the environment without a terminal.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#include "edit/edit.h"

static std::string name_of(const key &k)
{
    static const char *const names[] = {"Up",   "Down",  "Left", "Right",  "Home",
                                        "End",  "PgUp",  "PgDn", "Del",    "F1",
                                        "left", "right", "drag", "release"};
    if (k.code == key_paste)
        return "paste[" + k.text + "]";
    if (k.code >= key_mouse_left && k.code <= key_mouse_release)
        return names[k.code - key_up] + ("@" + std::to_string(k.x)) + "," + std::to_string(k.y);
    if (k.code >= key_up)
        return names[k.code - key_up];
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
        {"\x1b[[Bq\x1b[Zq\x1b[2~q\x1b[?1;2cq\x1b[201~q\x1bOQq\x1b[1;2;3Aq", "q q q q q q q "},
        {"\x1b[1\x1b[A\x1b[1\x03\x1bO\x7f", "Up ^C BS "},  // cut short by a control byte
        {"\x1bq\x1b\x7f\x1b\x1b[A\x1b\x1bx\x1b\x1bz", ""}, // Alt and a key
        {"\x1b]52;c;sq\x07q\x1bPsq\x1b\\y\x1b_s\x1b\\\x1b^x\x07\x1bXy\x07\x1b]0;s\x1b[A",
         "q y Up "},
        {"\x1b[<0;10;5M\x1b[<2;1;1M\x1b[<32;11;5M\x1b[<0;11;5m\x1b[<16;3;4M",
         "left@9,4 right@0,0 drag@10,4 release@10,4 left@2,3 "},
        {"\x1b[<1;2;2M\x1b[<64;2;2M\x1b[<35;2;2M\x1b[<2;2;2m\x1b[<0;0;1M\x1b[<0;1;0M\x1b[<0;1M"
         "\x1b[<0;1;1H",
         ""},
        {"\x1b[M *%\x1b[M\"!!\x1b[M@+%\x1b[M#+%\x1b[M!!!\x1b[Ma!!\x1b[M  !", // X10
         "left@9,4 right@0,0 drag@10,4 release@10,4 "},
        {"\x1b[200~sq\x1b[A\ry\x1b[201~q\x1b[200~\x1b[201~", "paste[sq\x1b[A\ry] q paste[] "},
        {"\x1b", "Esc "},
    };
    for (const auto &row : rows)
        for (std::size_t at = 0; at < row.bytes.size(); at++)
            EXPECT_EQ(row.keys, keys_of(row.bytes, at)) << row.bytes << " split at " << at;
}

TEST(Keys, PausesDecideOnlyALoneEscAndSequencesLeftUnfinished)
{
    const struct {
        std::string bytes;
        int idle_ms, used, code;
    } rows[] = {
        {"\x1b", 49, 0, key_none},
        {"\x1b", 50, 1, key_escape},
        {"\x1b\x1b", 49, 0, key_none},
        {"\x1b\x1b", 50, 2, key_none},
        {"\x1b[", 999, 0, key_none},
        {"\x1b[", 1000, 2, key_none},
        {"\x1b[1;5", 999, 0, key_none},
        {"\x1b[1;5", 1000, 5, key_none},
        {"\x1bO", 999, 0, key_none},
        {"\x1b[[", 999, 0, key_none},
        {"\x1b[M a", 999, 0, key_none},
        {"\x1b[M a", 1000, 5, key_none},
        {"\x1b]0;sq", 999, 0, key_none},
        {"\x1b]0;sq\x1b", 1000, 7, key_none},
        {"\x1b[200~q\x1b[201", 999, 0, key_none},
        {"\x1b[200~q", 1000, 7, key_none},
        {"\x1b[A", 0, 3, key_up},
        {"", 1000, 0, key_none},
    };
    for (const auto &row : rows) {
        key k;
        EXPECT_EQ(row.used, decode_key(reinterpret_cast<const unsigned char *>(row.bytes.data()),
                                       static_cast<int>(row.bytes.size()), row.idle_ms, k))
            << row.bytes << " after " << row.idle_ms;
        EXPECT_EQ(row.code, k.code) << row.bytes << " after " << row.idle_ms;
    }
}

TEST(Keys, ALongTerminalStringEndsAtItsLimitAndALongPasteKeepsItsFirstMebibyte)
{
    std::string osc = "\x1b]" + std::string(5000, 'a'), paste(paste_max + 7, 'q');
    key k;
    EXPECT_EQ(4096, decode_key(reinterpret_cast<const unsigned char *>(osc.data()), 5000, 0, k));
    paste = "\x1b[200~" + paste + "\x1b[201~";
    EXPECT_EQ(static_cast<int>(paste.size()),
              decode_key(reinterpret_cast<const unsigned char *>(paste.data()),
                         static_cast<int>(paste.size()), 0, k));
    EXPECT_EQ(std::string(paste_max, 'q'), k.text);
}

// What the POSIX console writes and reads of the environment, with no terminal open.
TEST(Console, CopySendsBase64AndTheLocaleAndTermSayWhatTheTerminalShows)
{
    const struct {
        const char *text, *sent;
    } copies[] = {{"a\nbc", "YQpiYw=="}, {"Lv 3", "THYgMw=="}, {"\xff\x01", "/wE="}, {"", ""}};
    for (const auto &c : copies) {
        std::FILE *f = std::tmpfile();
        int saved = dup(STDOUT_FILENO);
        dup2(fileno(f), STDOUT_FILENO);
        EXPECT_EQ(clip_sent, console_copy_text(c.text));
        dup2(saved, STDOUT_FILENO);
        close(saved);
        char sent[64] = {};
        std::rewind(f);
        EXPECT_EQ(std::string("\x1b]52;c;") + c.sent + "\a",
                  std::string(sent, std::fread(sent, 1, sizeof sent, f)));
        std::fclose(f);
    }
    const struct {
        const char *lc_all, *lc_ctype, *lang;
        bool unicode;
    } locales[] = {{"", "", "en_GB.UTF-8", true},       {nullptr, "de_DE.utf8", "C", true},
                   {"C", "en_US.UTF-8", "", false},     {"", "", "", false},
                   {"x.Utf-8", nullptr, nullptr, true}, {nullptr, nullptr, "C.UTF8", true}};
    for (const auto &l : locales) {
        int i = 0;
        for (const char *value : {l.lc_all, l.lc_ctype, l.lang}) {
            const char *name = i == 0 ? "LC_ALL" : i == 1 ? "LC_CTYPE" : "LANG";
            value ? setenv(name, value, 1) : unsetenv(name);
            i++;
        }
        EXPECT_EQ(l.unicode, console_unicode()) << "row " << &l - locales;
    }
    std::string term;
    for (const char *t : {"xterm", "dumb", "", static_cast<const char *>(nullptr)}) {
        t ? setenv("TERM", t, 1) : unsetenv("TERM");
        EXPECT_EQ(t && *t && std::string(t) != "dumb", console_can_draw(term));
        EXPECT_EQ(t ? t : "", term);
    }
}
