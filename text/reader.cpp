// text/reader.cpp - reads an edited level text file back over the level table. It forgives much:
// comments, blank lines and level lines are skipped, cells are taken from fixed places and
// levels are told apart by counting row lines, eleven to a level.
#include "text/text.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cli/logerror.h"
#include "store/os_file.h"

namespace
{

struct reader_state {
    int level = 1;      // the level whose rows are being read
    int row = 1;        // the row the next row line fills, 1 to 11
    int cell = 0;       // the cell the next cell fills
    int color = 0;      // colors taken for the current level so far
    bool begun = false; // a row or color line was read into the current level
    read_observer observe = nullptr;
    void *context = nullptr;
    int line = 1, column = 1; // where the piece being read starts, for the observer
};

} // namespace

static void tell(const reader_state &st, read_what what, std::size_t pos, int code, int stored,
                 const char *text = nullptr)
{
    st.observe(
        {what, st.line, st.column + static_cast<int>(pos), st.level, st.row, code, stored, text},
        st.context);
}

static line_class classify(const char *line)
{
    line_class c = line_row;
    if (line[0] == '\0' || line[0] == '\n' || line[0] == '\r' || line[0] == ';' || line[0] == '#')
        c = line_ignored;
    if (std::strncmp(line, s_level, std::strlen(s_level)) == 0)
        c = line_level;
    if (std::strncmp(line, s_color, std::strlen(s_color)) == 0)
        c = line_colors;
    if (c == line_row && line[0] != '|')
        c = line_ignored;
    return c;
}

// The label and the two characters after it (": " as written) are not looked at. After a name
// exactly two characters are skipped; any other word is skipped to just past the next blank.
static void read_colors(const char *line, tb_level_entry &e, reader_state &st)
{
    std::size_t length = std::strlen(line);
    std::size_t p = std::strlen(s_color) + 2;
    while (p < length && st.color <= 7) {
        int m = match_bc_string(line + p);
        if (m <= 8) {
            e.colors[st.color] = static_cast<std::uint8_t>(m);
            e.nb_colors = static_cast<std::uint8_t>(++st.color);
            if (st.observe)
                tell(st, read_what::color, p, m, st.color);
            p += std::strlen(bc_string[m]) + 2;
        } else {
            p++;
            while (p < length && line[p - 1] != ' ')
                p++;
        }
    }
}

// Long or short is told by the row counter alone, never by the line.
static void read_row(const char *line, tb_level_entry &e, reader_state &st)
{
    const bool is_long = is_long_row(st.row);
    std::size_t pos = is_long ? 1 : 3;
    for (int j = 0; j < row_length(st.row); j++, pos += 4) {
        const int matched = match_bc_short_string(line + pos);
        // the colors at this moment: a color line below the rows comes too late for them
        const int m = drawn_code(matched == code_no_slot ? code_empty : matched, e.nb_colors);
        e.cells[st.cell++] = static_cast<std::uint8_t>(m);
        if (st.observe)
            tell(st, read_what::cell, pos, matched, m);
    }
    if (!is_long)
        e.cells[st.cell++] = code_no_slot;
    if (++st.row > nb_rows) {
        st.level++;
        st.row = 1;
        st.cell = 0;
        st.color = 0;
        st.begun = false;
    }
}

namespace
{

// Where the lines come from: a file, or text in memory (a paste); read alike.
struct text_source {
    std::FILE *f = nullptr;
    std::string_view text;
};

} // namespace

// As fgets reads into line: up to and with a line feed, at most 79 characters. 1 = a line.
static int next_line(text_source &src, std::array<char, 80> &line)
{
    if (src.f)
        return std::fgets(line.data(), static_cast<int>(line.size()), src.f) != nullptr;
    if (src.text.empty())
        return 0;
    std::size_t n = 0;
    while (n < line.size() - 1 && n < src.text.size() && (n == 0 || src.text[n - 1] != '\n'))
        n++;
    src.text.copy(line.data(), n);
    src.text.remove_prefix(n);
    return 1;
}

// A byte order mark is no text: UTF-8's is skipped, and UTF-16's tells of a file the reader
// cannot read at all. 1 = src stands at the first character to read; 0 = a read error.
static int skip_byte_order_mark(text_source &src, bool &utf16)
{
    std::array<unsigned char, 3> head{};
    std::size_t n = src.f ? std::fread(head.data(), 1, head.size(), src.f)
                          : src.text.copy(reinterpret_cast<char *>(head.data()), head.size());
    utf16 =
        n >= 2 && ((head[0] == 0xFF && head[1] == 0xFE) || (head[0] == 0xFE && head[1] == 0xFF));
    long skip = n == 3 && head[0] == 0xEF && head[1] == 0xBB && head[2] == 0xBF ? 3 : 0;
    if (!src.f) {
        src.text.remove_prefix(static_cast<std::size_t>(skip));
        return 1;
    }
    return std::fseek(src.f, skip, SEEK_SET) == 0;
}

