// edit/console_records.cpp - the Windows console's input records as the decoder's bytes, or as
// keys, with no system header, so that every system builds and tests it. A console that reads
// virtual-terminal input (Windows Terminal, the newer conhost) sends everything, pastes in their
// marks, arrows and mouse reports included, as the characters of key-down records: those go to
// decode_key as a terminal's bytes do. Older consoles and wine send keys without a character
// and mouse records: those are keys of their own, given in the order they came.
#include "edit/console.h"

// What a record gives: its characters as UTF-8 for decode_key, a key of its own (a key without
// a character, a click), the clipboard's text to paste, a new window size, or nothing.
enum class record_gives : std::uint8_t { nothing, bytes, key, clipboard, size };

static int key_of_virtual(std::uint16_t vk)
{
    switch (vk) {
    case vk_up:
        return key_up;
    case vk_down:
        return key_down;
    case vk_left:
        return key_left;
    case vk_right:
        return key_right;
    case vk_home:
        return key_home;
    case vk_end:
        return key_end;
    case vk_prior:
        return key_page_up;
    case vk_next:
        return key_page_down;
    case vk_delete:
        return key_delete;
    case vk_f1:
        return key_f1;
    }
    return key_none;
}

static void add_utf8(std::string &bytes, std::uint32_t c)
{
    static const unsigned char lead[] = {0, 0xC0, 0xE0, 0xF0};
    const int more = c < 0x80 ? 0 : c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
    bytes += static_cast<char>(lead[more] | c >> (6 * more));
    for (int i = more - 1; i >= 0; i--)
        bytes += static_cast<char>(0x80 | (c >> (6 * i) & 0x3F));
}

// A character of a record, its UTF-16 halves joined, times times; a half without its other
// is U+FFFD.
static record_gives add_unit(record_reader &r, char16_t unit, int times, std::string &bytes)
{
    const std::size_t had = bytes.size();
    const bool high = unit >= 0xD800 && unit < 0xDC00, low = unit >= 0xDC00 && unit < 0xE000;
    std::uint32_t c = low ? 0xFFFD : unit;
    if (r.high && low)
        c = 0x10000 + ((std::uint32_t{r.high} - 0xD800) << 10) + (unit - 0xDC00);
    else if (r.high)
        add_utf8(bytes, 0xFFFD);
    r.high = high ? unit : 0;
    for (int i = 0; i < times && !high; i++)
        add_utf8(bytes, c);
    return bytes.size() > had ? record_gives::bytes : record_gives::nothing;
}

static record_gives mouse_key(record_reader &r, const console_record &rec, key &k)
{
    k = {key_none, rec.x, rec.y};
    if (rec.flags & mf_hwheeled)
        return record_gives::nothing; // its high word is the wheel's turn, not buttons
    if (rec.flags & mf_wheeled) {     // positive: away from the user
        k.code = static_cast<std::int16_t>(rec.buttons >> 16) > 0 ? key_wheel_up : key_wheel_down;
        return record_gives::key;
    }
    // from any record, not only flags 0: a quick second click comes as a double click
    const std::uint32_t buttons = rec.buttons & 0x1F, pressed = buttons & ~r.buttons,
                        released = r.buttons & ~buttons;
    r.buttons = buttons;
    if (pressed & mb_left)
        k.code = rec.flags & mf_double ? key_mouse_double : key_mouse_left;
    else if (pressed & mb_right)
        k.code = key_mouse_right;
    else if (released & mb_left)
        k.code = key_mouse_release;
    else if ((rec.flags & mf_moved) && (buttons & mb_left))
        k.code = key_mouse_drag;
    return k.code == key_none ? record_gives::nothing : record_gives::key;
}

