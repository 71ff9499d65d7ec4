// store/store.h - the program image in memory, the level table decoded from it and the color
// codes that both hold. Everything here is process-wide and lives for the whole run.
#ifndef STORE_STORE_H
#define STORE_STORE_H

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>

// The program image: its file name, its fixed size and where the levels are inside it.
constexpr const char *prg_name = "KR_PROG.PRG";
constexpr std::uint32_t prg_size = 232882;
constexpr std::uint32_t prg_levels_table = 0x1E8BC;
constexpr std::uint16_t prg_nb_levels = 30;

extern std::uint8_t *file_data;    // prg_size bytes, allocated by main
extern std::uint32_t levels_table; // set by a successful load_prg
extern std::uint16_t nb_levels;    // set by a successful load_prg
// The last level that every loop over the levels reaches: nb_levels, and never past the table.
inline int last_level() { return nb_levels < 30 ? nb_levels : 30; }

// Color codes: 0 random, 1 to 8 the colors, 9 empty, 10 no slot (the end of a short row).
constexpr int code_random = 0;
constexpr int code_empty = 9;
constexpr int code_no_slot = 10;

// The board: rows 1 to 11, counted as the text file shows them, each 8 slots of the cells array.
// Odd rows are long (8 cells); even rows are short (7 cells, drawn half a cell to the right),
// and their 8th slot is the no-slot place. A cell's half-cell column x is where it is drawn:
// slot j of a long row at x = 2j, of a short row at x = 2j + 1.
constexpr int nb_rows = 11;
constexpr int nb_cells = 8 * nb_rows;
constexpr bool is_long_row(int row) { return row % 2 == 1; }
constexpr int row_length(int row) { return is_long_row(row) ? 8 : 7; }
constexpr int cell_index(int row, int slot) { return (row - 1) * 8 + slot; }
constexpr int row_of(int k) { return k / 8 + 1; }
constexpr int slot_of(int k) { return k % 8; }
constexpr bool is_no_slot(int k) { return slot_of(k) >= row_length(row_of(k)); }
constexpr int half_column(int k) { return 2 * slot_of(k) + (is_long_row(row_of(k)) ? 0 : 1); }
// The cell of row drawn at half-cell column x, or -1 where there is none.
constexpr int cell_at_half_column(int row, int x)
{
    if (row < 1 || row > nb_rows || x < 0 || (x % 2 == 0) != is_long_row(row))
        return -1;
    return x / 2 < row_length(row) ? cell_index(row, x / 2) : -1;
}

struct tb_level_entry {
    std::uint8_t level;     // its own index, 1 to 30
    std::uint32_t start;    // offset of its record in file_data
    std::uint8_t nb_colors; // entries of colors in use; the rest are 0
    std::array<std::uint8_t, 8> colors;
    std::array<std::uint8_t, nb_cells> cells;
};

// The same level: number and record offset are the table's, the rest is what an edit changes.
inline bool same_level(const tb_level_entry &a, const tb_level_entry &b)
{
    return a.nb_colors == b.nb_colors && a.colors == b.colors && a.cells == b.cells;
}

// The rules of a level in its record, one place for every route that changes cells or colors
// (the reader, the editor's tools and pastes, a restore). A random cell draws from its level's
// random colors: where there are none it is an empty cell.
constexpr int drawn_code(int code, int nb_colors)
{
    return code == code_random && nb_colors == 0 ? code_empty : code;
}
// How a level's random colors stand in its record: within its room; over it (a save refuses
// them); or fewer than a room that is only the record's own count, which saving shrinks for good.
enum class room_state { fits, over, shrinks };
// Empties e's random cells where it has no random colors (emptied: how many) and says how its
// colors stand in level i's record.
room_state keep_level_rules(tb_level_entry &e, int i, int &emptied);
// Puts from's cells and random colors into to, whose number and record stay. A stamp puts only
// from's cells that are not empty, and its colors only when it has some.
void copy_level(tb_level_entry &to, const tb_level_entry &from, bool stamp = false);

// Indexed by level number 1 to 30; entry 0 is never used.
extern std::array<tb_level_entry, 31> tb_level;
// The most random colors each level's record may hold: what its slot in the image has room for,
// up to the next record or the offset table, and never less than it held when decoded.
extern std::array<std::uint8_t, 31> record_room;
// Whether that room ends where the next record (or the offset table) begins. When it does not
// (the highest record, or one with a wide gap after it), the room is only the count the record
// was found with: a list saved shorter shrinks it for good.
extern std::array<bool, 31> record_end_known;

extern const char *const bc_string[10];       // long names, for color lines
extern const char *const bc_short_string[10]; // four-character cell names
extern const char *const s_level;
extern const char *const s_start;
extern const char *const s_color;

// The code whose name begins text (letter case counts), or 10 when none does.
int match_bc_string(const char *text);
int match_bc_short_string(const char *text);

// What a program file holds past the image, known without being held: its size and a hash.
struct tail_sum {
    std::uint64_t size = 0, hash = 0xCBF29CE484222325u; // FNV-1a's start
};
inline bool same_tail(const tail_sum &a, const tail_sum &b)
{
    return a.size == b.size && a.hash == b.hash;
}
// Where a save takes the tail from, when not from the file it replaces: from, at offset at,
// which must hold what sum says.
struct prg_tail {
    std::FILE *from = nullptr;
    long at = 0;
    tail_sum sum;
};

// Whole-file transfers that report their own failures. load_file returns the number of bytes it
// read (size when all went well); save_file returns size once path was replaced atomically, with
// the tail kept after it (what the old file held past size, or tail's), the old file kept as
// path.bak and, the first time, as path.orig; 0 on any failure.
std::uint32_t load_file(const char *path, std::uint32_t size, std::uint8_t *buffer);
std::uint32_t save_file(const char *path, std::uint32_t size, const std::uint8_t *buffer,
                        const prg_tail *tail = nullptr);
// The program file as it is now: its first prg_size bytes in image (fewer when it is shorter),
// the rest summed in tail and copied to copy when not null. 1 = read; 0 = it could not be
// (errno ENOENT: there is none). Nothing is reported.
int read_prg_file(const char *path, std::string &image, tail_sum &tail, std::FILE *copy);
// The whole of path, a regular file: 1 = read into bytes; 0 = it could not be (errno ENOENT:
// there is none).
int read_whole_file(const char *path, std::string &bytes);
int load_prg();                               // 1 = the whole image is in file_data
int save_prg(const prg_tail *tail = nullptr); // 1 = the image file now holds file_data

int data_to_tb_level(); // 1 = every record decoded; 0 = the first bad one was reported
// 1 = every record encoded; 0 = a record that would outgrow its slot, or one that another
// overwrites, was reported (and file_data is no longer what any file holds)
int tb_level_to_data();

#endif
