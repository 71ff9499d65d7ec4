// store/codec.cpp - level records in file_data <-> tb_level. The offset table at levels_table
// holds one big-endian 32-bit offset per level; a record there is big-endian 16-bit words:
//   p + 0  n, the random color count | p + 2  n color words | p + 2 + 2n  88 cell words
// Color and cell words hold code * 2; a cell word 0xFFFE is empty, 0xFFFF the no-slot place.
// Only the low byte of each word is read back.
#include "store/store.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "cli/logerror.h"

static std::uint32_t get_u32_be(const std::uint8_t *p)
{
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 |
           std::uint32_t{p[3]};
}

static void put_u16_be(std::uint8_t *p, unsigned value)
{
    p[0] = static_cast<std::uint8_t>(value >> 8);
    p[1] = static_cast<std::uint8_t>(value);
}

static int cell_code(std::uint8_t low_byte)
{
    if (low_byte == 0xFE)
        return code_empty;
    if (low_byte == 0xFF)
        return code_no_slot;
    return low_byte >> 1;
}

// 1 = level i's record at p lies inside the image and holds only known codes; 0 = reported.
// Sums are 64-bit: an offset near 4 GiB must not wrap round into the image.
static int check_record(int i, std::uint32_t p)
{
    if (std::uint64_t{p} + 2 > prg_size) {
        report_error(true, "Level %d record at 0x%08X runs past the end of the PRG file", i, p);
        return 0;
    }
    int n = file_data[p + 1];
    if (n > 8) {
        report_error(true, "Level %d has %d random colors, 8 at most are allowed", i, n);
        return 0;
    }
    if (std::uint64_t{p} + 178 + 2 * static_cast<unsigned>(n) > prg_size) {
        report_error(true, "Level %d record at 0x%08X runs past the end of the PRG file", i, p);
        return 0;
    }
    for (int j = 0; j < n; j++) {
        int code = file_data[p + 3 + 2 * j] >> 1;
        if (code > 8) {
            report_error(true, "Level %d holds an unknown color code (%d)", i, code);
            return 0;
        }
    }
    std::uint32_t q = p + 2 + 2 * static_cast<std::uint32_t>(n);
    for (int k = 0; k < nb_cells; k++) {
        int code = cell_code(file_data[q + 2 * k + 1]);
        if (code > code_no_slot) {
            report_error(true, "Level %d holds an unknown color code (%d)", i, code);
            return 0;
        }
    }
    return 1;
}

// The record at p, as the decoder reads it: only the low byte of each word.
static void decode_record(std::uint32_t p, tb_level_entry &e)
{
    e.nb_colors = file_data[p + 1];
    e.colors.fill(0);
    for (int j = 0; j < e.nb_colors; j++)
        e.colors[j] = static_cast<std::uint8_t>(file_data[p + 3 + 2 * j] >> 1);
    std::uint32_t q = p + 2 + 2 * std::uint32_t{e.nb_colors};
    for (int k = 0; k < nb_cells; k++)
        e.cells[k] = static_cast<std::uint8_t>(cell_code(file_data[q + 2 * k + 1]));
}

static std::uint32_t record_size(int nb_colors)
{
    return 178 + 2 * static_cast<std::uint32_t>(nb_colors);
}

// A record may grow into the gap before the next record (or the offset table) when that lies
// close after it: a gap of more than 8 colors' room may hold other data of the game, so the
// record then keeps the count it was found with, as does the highest one. known_end: the room
// reaches to the next record.
static int slot_room(int i, bool &known_end)
{
    const std::uint64_t p = tb_level[i].start, end = p + record_size(tb_level[i].nb_colors);
    std::uint64_t next = levels_table >= end ? levels_table : UINT64_MAX;
    for (int j = 1; j <= last_level(); j++)
        if (j != i && tb_level[j].start >= end && tb_level[j].start < next)
            next = tb_level[j].start;
    known_end = next != UINT64_MAX && next - p <= record_size(8);
    if (!known_end)
        return tb_level[i].nb_colors;
    return static_cast<int>((next - p - 178) / 2);
}