// One record: bytes appended to bytes, as many times as the key repeated; or the key in k, to
// be given times times.
static record_gives record_to_input(record_reader &r, const console_record &rec, std::string &bytes,
                                    key &k, int &times)
{
    k = key{};
    times = rec.type == record_type::key && rec.repeat > 1 ? rec.repeat : 1;
    if (rec.type == record_type::mouse)
        return mouse_key(r, rec, k);
    if (rec.type == record_type::size)
        return record_gives::size;
    if (rec.type != record_type::key)
        return record_gives::nothing;
    const bool alt = rec.controls & (ks_left_alt | ks_right_alt),
               ctrl = rec.controls & (ks_left_ctrl | ks_right_ctrl);
    if (!rec.key_down) // Alt and digits on the number pad type the character as Alt goes up
        return rec.virtual_key == vk_menu && rec.unit ? add_unit(r, rec.unit, 1, bytes)
                                                      : record_gives::nothing;
    if ((rec.virtual_key == vk_v && ctrl && !alt) ||
        (rec.virtual_key == vk_insert && (rec.controls & ks_shift)))
        return record_gives::clipboard;
    k.code = key_of_virtual(rec.virtual_key);
    if (k.code != key_none) // with Alt, a key of the number pad is a digit of a character
        return alt && !(rec.controls & ks_enhanced) ? record_gives::nothing : record_gives::key;
    // AltGr is Ctrl and the right Alt: the characters it types are characters
    const bool alt_gr =
        (rec.controls & ks_right_alt) && ctrl && rec.unit >= 0x20 && rec.unit != 0x7F;
    if (rec.unit && (!alt || alt_gr))
        return add_unit(r, rec.unit, times, bytes);
    // Alt and a key as a terminal sends it, ESC and the key, which the decoder drops; wine reads
    // a terminal's ESC [ that it does not know (a mouse report) so, and it comes back whole
    for (int i = 0; rec.unit && i < times; i++) {
        bytes += '\x1b';
        add_unit(r, rec.unit, 1, bytes);
    }
    if (rec.unit)
        return record_gives::bytes;
    k.code = rec.virtual_key == vk_escape ? int{key_escape} // wine gives Esc no character
             : rec.virtual_key == vk_back ? int{key_backspace}
                                          : int{key_none};
    return k.code == key_none ? record_gives::nothing : record_gives::key;
}

bool add_records(console_input &in, const console_record *records, int n, std::int64_t now_ms,
                 std::string (*clipboard)())
{
    // what was decoded goes, and the held keys' places with it
    in.bytes.erase(0, in.taken);
    in.gaps.erase(in.gaps.begin(), in.gaps.begin() + static_cast<std::ptrdiff_t>(in.taken));
    for (held_key &h : in.held)
        h.at -= in.taken;
    in.taken = 0;
    int resized = 0;
    for (int i = 0; i < n; i++) {
        const std::size_t had = in.bytes.size();
        key k;
        int times;
        switch (record_to_input(in.reader, records[i], in.bytes, k, times)) {
        case record_gives::bytes: // those of one arrival came together, the first after a gap
        {
            const std::int64_t gap = now_ms - in.last_ms;
            in.gaps.resize(in.bytes.size(), 0);
            in.gaps[had] = static_cast<std::uint16_t>(gap < 0 ? 0 : gap < 65535 ? gap : 65535);
            in.last_ms = now_ms;
            break;
        }
        case record_gives::key:
            k.ms = now_ms;
            in.held.push_back({k, times, had, in.last_ms});
            break;
        case record_gives::clipboard:
            in.held.push_back({{key_paste, 0, 0, clipboard(), now_ms}, 1, had, in.last_ms});
            break;
        case record_gives::size:
            resized = 1;
            break;
        case record_gives::nothing:
            break;
        }
    }
    return resized;
}

// The bytes the decoder may read now: those before the first held key, and when they came.
static std::size_t readable(const console_input &in, std::int64_t &last_ms)
{
    last_ms = in.held.empty() ? in.last_ms : in.held.front().last_ms;
    return in.held.empty() ? in.bytes.size() : in.held.front().at;
}

bool next_input_key(console_input &in, std::int64_t now_ms, key &k)
{
    for (;;) {
        std::int64_t last_ms;
        const std::size_t upto = readable(in, last_ms);
        const std::int64_t idle = now_ms - last_ms;
        const int used = decode_key(
            in.decoder, reinterpret_cast<const unsigned char *>(in.bytes.data()) + in.taken,
            in.gaps.data() + in.taken, static_cast<int>(upto - in.taken),
            static_cast<int>(idle < 0               ? 0
                             : idle < paste_wait_ms ? idle
                                                    : paste_wait_ms),
            k);
        in.taken += static_cast<std::size_t>(used);
        if (k.code != key_none) {
            k.ms = last_ms;
            return true;
        }
        if (used > 0)
            continue;
        // a held key once the decoder has made its keys of every byte before it
        if (in.held.empty() || in.taken < upto || in.decoder.wait_ms >= 0)
            return false;
        k = in.held.front().k;
        if (--in.held.front().times <= 0)
            in.held.pop_front();
        return true;
    }
}

int input_wait_ms(const console_input &in, std::int64_t now_ms)
{
    std::int64_t last_ms;
    readable(in, last_ms);
    if (in.decoder.wait_ms < 0)
        return -1;
    const std::int64_t left = in.decoder.wait_ms - (now_ms - last_ms);
    return left < 0 ? 0 : static_cast<int>(left);
}
