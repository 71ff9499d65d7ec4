// text/check.cpp - the check action: listens to the reader reading the text file and tells, in
// the form editors jump from ("file:line:column: warning: ..."), each place where what it takes
// differs from what the text says, then which levels now differ from the program image. A level
// pasted into the editor is checked by the same listener, in its own lines only.
#include "text/text.h"

#include <array>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace
{

struct taken { // a cell place or a color name, as the reader took it
    int pos, code, stored;
};

struct checker {
    const char *path = "";
    std::vector<std::string> report; // its lines, in the order of the file
    int nb_warnings = 0;
    int first_line = 0, first_column = 0; // where the first warning is, and its words
    std::string first_words;
    // A paste is one level read over the level shown: only its first level's lines are checked,
    // with the level shown named in the words, and not where it would stand in a file.
    bool paste = false;
    int renumber = 0; // added to the reader's level numbers in the words
    int rows = 0;     // the row lines read
    // the piece being read: its text and where it starts, and the reader's place there
    read_event piece{};
    std::string text;
    std::vector<taken> found;
    int colors_before = 0; // the level's colors before this piece
    // rows the reader is ahead of the level lines, as last reported (0: in step)
    int shift = 0;
    int heading = 0;      // the number of the last level line, 0 before the first
    int long_line = 0;    // the last line found longer than 79 characters
    int comment_line = 0; // the last line that began as a comment
    std::array<int, 31> first_row_line{}, first_color_line{}, nb_colors{};
    // A level whose colors outgrow its record is told where the list first grows too long,
    // with the count it ends with, once its reading is over; refused: told already.
    std::array<bool, 31> refused{};
    struct refusal {
        int level, line, column;
        std::size_t at; // the place in report
    };
    std::vector<refusal> refusals;
};

constexpr int max_shown = 1000; // a file of nothing but mistakes must not fill the memory

} // namespace

#if defined(__GNUC__)
__attribute__((format(printf, 2, 3)))
#endif
static void
add(std::vector<std::string> &report, const char *format, ...)
{
    std::array<char, 400> line;
    va_list args;
    va_start(args, format);
    std::vsnprintf(line.data(), line.size(), format, args);
    va_end(args);
    report.push_back(line.data());
}

#if defined(__GNUC__)
__attribute__((format(printf, 4, 5)))
#endif
static void
warn(checker &c, int line, int column, const char *format, ...)
{
    if (c.paste && c.piece.level != 1)
        return;
    if (++c.nb_warnings > max_shown)
        return;
    std::array<char, 320> message;
    va_list args;
    va_start(args, format);
    std::vsnprintf(message.data(), message.size(), format, args);
    va_end(args);
    if (c.nb_warnings == 1) {
        c.first_line = line;
        c.first_column = column;
        c.first_words = message.data();
    }
    add(c.report, "%s:%d:%d: warning: %s\n", c.path, line, column, message.data());
}

static int at(const checker &c, int pos) { return c.piece.column + pos; }    // a column
static int named(const checker &c, int level) { return level + c.renumber; } // in the words

// Text of the piece from pos, at most n characters, shown safely in a message.
static std::string shown(const std::string &text, std::size_t pos, std::size_t n)
{
    std::string s = text.substr(pos < text.size() ? pos : text.size(), n);
    for (char &ch : s)
        if (ch < ' ' || ch > '~' || ch == '\'')
            ch = '?';
    return s;
}

// text holds word from pos on, letter case aside
static bool holds_without_case(const std::string &text, std::size_t pos, const char *word)
{
    for (; *word; word++, pos++)
        if (pos >= text.size() || (text[pos] | 0x20) != *word)
            return false;
    return true;
}

