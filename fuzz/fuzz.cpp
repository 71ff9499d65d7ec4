// fuzz/fuzz.cpp - four libFuzzer targets, one per build of this file (FUZZ_TARGET):
//   1 reader: arbitrary text read over the sample's levels by the check.
//   2 image:  arbitrary bytes over the level table and records, refused or decoded.
//   3 edit:   arbitrary bytes as keys to the editor on the sample's levels.
//   4 keys:   arbitrary bytes from a terminal, with pauses, read in pieces: the same keys.
// 1, 2: the levels hold known codes only, and encoding them writes only inside their records,
// never over the offset table, and as levels that decode back as they were.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <vector>

#include "edit/keys.h"
#include "edit/picture.h"
#include "store/store.h"
#include "tests/key_stream.h"
#include "text/text.h"
#include "tools/sample_image.h"

static void require(bool holds)
{
    if (!holds)
        std::abort();
}

static int save_works = 1, disk = 0; // from the first byte

// 3: a byte from 0x80 is one of the keys above 255: the mouse or a resize takes x and y from the
// next two bytes, a paste as many bytes as the next one says. Checked after every key: what
// the editor promises of the levels, cursor and picture; at the end, undoing everything gives
// back the decoded levels, and redoing it all the levels as the last step left them.
static void edit_keys(const std::uint8_t *data, std::size_t size)
{
    const std::array<tb_level_entry, 31> decoded = tb_level;
    edit_state s;
    s.hooks.save = [](std::string &message) { return message = "Saved or not.", save_works != 0; };
    s.hooks.disk_state = [] { return static_cast<disk_change>(disk); };
    // no file is read or written here: vellumix.lvl's level 1 differs when a save works
    s.hooks.text_levels = [](std::array<tb_level_entry, 31> &t) {
        return t[1].cells[0] = 9, save_works != 0;
    };
    s.hooks.save_text = [](const std::vector<int> &, std::string &error) {
        return error = ".", disk != 0;
    };
    save_works = size > 0 && data[0] % 2;
    disk = size > 0 ? data[0] / 2 % 3 : 0;
    s.unicode = size > 0 && data[0] & 8;
    edit_start(s);
    grid g;
    for (const std::uint8_t *p = data, *end = data + size; p < end && !s.quit;) {
        key k{*p < 0x80 ? *p : key_up + (*p - 0x80) % (key_hangup - key_up + 1)};
        const bool where = k.code >= key_mouse_left && k.code <= key_resize;
        if (*p++ >= 0x80 && where && end - p >= 2) {
            k.x = *p++;
            k.y = *p++ % 64;
        } else if (k.code == key_paste && p < end) {
            std::size_t n = *p++;
            n = std::min(n, static_cast<std::size_t>(end - p));
            k.text.assign(p, p + n);
            p += n;
        }
        apply_key(s, k);
        for (int i = 1; i <= 30; i++) { // the sample has no random cell without a color
            const tb_level_entry &e = tb_level[i];
            require(e.level == i && e.start == decoded[i].start && e.nb_colors <= record_room[i]);
            for (int j = 0; j < 8; j++)
                require(j < e.nb_colors ? e.colors[j] >= 1 && e.colors[j] <= 8 : !e.colors[j]);
            for (int cell = 0; cell < nb_cells; cell++)
                require((e.cells[cell] == code_no_slot) == is_no_slot(cell) &&
                        (e.cells[cell] != code_random || e.nb_colors > 0));
        }
        require(s.level >= 1 && s.level <= 30 && s.cursor >= 0 && s.cursor < nb_cells &&
                !is_no_slot(s.cursor) && s.brush >= 0 && s.brush <= code_empty);
        g.width = s.width;
        g.height = s.height;
        draw(s, g);
        for (const screen_cell &c : g.cells) // and the cursor inside the picture
            require(((c.ch >= ' ' && c.ch <= '~') || (c.ch == glyph_half_block && s.unicode)) &&
                    g.cursor_x < g.width && g.cursor_y < g.height);
    }
    s.width = 80; // keys act again
    s.height = 24;
    std::array<tb_level_entry, 31> last = tb_level; // as the last step left the levels
    for (int pass = 0; pass < 3; pass++) {          // redo all, undo all, redo all
        const bool back = pass == 1;
        s.mode = edit_mode::board;
        while (back ? s.done > 0 : s.done < s.log.size())
            apply_key(s, {back ? 'u' : 'U'});
        if (pass == 0)
            last = tb_level;
        for (int i = 1; pass > 0 && i <= 30; i++)
            require(same_level(tb_level[i], back ? decoded[i] : last[i]));
    }
}

static std::uint32_t next_random(std::uint32_t &state)
{
    return (state = state * 1103515245u + 12345u) >> 16;
}