constexpr std::uint32_t table_size = 4 * 30;
static std::array<std::uint8_t, table_size> table_loaded; // the offset table as decoded

int data_to_tb_level()
{
    logerror("Copying PRG data to structure ... ");
    std::copy(file_data + levels_table, file_data + levels_table + table_size,
              table_loaded.begin());
    for (int i = 1; i <= last_level(); i++) {
        std::uint32_t p = get_u32_be(file_data + levels_table + 4 * (i - 1));
        if (!check_record(i, p))
            return 0; // nothing half-decoded is ever shown or saved
        tb_level_entry &e = tb_level[i];
        e.level = static_cast<std::uint8_t>(i);
        e.start = p;
        decode_record(p, e);
    }
    for (int i = 1; i <= last_level(); i++)
        record_room[i] = static_cast<std::uint8_t>(slot_room(i, record_end_known[i]));
    logerror("\n");
    return 1;
}

static bool overlap(int i, int j)
{
    const std::uint64_t a = tb_level[i].start, b = tb_level[j].start;
    return a < b + record_size(tb_level[j].nb_colors) && b < a + record_size(tb_level[i].nb_colors);
}

// Records that share bytes in the image are written in turn: the first level that no longer
// reads back as it was written is named with the later one written over it. 1 = all read back.
static int records_read_back()
{
    for (int i = 1; i <= last_level(); i++) {
        const tb_level_entry &was = tb_level[i];
        tb_level_entry e = was;
        // a count written over by a cell word may read as 255: decode no further than a match
        if (file_data[was.start + 1] == was.nb_colors) {
            decode_record(was.start, e);
            if (e.colors == was.colors && e.cells == was.cells)
                continue;
        }
        int j = i + 1;
        while (j <= last_level() && !overlap(i, j))
            j++;
        if (j > last_level()) // only a later record can have been written over it
            j = i;
        report_error(true, "Level %d record at 0x%08X is overwritten by level %d record at 0x%08X",
                     i, static_cast<unsigned>(was.start), j,
                     static_cast<unsigned>(tb_level[j].start));
        return 0;
    }
    return 1;
}

// The offset table is only ever read: a record written over it would leave an image whose levels
// lie elsewhere, or nowhere. 1 = it is as decoded; 0 = the first level written over it reported.
static int table_as_loaded()
{
    if (std::equal(table_loaded.begin(), table_loaded.end(), file_data + levels_table))
        return 1;
    int i = 1;
    while (i < last_level() &&
           !(tb_level[i].start < levels_table + table_size &&
             levels_table < tb_level[i].start + record_size(tb_level[i].nb_colors)))
        i++;
    report_error(true, "Level %d record at 0x%08X runs over the level offset table at 0x%08X", i,
                 static_cast<unsigned>(tb_level[i].start), static_cast<unsigned>(levels_table));
    return 0;
}

int tb_level_to_data()
{
    logerror("Copying structure to PRG file ... ");
    // a longer record would run over the next one or other data of the game: refuse them all
    int grown = 0;
    for (int i = 1; i <= last_level(); i++) {
        if (tb_level[i].nb_colors > record_room[i]) {
            report_error(true, "Level %d has %d random colors, its record has room for %d only", i,
                         tb_level[i].nb_colors, record_room[i]);
            grown = 1;
        }
    }
    if (grown)
        return 0;
    for (int i = 1; i <= last_level(); i++) {
        const tb_level_entry &e = tb_level[i];
        std::uint8_t *p = file_data + e.start;
        put_u16_be(p, e.nb_colors);
        for (int j = 0; j < e.nb_colors; j++)
            put_u16_be(p + 2 + 2 * j, e.colors[j] * 2u);
        std::uint8_t *q = p + 2 + 2 * e.nb_colors;
        for (int k = 0; k < nb_cells; k++) {
            unsigned c = e.cells[k];
            put_u16_be(q + 2 * k, c == code_empty ? 0xFFFEu : c == code_no_slot ? 0xFFFFu : c * 2);
        }
    }
    if (!records_read_back() || !table_as_loaded())
        return 0;
    logerror("\n");
    return 1;
}
