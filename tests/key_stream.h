// tests/key_stream.h - a terminal's bytes decoded as the console decodes them: after each read,
// and whenever the decoder's clock is up before the next byte comes. The decoder's unit test and
// its fuzz target both ask it.
#ifndef TESTS_KEY_STREAM_H
#define TESTS_KEY_STREAM_H

#include <cstdint>
#include <string>
#include <vector>

#include "edit/keys.h"

// gaps[i]: how long after byte i - 1 byte i came. A read ends before a byte that came later, and
// where cut(i) says; before such a byte pause(gap) may ask for a call at an idle under gap (-1:
// none). Each call gets an exact heap copy of the bytes left, so that ASan sees a read past them.
// false: the decoder broke a promise (took more than it had, gave a key out of range, held more
// than a sequence after a read, or left a byte undecided once nothing came).
template <typename Cut, typename Pause>
bool decode_stream(const std::string &bytes, const std::vector<std::uint16_t> &gaps, Cut cut,
                   Pause pause, std::vector<key> &keys, bool marks_trusted = false)
{
    key_decoder d;
    d.marks_trusted = marks_trusted;
    bool kept = true;
    std::size_t taken = 0, come = 0;
    auto run = [&](int idle) {
        for (key k;;) {
            const std::vector<unsigned char> copy(
                bytes.begin() + static_cast<std::ptrdiff_t>(taken),
                bytes.begin() + static_cast<std::ptrdiff_t>(come));
            int used = decode_key(d, copy.data(), gaps.data() + taken,
                                  static_cast<int>(come - taken), idle, k);
            kept = kept && used >= 0 && static_cast<std::size_t>(used) <= come - taken &&
                   k.code >= key_none && k.code <= key_paste_lost && k.code != key_resize &&
                   k.x >= 0 && k.y >= 0 && k.text.size() <= paste_max;
            taken += static_cast<std::size_t>(used);
            if (k.code != key_none)
                keys.push_back(k);
            else if (used == 0)
                return;
        }
    };
    for (;;) {
        const int gap = come < bytes.size() ? gaps[come] : 1 << 30;
        const int idle = come > 0 && gap > 0 ? pause(gap) : -1;
        if (idle >= 0)
            run(idle);
        for (int n = 0; n < 5 && d.wait_ms >= 0 && d.wait_ms < gap; n++)
            run(d.wait_ms);
        if (come == bytes.size())
            break;
        do
            come++;
        while (come < bytes.size() && gaps[come] == 0 && !cut(come));
        run(0);
        kept = kept && come - taken <= 70;
    }
    return kept && taken == bytes.size() && d.reading == key_reading::keys;
}

#endif
