// text/update.cpp - vellumix.lvl brought in step with levels saved to the program file, level by
// level: each level chosen takes the text -savelvl writes for it in place of its own lines, found
// as the reader finds them, and every other byte of the file stays: comments, hand edits and line
// ends alike. A level's own lines run from its level line (or its first color or row line) to
// the end of its last row line.
#include "text/text.h"

#include <algorithm>

#include "cli/logerror.h"
#include "store/os_file.h"

int text_file_levels(const char *path, std::array<tb_level_entry, 31> &table)
{
    std::string bytes; // read whole first: a read error half way must leave table as it was
    return read_whole_file(path, bytes) && read_levels_text(bytes, table);
}

namespace
{

struct piece {
    std::size_t at;  // where it begins in the file
    int level, code; // the level the reader is at, and the piece's line_class
};

struct file_pieces {
    std::vector<std::size_t> line_start; // of each line the reader counts, from line 1
    std::vector<piece> pieces;
};

} // namespace

static void note_piece(const read_event &event, void *context)
{
    file_pieces &f = *static_cast<file_pieces *>(context);
    const std::size_t line = static_cast<std::size_t>(event.line) - 1;
    if (event.what == read_what::piece && line < f.line_start.size())
        f.pieces.push_back({f.line_start[line] + static_cast<std::size_t>(event.column) - 1,
                            event.level, event.code});
}

// bytes with each level listed in its own place, written as -savelvl writes it, in the line end
// of the line it replaces; a level the file does not reach is not there to replace.
static std::string with_levels(const std::string &bytes, std::vector<int> levels)
{
    file_pieces f;
    // the reader's line 1 begins past a UTF-8 byte order mark
    std::size_t p = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    for (; p < bytes.size(); p++) {
        f.line_start.push_back(p);
        p = std::min(bytes.find('\n', p), bytes.size());
    }
    std::array<tb_level_entry, 31> scratch = tb_level;
    read_levels_text(bytes, scratch, note_piece, &f);
    std::array<std::size_t, 31> from{}, to{};   // to 0: no line of the level was read
    std::size_t level_line = std::string::npos; // since the last level began
    for (std::size_t n = 0; n < f.pieces.size() && f.pieces[n].level <= last_level(); n++) {
        const piece &q = f.pieces[n];
        const std::size_t end = n + 1 < f.pieces.size() ? f.pieces[n + 1].at : bytes.size();
        if (q.code == line_level && to[q.level] == 0)
            level_line = q.at;
        if ((q.code == line_colors || q.code == line_row) && to[q.level] == 0) {
            from[q.level] = level_line != std::string::npos ? level_line : q.at;
            level_line = std::string::npos;
        }
        if (q.code == line_colors || q.code == line_row)
            to[q.level] = end;
    }
    std::sort(levels.begin(), levels.end());
    std::string out;
    std::size_t kept = 0; // bytes before kept are in out
    for (int i : levels) {
        if (i < 1 || i > last_level() || to[i] == 0)
            continue;
        const bool crlf = to[i] >= 2 && bytes.compare(to[i] - 2, 2, "\r\n") == 0;
        out.append(bytes, kept, from[i] - kept);
        std::string text = level_as_text(i);
        text.resize(text.size() - 2); // the blank lines after it are the file's own
        for (char c : text)
            out += c == '\n' && crlf ? std::string("\r\n") : std::string(1, c);
        kept = to[i];
    }
    return out.append(bytes, kept, std::string::npos);
}

int update_levels_file(const char *path, const std::vector<int> &levels)
{
    std::string bytes;
    if (!read_whole_file(path, bytes)) {
        report_error(true, "Levels text file '%s' could not be read", path);
        return 0;
    }
    const std::string text = with_levels(bytes, levels);
    temp_file t;
    if (!create_temp_beside(path, 0, t)) { // binary: the file's own line ends are kept
        report_error(true, "Levels text file '%s' could not be created", path);
        return 0;
    }
    std::fwrite(text.data(), 1, text.size(), t.f);
    if (!finish_temp(t)) { // a short write shows as a stream error here
        report_error(true, "Levels text file '%s' could not be written", path);
        return 0;
    }
    const std::string bak = std::string(path) + ".bak";
    replaced r = replace_keeping(t, bak.c_str(), nullptr);
    if (r == replaced::backup_failed)
        report_error(true, "Backup file '%s' could not be written", bak.c_str());
    else if (r != replaced::done)
        report_error(true, "Levels text file '%s' could not be created", path);
    if (r != replaced::done)
        return 0;
    return 1;
}