static int read_levels(text_source &src, std::array<tb_level_entry, 31> &table,
                       read_observer observe, void *context)
{
    reader_state st;
    st.observe = observe;
    st.context = context;
    const int last = last_level();
    bool utf16 = false;
    if (!skip_byte_order_mark(src, utf16))
        return 0;
    if (utf16) { // nothing of it is read, so every level stays as the image holds it
        if (observe)
            tell(st, read_what::utf16, 0, 0, 0);
        return 1;
    }
    // 79 characters and the terminator; cleared before each read so that nothing of an earlier,
    // longer line shows through past the end of a short one
    std::array<char, 80> line;
    while (st.level <= last || observe) { // a listener hears what follows the last level too
        line.fill('\0');
        if (!next_line(src, line)) {
            int emptied = 0; // a level cut short has no colors to draw from, in any of its rows
            for (int k = st.cell; st.level <= last && st.begun && k < nb_cells; k++)
                if (table[st.level].nb_colors == 0 && table[st.level].cells[k] == code_random) {
                    table[st.level].cells[k] = code_empty;
                    emptied++;
                }
            if (observe) // the last line is the one before, unless it had no line ending
                st.observe({read_what::end, st.column > 1 ? st.line : st.line - 1, 1, st.level,
                            st.row, st.begun, emptied, nullptr},
                           st.context);
            // nothing past the last level counts
            return st.level > last || !src.f || !std::ferror(src.f);
        }
        line_class c = classify(line.data());
        if (observe)
            tell(st, read_what::piece, 0, c, 0, line.data());
        if (st.level <= last && (c == line_colors || c == line_row)) {
            tb_level_entry &e = table[st.level];
            // a level's colors are the text's once it begins; the levels a cut file does not
            // reach keep the image's, as they keep its cells
            if (!st.begun) {
                e.nb_colors = 0;
                e.colors.fill(0);
                st.begun = true;
            }
            if (c == line_colors)
                read_colors(line.data(), e, st);
            else
                read_row(line.data(), e, st);
        }
        if (observe) { // fgets stops after a line feed, or with 79 characters read
            int line_ends = std::memchr(line.data(), '\n', line.size() - 1) != nullptr;
            st.line += line_ends;
            st.column = line_ends ? 1 : st.column + static_cast<int>(line.size()) - 1;
        }
    }
    return 1;
}

int read_levels_text(std::FILE *f, std::array<tb_level_entry, 31> &table, read_observer observe,
                     void *context)
{
    text_source src;
    src.f = f;
    return read_levels(src, table, observe, context);
}

int read_levels_text(std::string_view text, std::array<tb_level_entry, 31> &table,
                     read_observer observe, void *context)
{
    text_source src;
    src.text = text;
    return read_levels(src, table, observe, context);
}

// Only a regular file is read: a pipe or a device of the name is one that cannot be. optional:
// where there is nothing of the name, tb_level stays as it is, with nothing said (the picture).
static int read_text_file(const char *path, read_observer observe, void *context, bool optional)
{
    std::FILE *f = open_regular(path);
    const bool none = !f && errno == ENOENT; // a failing disk must not pass for a missing file
    if (none && optional)
        return 1;
    logerror("Copying text file to structure ... ");
    if (!f) {
        report_error(true,
                     none ? "Levels text file '%s' not found"
                          : "Levels text file '%s' could not be read",
                     path);
        return 0;
    }
    // read over a copy, so that a read error half way leaves the decoded levels whole
    static std::array<tb_level_entry, 31> scratch;
    scratch = tb_level;
    int ok = read_levels_text(f, scratch, observe, context);
    std::fclose(f);
    if (!ok) {
        report_error(true, "Levels text file '%s' could not be read", path);
        return 0;
    }
    tb_level = scratch;
    logerror("\n");
    return 1;
}

int text_to_tb_level(const char *path, read_observer observe, void *context)
{
    return read_text_file(path, observe, context, false);
}

int text_to_tb_level_if_any(const char *path)
{
    return read_text_file(path, nullptr, nullptr, true);
}

// The run of blanks that begins every non-blank line of text, "" when there is none.
static std::string common_indent(const std::string &text)
{
    std::string run;
    bool found = false;
    for (std::size_t at = 0, end = 0; at < text.size(); at = end + 1) {
        end = std::min(text.find('\n', at), text.size());
        std::size_t lead = text.find_first_not_of(" \t", at);
        if (lead >= end)
            continue; // a blank line
        if (!found)
            run = text.substr(at, lead - at);
        found = true;
        while (text.compare(at, run.size(), run) != 0)
            run.pop_back();
    }
    return run;
}

// text with its quote marks (">", and a blank after it) taken off, when every line that is not
// blank begins with one; returns how many characters the first such line lost, 0 for none.
static std::size_t unquoted(std::string &text)
{
    std::string out;
    std::size_t first = 0;
    for (std::size_t at = 0, end = 0; at < text.size(); at = end + 1) {
        end = std::min(text.find('\n', at), text.size());
        std::size_t from = at;
        if (text.find_first_not_of(" \t", at) < end) { // not a blank line
            if (text[at] != '>')
                return 0;
            from = at + 1 + (at + 1 < end && text[at + 1] == ' ');
            first = first ? first : from - at;
        }
        out.append(text, from, end + 1 - from);
    }
    text = out;
    return first;
}

// A terminal sends a pasted line end as CR, a Windows clipboard as CR LF; a block quoted in a
// post or an e-mail comes indented, or each line behind "> ", once or more.
int read_pasted_text(std::string_view text, std::array<tb_level_entry, 31> &table,
                     read_observer observe, void *context)
{
    std::string lines, unindented;
    for (std::size_t k = 0; k < text.size(); k++)
        if (text[k] != '\r')
            lines += text[k];
        else if (k + 1 == text.size() || text[k + 1] != '\n')
            lines += '\n';
    std::size_t quoted = 0;
    for (std::size_t n = unquoted(lines); n > 0; n = unquoted(lines))
        quoted += n;
    const std::string run = common_indent(lines);
    for (std::size_t at = 0, end = 0; at < lines.size(); at = end + 1) {
        end = std::min(lines.find('\n', at), lines.size());
        std::size_t from = lines.compare(at, run.size(), run) == 0 ? at + run.size() : at;
        unindented.append(lines, from, end + 1 - from);
    }
    text_source src;
    src.text = unindented;
    read_levels(src, table, observe, context);
    return static_cast<int>(quoted + run.size());
}
