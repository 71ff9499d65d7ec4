// tools/sample_image.cpp - thirty puzzle-like levels: shapes and patterns of colors, some with
// random colors and random cells. Nothing here comes from any real game.
#include "tools/sample_image.h"

#include <array>

#include "cli/logerror.h"
#include "store/store.h"

namespace
{

struct lcg { // a fixed generator, so that the image never changes between builds
    std::uint32_t state;
    std::uint32_t next()
    {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
};

struct sample_level {
    int nb_colors = 0;
    std::array<int, 8> colors{};
    std::array<int, 88> cells{};
};

} // namespace

// The color of the cell at row r (from 0) and slot s for a level drawn with shape `shape`.
// Rows below `depth` stay empty. Returns 9 (empty) for a cell outside the shape.
static int shape_cell(int shape, int r, int s, int depth, const std::array<int, 4> &pal)
{
    int width = row_length(r + 1);
    int mid2 = width - 1; // twice the distance of the middle from slot 0
    int from_mid = s * 2 > mid2 ? s * 2 - mid2 : mid2 - s * 2;
    if (r >= depth)
        return 9;
    switch (shape) {
    case 0: // stripes of pairs, as a first level often has
        return pal[(s / 2 + r / 2) % 4];
    case 1: // checker of two colors
        return pal[(r + s) % 2];
    case 2: // a diamond around the middle
        return from_mid + (r * 2 > depth ? r * 2 - depth : depth - r * 2) <= depth ? pal[r % 3] : 9;
    case 3: // a V that narrows downwards
        return from_mid >= r ? pal[(r / 2) % 4] : 9;
    case 4: // a frame with a different heart
        return r == 0 || r == depth - 1 || s == 0 || s == width - 1 ? pal[0] : pal[1 + r % 3];
    default: // columns
        return pal[s % 4];
    }
}

static sample_level design_level(int level, lcg &rng)
{
    sample_level l;
    std::array<int, 4> pal;
    for (int j = 0; j < 4; j++)
        pal[j] = 1 + (level * 3 + j * 5) % 8;
    int depth = 4 + level % 5;
    int shape = (level - 1) % 6;
    for (int k = 0; k < 88; k++) {
        int r = k / 8, s = k % 8;
        l.cells[k] = is_no_slot(k) ? 10 : shape_cell(shape, r, s, depth, pal);
    }
    if (level % 3 == 0) { // every third level draws some cells from a random color list
        l.nb_colors = level == 30 ? 8 : 1 + (level / 3) % 7;
        for (int j = 0; j < l.nb_colors; j++)
            l.colors[j] = 1 + (level + j * 3) % 8;
        for (int k = 0; k < 88; k++)
            if (l.cells[k] >= 1 && l.cells[k] <= 8 && rng.next() % 4 == 0)
                l.cells[k] = 0;
    }
    return l;
}

static void put_u16(std::vector<std::uint8_t> &image, std::uint32_t at, int value)
{
    image[at] = static_cast<std::uint8_t>(value >> 8);
    image[at + 1] = static_cast<std::uint8_t>(value);
}

std::vector<std::uint8_t> make_sample_image()
{
    std::vector<std::uint8_t> image(232882);
    lcg rng{20071110u};
    for (std::uint8_t &b : image)
        b = static_cast<std::uint8_t>(rng.next());
    std::uint32_t at = sample_first_record;
    for (int level = 1; level <= 30; level++) {
        std::uint32_t table = 0x1E8BC + 4 * (level - 1);
        for (int b = 0; b < 4; b++)
            image[table + b] = static_cast<std::uint8_t>(at >> (24 - 8 * b));
        sample_level l = design_level(level, rng);
        put_u16(image, at, l.nb_colors);
        at += 2;
        for (int j = 0; j < l.nb_colors; j++, at += 2)
            put_u16(image, at, l.colors[j] * 2);
        for (int k = 0; k < 88; k++, at += 2)
            put_u16(image, at,
                    l.cells[k] == 9    ? 0xFFFE
                    : l.cells[k] == 10 ? 0xFFFF
                                       : l.cells[k] * 2);
    }
    return image;
}

int decode_as_loaded(std::vector<std::uint8_t> &image)
{
    file_data = image.data();
    levels_table = prg_levels_table;
    nb_levels = prg_nb_levels;
    quiet_mode = 1;
    return data_to_tb_level();
}
