// edit/tools.cpp - what the editor's tools do to the cells of one level. Every tool that moves
// cells moves them by rows and half-cell columns (store.h), so that a shape keeps its look on
// the staggered board: along a row, two rows up or down, or by any offset taken from the board.
#include "edit/state.h"

#include <algorithm>
#include <cstdlib>

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
bool flood_fill(tb_level_entry &e, int cell, int code)
{
    const int from = e.cells[cell];
    if (from == code)
        return false;
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
    return true;
}

int mirror_cell(int k) { return cell_index(row_of(k), row_length(row_of(k)) - 1 - slot_of(k)); }

// A cell at half-cell column x lands at x1 + x2 - x, on a row of its own kind only when x1 + x2
// is even; top to bottom, row r lands on r1 + r2 - r, of its kind when r1 + r2 is even.
bool mirror_box(tb_level_entry &e, int a, int b, bool top_bottom)
{
    const int r1 = std::min(row_of(a), row_of(b)), r2 = std::max(row_of(a), row_of(b));
    const int x1 = std::min(half_column(a), half_column(b)),
              x2 = std::max(half_column(a), half_column(b));
    if ((top_bottom ? r1 + r2 : x1 + x2) % 2 != 0)
        return false;
    std::array<std::uint8_t, nb_cells> moved = e.cells;
    for (int k = 0; k < nb_cells; k++)
        if (!is_no_slot(k) && in_box(a, b, k))
            moved[top_bottom ? cell_at_half_column(r1 + r2 - row_of(k), half_column(k))
                             : cell_at_half_column(row_of(k), x1 + x2 - half_column(k))] =
                e.cells[k];
    e.cells = moved;
    return true;
}

int shift_cells(tb_level_entry &e, int drows, int dx)
{
    std::array<std::uint8_t, nb_cells> moved;
    for (int k = 0; k < nb_cells; k++) // the no-slot places keep what they hold
        moved[k] = is_no_slot(k) ? e.cells[k] : static_cast<std::uint8_t>(code_empty);
    int lost = 0;
    for (int k = 0; k < nb_cells; k++) {
        int to = is_no_slot(k) ? -1 : cell_at_half_column(row_of(k) + drows, half_column(k) + dx);
        if (to >= 0)
            moved[to] = e.cells[k];
        else
            lost += !is_no_slot(k) && e.cells[k] != code_empty;
    }
    e.cells = moved;
    return lost;
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

int cells_changed(const tb_level_entry &a, const tb_level_entry &b)
{
    int n = 0;
    for (int k = 0; k < nb_cells; k++)
        n += a.cells[k] != b.cells[k];
    return n;
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

int paste_box(tb_level_entry &e, const std::vector<box_cell> &copy, int at, int &randoms,
              bool stamp)
{
    int landed = 0;
    randoms = 0;
    for (const box_cell &c : copy) {
        int to = cell_at_half_column(row_of(at) + c.drow, half_column(at) + c.dx);
        if (to < 0 || (stamp && c.code == code_empty))
            continue;
        e.cells[to] = c.code;
        landed++;
        randoms += c.code == code_random;
    }
    return landed;
}

// num / den (den > 0) to the nearest integer, a half up: floor(num / den + 1/2).
static int nearest(int num, int den)
{
    int twice = 2 * num + den, q = twice / (2 * den);
    return twice < 0 && twice % (2 * den) != 0 ? q - 1 : q;
}

// Steps of at most one row and one half-cell column along the line between the cells' middles
// (a cell at half-cell column h spans h to h + 2): cells taken at steps that small always touch.
std::vector<int> line_cells(int a, int b)
{
    const int r0 = row_of(a), c0 = half_column(a) + 1;
    const int dr = row_of(b) - r0, dc = half_column(b) + 1 - c0;
    const int n = std::max({std::abs(dr), std::abs(dc), 1});
    std::vector<int> cells;
    for (int i = 0; i <= n; i++) {
        const int row = r0 + nearest(dr * i, n), c = c0 * n + dc * i; // c: the middle, times n
        // the cell of the row whose span holds the middle, kept on the row
        int h = is_long_row(row) ? 2 * (c / (2 * n)) : 2 * ((c - n) / (2 * n)) + 1;
        h = std::min(std::max(h, is_long_row(row) ? 0 : 1), is_long_row(row) ? 14 : 13);
        const int k = cell_at_half_column(row, h);
        if (std::find(cells.begin(), cells.end(), k) == cells.end())
            cells.push_back(k);
    }
    return cells;
}
