// text/text.h - the level text file: the layout people edit, its writer and its reader.
#ifndef TEXT_TEXT_H
#define TEXT_TEXT_H

#include <array>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "store/store.h"

constexpr const char *editor_version = VELLUMIX_VERSION; // from the build, project()
constexpr const char *build_date = "2007.11.10";
// Stands in the help banner and the text file's header: "# ", this, ", " and the date stay
// within the 79 characters that the reader takes as one line.
constexpr const char *credit_text = "Written by the Vellumix developers";

// "vellumix.lvl", or "vellumix.svg" for the picture, in the current directory
const char *levels_file_name(int picture);

// The writer: header and levels in the layout people edit. 1 = the stream shows no error.
int display_levels(std::FILE *stream);
void display_one_level(std::FILE *stream, int i);
std::string level_as_text(int i); // what display_one_level writes, each line ending in "\n"

// Levels named for people: "level 3", "levels 3, 7 and 15", or past five "12 levels".
std::string levels_named(const std::vector<int> &levels);

// The picture: every level drawn as the player sees it.
void display_levels_svg(std::FILE *f);

// Writes the levels as text (picture = 0) or as the picture into path, in text mode, whole or
// not at all, the file replaced kept as path.bak when backup. 1 = written; 0 = reported, and
// the old file left as it was.
int save_levels_file(const char *path, int picture, int backup);

// What the reader just did, told to whoever listens (the check action). A piece is a line, or
// a part of one longer than 79 characters; pieces after the last level's rows are told too,
// with level past the last, though nothing is taken from them. utf16: the file begins with a
// UTF-16 byte order mark, and nothing more is told or read.
enum class read_what { piece, cell, color, end, utf16 };
enum line_class { line_ignored, line_level, line_colors, line_row };
struct read_event {
    read_what what;
    int line, column; // where in the file, from 1; end: the last line
    int level, row;   // the level and row that the next row line fills
    int code;         // piece: its line_class; cell: the code its name matched; color: taken;
                      // end: 1 when a row or color line was read into that level
    int stored;       // cell: the code stored; color: the level's colors so far; end: the
                      // random cells of a level without colors emptied past the last row read
    const char *text; // piece: what was read
};
using read_observer = void (*)(const read_event &event, void *context);

// The reader. text_to_tb_level overlays the file on tb_level: 1 = read to its end;
// 0 = not found or a read error, reported, and tb_level left as it was.
int text_to_tb_level(const char *path, read_observer observe = nullptr, void *context = nullptr);
// The same where the file is optional (the picture): 1 = read, or there is no such file and
// tb_level stays; 0 = it is there, or may be, and could not be read, reported.
int text_to_tb_level_if_any(const char *path);
// Overlays what f (or text, its bytes as they are) holds on table: 1 = read to its end (or the
// last level); 0 = a read error.
int read_levels_text(std::FILE *f, std::array<tb_level_entry, 31> &table,
                     read_observer observe = nullptr, void *context = nullptr);
int read_levels_text(std::string_view text, std::array<tb_level_entry, 31> &table,
                     read_observer observe = nullptr, void *context = nullptr);

// ---- update.cpp: the text file brought in step with levels saved elsewhere

// Reads path over table as -saveprg reads it: 1 = read; 0 = it is not there or cannot be read,
// and table is as it was. Nothing is reported.
int text_file_levels(const char *path, std::array<tb_level_entry, 31> &table);
// Puts the text -savelvl writes for each level listed (of tb_level) in place of that level's own
// lines in path, found as the reader finds them; every other byte stays. Written whole or not
// at all, the file replaced kept as path.bak: 1 = written; 0 = reported, path as it was.
int update_levels_file(const char *path, const std::vector<int> &levels);

// Reads pasted text over table as the text file is read, its lines ending in CR, LF or CR LF,
// and the quote marks ("> ") and the run of blanks that begin every non-blank line taken off:
// returns how many characters that took off the first such line, which the columns observe
// hears do not count.
int read_pasted_text(std::string_view text, std::array<tb_level_entry, 31> &table,
                     read_observer observe, void *context);

// A level pasted as text over level on, checked as the check action checks a file, in the lines
// of the first level it holds, the one taken: not where it would stand in a file, nor its colors
// against a record's room.
struct pasted_level {
    tb_level_entry level{};   // the first level the text holds, read over level on
    int rows = 0;             // the row lines the text holds
    int nb_warnings = 0;      // the check's warnings in the lines of the level taken
    int line = 0, column = 0; // the first of them, in the text as pasted, and its words
    std::string warning;
};
pasted_level read_pasted_level(std::string_view text, int on);

// The check action: reads the text file as -loadlvl does and writes to out, in the form
// "file:line:column: warning: ...", each place where the reader does not take what the text
// says, then a note for each level that differs from the image. 1 = the file was read (the
// warnings counted in nb_warnings); 0 = it could not be, reported.
int check_levels_text(const char *path, std::FILE *out, int &nb_warnings);

#endif
