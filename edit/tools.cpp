// edit/tools.cpp - what the editor's tools do to the cells of one level. Every tool that moves
// cells moves them by rows and half-cell columns (store.h), so that a shape keeps its look on
// the staggered board: along a row, two rows up or down, or by any offset taken from the board.
#include "edit/state.h"

// The cells that touch cell k: its row neighbours, and in a row above or below the two it
// overlaps, as a short row sits half a cell to the right of a long one.
static int neighbours(int k, std::array<int, 6> &out)
{
    const int row = row_of(k), x = half_column(k);
    const int places[6][2] = {{0, -2}, {0, 2}, {-1, -1}, {-1, 1}, {1, -1}, {1, 1}};
    int n = 0;
    for (const auto &p : places) {
        int next = cell_at_half_column(row + p[0], x + p[1]);
        if (next >= 0)
            out[n++] = next;
    }
    return n;
}

// A flood over the cells of one code, through touching cells only, so that a fill never leaks
// through a gap the player would see as closed.
int flood_fill(tb_level_entry &e, int cell, int code)
{
    const int from = e.cells[cell];
    if (from == code)
        return 0;
    std::array<int, nb_cells> todo;
    int nb_todo = 0;
    todo[nb_todo++] = cell;
    e.cells[cell] = static_cast<std::uint8_t>(code);
    while (nb_todo > 0) { // each cell is pushed once, as it is painted when pushed
        std::array<int, 6> next;
        int n = neighbours(todo[--nb_todo], next);
        for (int j = 0; j < n; j++) {
            if (e.cells[next[j]] == from) {
                e.cells[next[j]] = static_cast<std::uint8_t>(code);
                todo[nb_todo++] = next[j];
            }
        }
    }
    return 1;
}

// Each row turns round on itself; a short row's no-slot place stays at its end.
void mirror_left_right(tb_level_entry &e)
{
    for (int row = 1; row <= nb_rows; row++) {
        int length = row_length(row);
        for (int j = 0; j < length / 2; j++)
            std::swap(e.cells[cell_index(row, j)], e.cells[cell_index(row, length - 1 - j)]);
    }
}

// Row r and row 12 - r are of one kind, so whole rows trade places.
void mirror_top_bottom(tb_level_entry &e)
{
    for (int row = 1; row <= nb_rows / 2; row++)
        for (int slot = 0; slot < 8; slot++)
            std::swap(e.cells[cell_index(row, slot)], e.cells[cell_index(nb_rows + 1 - row, slot)]);
}

void shift_cells(tb_level_entry &e, int drows, int dx)
{
    std::array<std::uint8_t, nb_cells> moved;
    for (int k = 0; k < nb_cells; k++) // the no-slot places keep what they hold
        moved[k] = is_no_slot(k) ? e.cells[k] : static_cast<std::uint8_t>(code_empty);
    for (int k = 0; k < nb_cells; k++) {
        int to = is_no_slot(k) ? -1 : cell_at_half_column(row_of(k) + drows, half_column(k) + dx);
        if (to >= 0)
            moved[to] = e.cells[k];
    }
    e.cells = moved;
}

int replace_code(tb_level_entry &e, int from, int to)
{
    int n = 0;
    for (int k = 0; k < nb_cells; k++)
        if (!is_no_slot(k) && e.cells[k] == from && from != to) {
            e.cells[k] = static_cast<std::uint8_t>(to);
            n++;
        }
    return n;
}

void clear_cells(tb_level_entry &e)
{
    for (int k = 0; k < nb_cells; k++)
        if (!is_no_slot(k))
            e.cells[k] = code_empty;
}

int count_code(const tb_level_entry &e, int code)
{
    int n = 0;
    for (int k = 0; k < nb_cells; k++)
        n += !is_no_slot(k) && e.cells[k] == code;
    return n;
}

std::vector<box_cell> copy_box(const tb_level_entry &e, int a, int b)
{
    std::vector<box_cell> copy;
    int first = -1; // cells come in row order, so the first in the box is in its top row
    for (int k = 0; k < nb_cells; k++) {
        if (is_no_slot(k) || !in_box(a, b, k))
            continue;
        if (first < 0)
            first = k;
        copy.push_back(
            {row_of(k) - row_of(first), half_column(k) - half_column(first), e.cells[k]});
    }
    return copy;
}

int paste_box(tb_level_entry &e, const std::vector<box_cell> &copy, int at, int &randoms)
{
    int landed = 0;
    randoms = 0;
    for (const box_cell &c : copy) {
        int to = cell_at_half_column(row_of(at) + c.drow, half_column(at) + c.dx);
        if (to < 0)
            continue;
        e.cells[to] = c.code;
        landed++;
        randoms += c.code == code_random;
    }
    return landed;
}