// 4: the keys of bytes as a terminal sends them, each after a gap drawn from seed (most of them
// together), decoded as the console does (tests/key_stream.h): after each read, whole when cut
// is 0, else also cut at random among bytes that came together and decoded at random moments
// before the next byte comes. The decoder must keep its promises in each case.
static std::string keys_of(const std::uint8_t *data, std::size_t size, std::uint32_t seed,
                           std::uint32_t cut)
{
    static const std::uint16_t pauses[] = {19, 20, 49, 50, 99, 100, 999, 1000, 9999, 10000};
    const bool trusted = seed & 1; // as a console that trusts the marks reads
    std::vector<std::uint16_t> gaps(size);
    for (std::uint16_t &gap : gaps)
        gap = next_random(seed) % 4 ? 0 : pauses[next_random(seed) % 10];
    std::vector<key> got;
    require(decode_stream(
        std::string(data, data + size), gaps,
        [&](std::size_t) { return cut && next_random(cut) % 16 == 0; },
        [&](int gap) {
            return cut && next_random(cut) % 2 ? static_cast<int>(next_random(cut) % gap) : -1;
        },
        got, trusted));
    std::string keys;
    for (const key &k : got)
        keys += std::to_string(k.code) + ' ' + std::to_string(k.x) + ' ' + std::to_string(k.y) +
                ' ' + std::to_string(k.text.size()) + k.text;
    return keys;
}

// Two records, or a record and the offset table (entry 0), share bytes.
static bool records_share_bytes()
{
    for (int i = 1; i <= 30; i++)
        for (int j = 0; j < i; j++) {
            std::uint64_t a = tb_level[i].start, b = j ? tb_level[j].start : prg_levels_table;
            if (a < b + (j ? 178 + 2 * tb_level[j].nb_colors : 120) &&
                b < a + 178 + 2 * tb_level[i].nb_colors)
                return true;
        }
    return false;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (FUZZ_TARGET == 4) { // the first two bytes choose the gaps, the next two the reads
        if (size >= 4)
            require(
                keys_of(data + 4, size - 4, data[0] << 8 | data[1], 0) ==
                keys_of(data + 4, size - 4, data[0] << 8 | data[1], data[2] << 8 | data[3] | 1u));
        return 0;
    }
    static const std::vector<std::uint8_t> sample = make_sample_image();
    static std::vector<std::uint8_t> image;
    image = sample;
    if (FUZZ_TARGET == 2) // the bytes from the level table on
        std::copy(data, data + std::min<std::size_t>(size, prg_size - prg_levels_table),
                  image.begin() + prg_levels_table);
    if (!decode_as_loaded(image))
        return 0;
    if (FUZZ_TARGET == 3) {
        edit_keys(data, size);
        return 0;
    }
#if FUZZ_TARGET == 1
    static char path[] = "/tmp/vellumix-fuzz-XXXXXX"; // the check reads a file, by name
    static int fd = mkstemp(path), removed = std::atexit([] { std::remove(path); });
    std::FILE *f = std::fopen(path, "wb"), *sink = std::fopen("/dev/null", "w");
    require(fd >= 0 && removed == 0 && f && std::fwrite(data, 1, size, f) == size);
    require(std::fclose(f) == 0);
    int nb_warnings = 0;
    require(check_levels_text(path, sink, nb_warnings));
    display_levels(sink);
    std::fclose(sink);
#endif
    for (const tb_level_entry &e : tb_level) { // known codes only, unused colors 0
        for (int j = 0; j < 8; j++)
            require(e.nb_colors <= 8 && e.colors[j] <= 8 && (j < e.nb_colors || !e.colors[j]));
        for (std::uint8_t c : e.cells)
            require(c <= code_no_slot);
    }
    const std::vector<std::uint8_t> decoded_from = image;
    // the reader may grow a color list; a record sharing bytes with another or the offset table
    // may be refused. One saved leaves the table as it was, each level decoding back as encoded.
    const std::array<tb_level_entry, 31> encoded = tb_level;
    const std::array<std::uint8_t, 31> room = record_room;
    const bool saved = tb_level_to_data();
    require(saved || FUZZ_TARGET == 1 || records_share_bytes());
    require(!saved || decode_as_loaded(image));
    for (int i = 1; saved && i <= 30; i++)
        require(tb_level[i].start == encoded[i].start && same_level(tb_level[i], encoded[i]));
    tb_level = encoded;
    record_room = room;
    std::vector<std::uint8_t> expected = decoded_from; // with the records as now encoded
    for (int i = 1; i <= 30; i++) {
        std::uint64_t end = std::uint64_t{tb_level[i].start} + 178 + 2 * record_room[i];
        require(end <= prg_size);
        std::copy(image.begin() + tb_level[i].start, image.begin() + end,
                  expected.begin() + tb_level[i].start);
    }
    require(expected == image);
    return 0;
}
