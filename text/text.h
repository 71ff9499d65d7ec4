// text/text.h - the level text file: the layout people edit, its writer and its reader.
#ifndef TEXT_TEXT_H
#define TEXT_TEXT_H

#include <array>
#include <cstdio>

#include "store/store.h"

constexpr const char *editor_version = "0.11";
constexpr const char *build_date = "2007.11.10";
// Stands in the help banner and the text file's header: "# ", this, ", " and the date stay
// within the 79 characters that the reader takes as one line.
constexpr const char *credit_text = "Written by the Vellumix developers";

// "vellumix.lvl", or "vellumix.svg" for the picture, in the current directory
const char *levels_file_name(int picture);

// The writer: header and levels in the layout people edit. 1 = the stream shows no error.
int display_levels(std::FILE *stream);
void display_one_level(std::FILE *stream, int i);

// The picture: every level drawn as the player sees it.
void display_levels_svg(std::FILE *f);

// Writes the levels as text (picture = 0) or as the picture into path, in text mode, whole or
// not at all. 1 = written; 0 = reported, and the old file left as it was.
int save_levels_file(const char *path, int picture);

// The reader. text_to_tb_level overlays the file on tb_level: 1 = read to its end;
// 0 = not found or a read error, reported, and tb_level left as it was.
int text_to_tb_level(const char *path);
// Overlays what f holds on table: 1 = read to its end (or the last level); 0 = a read error.
int read_levels_text(std::FILE *f, std::array<tb_level_entry, 31> &table);

#endif
