// bench/undo_bench.cpp - the editor's memory as its undo history grows: N cells painted one key
// at a time over the sample's levels, then every step undone and redone. Prints the peak
// resident memory of the whole process and whether undo and redo gave back exactly what was.
//     undo_bench N
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>

#include "edit/state.h"
#include "tools/sample_image.h"

static bool same_levels(const std::array<tb_level_entry, 31> &a)
{
    for (int i = 1; i <= 30; i++)
        if (!same_level(a[i], tb_level[i]))
            return false;
    return true;
}

int main(int argc, char **argv)
{
    const long n = argc > 1 ? std::atol(argv[1]) : 100000;
    std::vector<std::uint8_t> image = make_sample_image();
    decode_as_loaded(image);
    const std::array<tb_level_entry, 31> decoded = tb_level;
    edit_state s;
    s.hooks.save = [](std::string &message) { return message = "not saved", false; };
    s.hooks.disk_state = [] { return disk_change::same; };
    edit_start(s);
    for (long k = 0; k < n; k++) { // every key changes a cell: a white or a blue one
        s.level = 1 + static_cast<int>(k / nb_cells % 30);
        s.cursor = static_cast<int>(k % nb_cells);
        if (is_no_slot(s.cursor))
            s.cursor--;
        apply_key(s, {tb_level[s.level].cells[s.cursor] == 8 ? '1' : '8'});
    }
    const std::array<tb_level_entry, 31> edited = tb_level;
    while (s.done > 0)
        apply_key(s, {'u'});
    bool exact = same_levels(decoded);
    while (s.done < s.log.size())
        apply_key(s, {'U'});
    exact = exact && same_levels(edited);
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%ld painted cells: peak memory %ld KiB; undo all and redo all %s\n", n,
                usage.ru_maxrss, exact ? "exact" : "NOT EXACT");
    return exact ? 0 : 1;
}
