// text/svg.cpp - the levels as a picture: one SVG 1.1 file, 6 boards across and 5 down, each a
// staggered grid of round cells under its title and random color swatches.
#include "text/text.h"

#include <array>
#include <cstdio>
#include <string_view>

namespace
{

struct paint {
    const char *fill;
    const char *stroke; // an outline, where the fill alone would not show on the background
};

} // namespace

// Codes 0 to 8; code 0 is the random cell, drawn grey with a "?".
static const std::array<paint, 9> paints = {{{"#8c8c8c", "none"},
                                             {"#1f6fd1", "none"},
                                             {"#d62828", "none"},
                                             {"#f2c12e", "none"},
                                             {"#2a9d3f", "none"},
                                             {"#8e44ad", "none"},
                                             {"#f77f00", "none"},
                                             {"#111111", "#6b6b6b"},
                                             {"#ffffff", "#4a4a4a"}}};

constexpr int cell = 20;      // one slot, across
constexpr int row_step = 18;  // rows overlap a little, as staggered rows do
constexpr int board_top = 50; // room for the title and the swatches
constexpr int box_w = 8 * cell + cell / 2 + 24;
constexpr int box_h = board_top + 11 * row_step + 24;
constexpr int margin = 12;

static void draw_cell(std::FILE *f, int code, int cx, int cy)
{
    if (code == code_no_slot)
        return;
    if (code == code_empty) {
        std::fprintf(f,
                     "<circle class=\"empty\" cx=\"%d\" cy=\"%d\" r=\"8.5\" fill=\"none\" "
                     "stroke=\"#b9c3cf\" stroke-width=\"1\"><title>empty</title></circle>\n",
                     cx, cy);
        return;
    }
    const paint &p = paints[code];
    std::fprintf(f,
                 "<circle class=\"%s\" cx=\"%d\" cy=\"%d\" r=\"9\" fill=\"%s\" stroke=\"%s\" "
                 "stroke-width=\"1.2\"><title>%s</title></circle>\n",
                 bc_string[code], cx, cy, p.fill, p.stroke, bc_string[code]);
    if (code == code_random)
        std::fprintf(f,
                     "<text x=\"%d\" y=\"%d\" text-anchor=\"middle\" font-size=\"12\" "
                     "font-weight=\"bold\" fill=\"#ffffff\">?</text>\n",
                     cx, cy + 4);
}

static void draw_level(std::FILE *f, int i, int x, int y)
{
    const tb_level_entry &e = tb_level[i];
    std::fprintf(f, "<g id=\"level-%d\">\n<title>Level %d</title>\n", i, i);
    std::fprintf(f,
                 "<rect x=\"%d\" y=\"%d\" width=\"%d\" height=\"%d\" rx=\"8\" fill=\"#e9eef4\" "
                 "stroke=\"#c5cfdb\"/>\n",
                 x, y, box_w - 8, box_h - 8);
    std::fprintf(f, "<text x=\"%d\" y=\"%d\" font-size=\"14\" fill=\"#222222\">Level %d</text>\n",
                 x + 10, y + 20, i);
    for (int j = 0; j < e.nb_colors; j++) {
        const paint &p = paints[e.colors[j]];
        std::fprintf(f,
                     "<rect class=\"swatch\" x=\"%d\" y=\"%d\" width=\"11\" height=\"11\" "
                     "fill=\"%s\" stroke=\"%s\"><title>random color: %s</title></rect>\n",
                     x + 10 + 13 * j, y + 28, p.fill,
                     std::string_view(p.stroke) == "none" ? "#9aa5b1" : p.stroke,
                     bc_string[e.colors[j]]);
    }
    for (int k = 0; k < nb_cells; k++) // short rows sit half a cell to the right
        draw_cell(f, e.cells[k], x + 12 + half_column(k) * cell / 2 + cell / 2,
                  y + board_top + (row_of(k) - 1) * row_step + cell / 2);
    std::fprintf(f, "</g>\n");
}

void display_levels_svg(std::FILE *f)
{
    int width = 6 * box_w + 2 * margin, height = 5 * box_h + 2 * margin;
    std::fprintf(f, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
    std::fprintf(f,
                 "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"%d\" "
                 "height=\"%d\" viewBox=\"0 0 %d %d\" font-family=\"sans-serif\">\n",
                 width, height, width, height);
    std::fprintf(f, "<title>Kestrune levels</title>\n");
    std::fprintf(f, "<rect width=\"%d\" height=\"%d\" fill=\"#f7f9fb\"/>\n", width, height);
    for (int i = 1; i <= last_level(); i++)
        draw_level(f, i, margin + (i - 1) % 6 * box_w, margin + (i - 1) / 6 * box_h);
    std::fprintf(f, "</svg>\n");
}
