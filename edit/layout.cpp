// edit/layout.cpp - where the picture puts things, for a console of a given size: the state asks
// it where a click fell, the picture where to draw.
#include "edit/edit.h"

layout layout_of(int width, int height)
{
    layout l;
    l.width = width;
    l.height = height;
    if (width < 80 || height < 24)
        return l;
    l.kind = layout_kind::normal;
    l.board_x = 2;
    l.board_y = 3;
    l.legend_x = 40;
    l.legend_y = 3;
    l.brush_y = 15;
    l.status_y = height - 2;
    l.keys_y = height - 1;
    return l;
}

// The inverse of the board's drawing: from the column, the slot whose columns hold it.
int board_cell_at(const layout &l, int x, int y)
{
    if (l.kind == layout_kind::too_small || y < l.board_y)
        return -1;
    int row = (y - l.board_y) / l.cell_h + 1;
    int from = l.board_x + 1 + (is_long_row(row) ? 0 : l.cell_w / 2);
    if (row > nb_rows || x < from)
        return -1;
    int slot = (x - from) / l.cell_w;
    return slot < row_length(row) ? cell_index(row, slot) : -1;
}

int legend_code_at(const layout &l, int x, int y)
{
    if (l.legend_x < 0 || x < l.legend_x || y < l.legend_y || y > l.legend_y + code_empty)
        return -1;
    return y - l.legend_y;
}

overview_layout overview_layout_of(int width, int height, bool letters)
{
    overview_layout o;
    o.board_w = letters ? 17 : 18;
    o.board_h = letters ? 12 : 7;
    o.columns = width / o.board_w > 0 ? width / o.board_w : 1;
    o.rows = (height - 3) / o.board_h > 0 ? (height - 3) / o.board_h : 1;
    o.x = 1;
    o.y = 1;
    return o;
}

int help_page_count(int height)
{
    (void)height;
    return 1;
}
