// tests/key_names.h - keys by name, both ways: a table reads "v Right Right m", and a decoded
// key prints as Up, q or Ctrl-C, never as a byte that stands for it.
#ifndef TESTS_KEY_NAMES_H
#define TESTS_KEY_NAMES_H

#include <string>
#include <utility>

#include "edit/keys.h"

using key_name = std::pair<int, const char *>; // a code and its name
inline constexpr key_name key_names[] = {
    {key_up, "Up"},          {key_down, "Down"},        {key_left, "Left"},
    {key_right, "Right"},    {key_home, "Home"},        {key_end, "End"},
    {key_page_up, "PgUp"},   {key_page_down, "PgDn"},   {key_delete, "Del"},
    {key_f1, "F1"},          {key_tab, "Tab"},          {key_enter, "Enter"},
    {key_escape, "Esc"},     {key_backspace, "BSpace"}, {' ', "Space"},
    {key_paste_lost, "lost"}};

// A printable character is its own name; other control bytes are Ctrl- and their letter.
inline std::string name_of_code(int code)
{
    for (const key_name &n : key_names)
        if (n.first == code)
            return n.second;
    return code > 0 && code < ' ' ? "Ctrl-" + std::string(1, static_cast<char>(code | 0x40))
                                  : std::string(1, static_cast<char>(code));
}

// A key as the tests print it: Up, q, Ctrl-C, left@9,4 (a mouse report where it fell),
// paste[the text].
inline std::string name_of(const key &k)
{
    static const key_name mouse_names[] = {
        {key_mouse_left, "left"},       {key_mouse_right, "right"},   {key_mouse_drag, "drag"},
        {key_mouse_release, "release"}, {key_mouse_double, "double"}, {key_wheel_up, "wheelup"},
        {key_wheel_down, "wheeldown"}};
    for (const key_name &n : mouse_names)
        if (n.first == k.code)
            return n.second + ("@" + std::to_string(k.x) + "," + std::to_string(k.y));
    return k.code == key_paste ? "paste[" + k.text + "]" : name_of_code(k.code);
}

// The key one word names; key_none for a word that names none, which no test expects to press.
inline int code_named(const std::string &word)
{
    for (const key_name &n : key_names)
        if (word == n.second)
            return n.first;
    if (word.size() == 6 && word.compare(0, 5, "Ctrl-") == 0 && word[5] >= 'A' && word[5] <= 'Z')
        return ctrl(word[5]);
    return word.size() == 1 && word[0] > ' ' && word[0] < 0x7F ? int{word[0]} : int{key_none};
}

#endif