static bool is_letter(char ch) { return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z'); }

// The cells of the piece sit where a row of that kind has them: "|", then 8 cell names (a long
// row), or "|..", then 7 (a short one).
static bool laid_out_as(const checker &c, bool long_row)
{
    if (!long_row && c.text.compare(0, 3, "|..") != 0)
        return false;
    for (std::size_t j = 0, pos = long_row ? 1 : 3; j < (long_row ? 8u : 7u); j++, pos += 4)
        if (pos + 4 > c.text.size() || match_bc_short_string(c.text.c_str() + pos) == code_no_slot)
            return false;
    return true;
}

static void check_row(checker &c)
{
    const read_event &p = c.piece;
    bool long_row = is_long_row(p.row);
    if (!laid_out_as(c, long_row) && laid_out_as(c, !long_row)) {
        if (c.shift == 0) // else the level line above has told why
            warn(c, p.line, p.column,
                 "a %s row where the reader is at level %d row %d, a %s row: its cells are "
                 "read at the wrong places",
                 long_row ? "short" : "long", named(c, p.level), p.row,
                 long_row ? "long" : "short");
        return;
    }
    for (const taken &t : c.found) {
        if (t.pos + 4 > static_cast<int>(c.text.size())) {
            warn(c, p.line, at(c, static_cast<int>(c.text.size())),
                 "the row line ends before its last cell: the missing cells of level %d row %d "
                 "are read as empty",
                 named(c, p.level), p.row);
            return;
        }
        if (t.code == code_no_slot)
            warn(c, p.line, at(c, t.pos), "'%s' is no cell name: read as an empty cell",
                 shown(c.text, t.pos, 4).c_str());
        else if (t.code == code_random && t.stored == code_empty)
            warn(c, p.line, at(c, t.pos),
                 "a random cell in level %d, which has no random colors at this point: read as "
                 "an empty cell",
                 named(c, p.level));
    }
    // after the cells, only the closing "|" (or "..|") and blanks are expected
    const std::size_t end = long_row ? 33 : 31;
    std::string closing = long_row ? "|" : "..|",
                tail = c.text.size() > end ? c.text.substr(end) : "";
    tail.erase(tail.find_last_not_of(" \t") + 1);
    std::size_t same = 0;
    while (same < tail.size() && same < closing.size() && tail[same] == closing[same])
        same++;
    if (same < tail.size() && tail != "|")
        warn(c, p.line, at(c, static_cast<int>(end + same)),
             "'%s' after the last cell of the row is ignored", shown(tail, same, 24).c_str());
}

static bool color_name_in_capitals(const std::string &word)
{
    for (int code = 0; code <= 8; code++)
        if (word.size() == std::strlen(bc_string[code]) &&
            holds_without_case(word, 0, bc_string[code]))
            return true;
    return false;
}

// Words are runs of letters after the label; each should be one name, taken where it begins.
static void check_color_words(checker &c)
{
    const read_event &p = c.piece;
    const int label = static_cast<int>(std::strlen(s_color));
    int count = c.colors_before;
    std::size_t next = 0; // the next color taken, in c.found
    for (int a = label, b; a < static_cast<int>(c.text.size()); a = b) {
        while (a < static_cast<int>(c.text.size()) && !is_letter(c.text[a]))
            a++;
        for (b = a; b < static_cast<int>(c.text.size()) && is_letter(c.text[b]);)
            b++;
        if (a == b)
            break;
        const std::string word = c.text.substr(a, b - a);
        std::string read_as;
        for (; next < c.found.size() && c.found[next].pos < b; next++) {
            const taken &t = c.found[next];
            read_as += (read_as.empty() ? "" : ", ") + std::string(bc_string[t.code]);
            count = t.stored;
            if (count > record_room[p.level] && !c.refused[p.level] && !c.paste) {
                c.refused[p.level] = true;
                if (++c.nb_warnings <= max_shown)
                    c.refusals.push_back({p.level, p.line, at(c, t.pos), c.report.size()});
            }
        }
        if (!read_as.empty()) {
            if (read_as != word) // taken where the word begins, or inside it
                warn(c, p.line, at(c, a), "'%s' is read as %s", word.c_str(), read_as.c_str());
            continue;
        }
        int code = match_bc_string(word.c_str());
        const char *why = "is no color name: skipped";
        if (word == bc_string[code_empty])
            why = "is no random color: skipped";
        else if (code > 8 || word.size() != std::strlen(bc_string[code]))
            why = color_name_in_capitals(word) ? "is skipped: color names are written in lower "
                                                 "case"
                                               : why;
        else if (a < label + 2)
            why = "is lost: the reader looks for names only after \"Random colors : \"";
        else if (count == 8)
            why = "is a ninth random color for the level: dropped";
        else
            why = "is lost: after each name the reader skips two characters, so names must be "
                  "parted by \", \"";
        warn(c, p.line, at(c, a), "'%s' %s", word.c_str(), why);
    }
}

static void check_colors(checker &c)
{
    const read_event &p = c.piece;
    int &first = c.first_color_line[p.level];
    if (first)
        warn(c, p.line, p.column,
             "a second color line for level %d: its colors are added to those of line %d",
             named(c, p.level), first);
    else if (c.shift == 0 && p.row > 1) // else a level line above has told where it is
        warn(c, p.line, p.column,
             "a color line after the first row line of level %d: it counts for level %d, but "
             "random cells above it are read as empty",
             named(c, p.level), named(c, p.level));
    else if (c.shift == 0 && c.heading && c.heading != p.level)
        warn(c, p.line, p.column,
             "a color line after the rows of level %d: read as the random colors of level %d",
             c.heading, p.level);
    if (!first)
        first = p.line;
    check_color_words(c);
}

static void check_level_line(checker &c)
{
    const read_event &p = c.piece;
    const char *digits = c.text.c_str() + std::strlen(s_level);
    while (*digits == ' ')
        digits++;
    int n = 0;
    for (int k = 0; k < 3 && *digits >= '0' && *digits <= '9'; k++)
        n = n * 10 + (*digits++ - '0');
    if (n < 1 || n > last_level() || c.paste) // a paste is read over the level shown
        return;
    c.heading = n;
    int shift = (p.level - n) * 11 + p.row - 1;
    if (shift != 0 && shift != c.shift) {
        int rows = shift < 0 ? -shift : shift;
        warn(c, p.line, p.column,
             "the rows below are read from level %d row %d on, not level %d row 1: %d row "
             "line%s %s above%s",
             p.level, p.row, n, rows, rows == 1 ? "" : "s", shift < 0 ? "missing" : "too many",
             rows % 11 == 0 ? " (a whole level)" : "");
    }
    c.shift = shift;
}

static void check_ignored(checker &c)
{
    const std::string &t = c.text;
    std::size_t first = t.find_first_not_of(" \t");
    if (first == std::string::npos || t[0] == ';' || t[0] == '#')
        return; // blank, or a comment
    const char *why = "it is no row line (\"|\" first), color line, level line, comment "
                      "(\";\" or \"#\" first) nor blank line";
    if (t[first] == '|')
        why = "a row line must begin with \"|\", with no blank before it";
    else if (holds_without_case(t, 0, "random colo"))
        why = "a color line begins with \"Random colors :\" exactly";
    else if (holds_without_case(t, 0, "lev"))
        why = "a level line begins with \"Level \" exactly";
    warn(c, c.piece.line, c.piece.column, "line ignored: %s", why);
}

// Everything about a piece is known once the next one begins: its cells, its colors.
static void check_piece(checker &c)
{
    const read_event &p = c.piece;
    if (!c.piece.text)
        return;
    bool read = p.level <= last_level();
    if (read && p.code == line_row && !c.first_row_line[p.level])
        c.first_row_line[p.level] = p.line;
    // the rest of a line longer than 79 characters: told once a line, and again where a piece of
    // it is read as a row or color line; a long comment only where it is read as more
    if (p.column > 1) {
        bool telling = p.code == line_row || p.code == line_colors;
        bool comment = p.line == c.comment_line;
        if (comment ? read && (telling || p.code == line_level)
                    : !c.text.empty() && (p.line != c.long_line || (read && telling)))
            warn(c, p.line, p.column,
                 "line longer than 79 characters: from here on it is read as a line of its "
                 "own%s",
                 !read || !telling    ? ""
                 : p.code == line_row ? ", a row line"
                                      : ", a color line");
        c.long_line = p.line;
        return;
    }
    if (p.code == line_ignored && (c.text[0] == ';' || c.text[0] == '#'))
        c.comment_line = p.line;
    if (p.level > last_level()) {
        if (p.code == line_row || p.code == line_colors)
            warn(c, p.line, p.column,
                 "%s line after the 11th row of the last level: ignored, reading ends there",
                 p.code == line_row ? "a row" : "a color");
        return;
    }
    if (p.code == line_row) {
        check_row(c);
    } else if (p.code == line_colors) {
        check_colors(c);
    } else if (p.code == line_level) {
        check_level_line(c);
    } else {
        check_ignored(c);
    }
}

// A file that ends inside the levels: the levels it did not begin keep all the image holds, and
// one it began (event.code) keeps the cells of the rows it did not reach.
static void tell_end(checker &c, const read_event &event)
{
    const int line = event.line > 0 ? event.line : 1, last = last_level();
    if (event.level > last)
        return;
    const int first_kept = event.level + event.code;
    std::string kept = "level " + std::to_string(last);
    if (first_kept < last)
        kept = "levels " + std::to_string(first_kept) + " to " + std::to_string(last);
    const char *their = first_kept == last ? "its" : "their";
    if (event.code) {
        std::string others;
        if (event.stored)
            others = " (" + std::to_string(event.stored) + " random cell" +
                     (event.stored == 1 ? "" : "s") + " read as empty: it has no random colors)";
        if (event.level < last)
            others += ", and " + kept + " " + their + " cells and random colors";
        warn(c, line, 1,
             "the file ends at level %d row %d: the rows from there on keep their cells from %s%s",
             event.level, event.row, prg_name, others.c_str());
        return;
    }
    std::string where = "before level 1";
    if (event.level > 1)
        where = "after level " + std::to_string(event.level - 1);
    add(c.report, "%s:%d:1: note: the file ends %s: %s keep%s %s cells and random colors from %s\n",
        c.path, line, where.c_str(), kept.c_str(), first_kept == last ? "s" : "", their, prg_name);
}

static void observe_reading(const read_event &event, void *context)
{
    checker &c = *static_cast<checker *>(context);
    if (event.what == read_what::cell || event.what == read_what::color) {
        c.found.push_back({event.column - c.piece.column, event.code, event.stored});
        if (event.what == read_what::color)
            c.nb_colors[event.level] = event.stored;
        return;
    }
    check_piece(c);
    c.found.clear();
    if (event.what == read_what::piece) {
        c.rows += event.code == line_row;
        c.piece = event;
        c.text = event.text;
        c.text.erase(c.text.find_last_not_of("\r\n") + 1); // the line ending is not looked at
        c.colors_before = event.level <= last_level() ? c.nb_colors[event.level] : 0;
        return;
    }
    if (event.what == read_what::utf16) {
        warn(c, 1, 1,
             "the file is saved as UTF-16 (\"Unicode\"): nothing is read from it; save it as "
             "UTF-8 or ANSI");
        return;
    }
    tell_end(c, event);
    c.piece = event; // the last line, for the notes
}

int check_levels_text(const char *path, std::FILE *out, int &nb_warnings)
{
    checker c;
    c.path = path;
    const std::array<tb_level_entry, 31> decoded = tb_level;
    if (!text_to_tb_level(path, observe_reading, &c))
        return 0;
    int changed = 0;
    for (int i = 1; i <= last_level(); i++) {
        const tb_level_entry &was = decoded[i], &now = tb_level[i];
        int cells = 0;
        for (int k = 0; k < nb_cells; k++)
            cells += was.cells[k] != now.cells[k];
        bool colors = was.nb_colors != now.nb_colors || was.colors != now.colors;
        if (!cells && !colors)
            continue;
        changed++;
        int line = c.first_row_line[i] ? c.first_row_line[i] : c.piece.line;
        if (!cells && c.first_color_line[i])
            line = c.first_color_line[i];
        std::string what = cells ? std::to_string(cells) + (cells == 1 ? " cell" : " cells") : "";
        what += colors ? (cells ? " and its random colors" : "its random colors") : "";
        add(c.report, "%s:%d:1: note: level %d: %s differ%s from %s\n", path, line > 0 ? line : 1,
            i, what.c_str(), cells == 1 && !colors ? "s" : "", prg_name);
    }
    if (c.nb_warnings > max_shown)
        add(c.report, "%s: %d more warnings not shown\n", path, c.nb_warnings - max_shown);
    add(c.report, "%s: %d warning%s, %d level%s changed\n", path, c.nb_warnings,
        c.nb_warnings == 1 ? "" : "s", changed, changed == 1 ? "" : "s");
    // the last first, so that the places of the others stay where they were
    for (auto r = c.refusals.rbegin(); r != c.refusals.rend(); ++r) {
        int n = tb_level[r->level].nb_colors; // as the level ends, which -saveprg refuses
        std::vector<std::string> line;
        add(line,
            "%s:%d:%d: warning: level %d now has %d random color%s, but its record in %s has room "
            "for %d only: -saveprg will refuse it\n",
            path, r->line, r->column, r->level, n, n == 1 ? "" : "s", prg_name,
            record_room[r->level]);
        c.report.insert(c.report.begin() + static_cast<long>(r->at), line[0]);
    }
    for (const std::string &line : c.report)
        std::fputs(line.c_str(), out);
    nb_warnings = c.nb_warnings;
    return 1;
}

pasted_level read_pasted_level(std::string_view text, int on)
{
    checker c;
    c.paste = true;
    c.renumber = on - 1;
    static std::array<tb_level_entry, 31> scratch; // every level of the text read over level on
    scratch.fill(tb_level[on]);
    const int indent = read_pasted_text(text, scratch, observe_reading, &c);
    pasted_level p;
    p.level = scratch[1];
    p.rows = c.rows;
    p.nb_warnings = c.nb_warnings;
    p.line = c.first_line;
    p.column = c.first_column + indent; // as pasted
    p.warning = c.first_words;
    return p;
}
