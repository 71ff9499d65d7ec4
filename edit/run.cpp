// edit/run.cpp - the editor's loop: the console shows the picture of the state and hands every
// key, click and resize to it, until the user quits.
#include "edit/edit.h"

#include "cli/logerror.h"

int edit_levels()
{
    edit_state s;
    edit_start(s);
    if (!console_open(s.width, s.height)) {
        logerror("\nERROR ! The console could not be set up for -edit !\n");
        return 0;
    }
    // the screen is up: a message now would scribble over it, and the status line tells all
    std::string stray;
    std::string *was = log_capture;
    log_capture = &stray;
    grid g;
    key k;
    while (!s.quit) {
        g.width = s.width;
        g.height = s.height;
        draw(s, g);
        console_show(g);
        k = console_read(-1);
        if (k.code == key_none || k.code == key_hangup) // a signal, or the window closed
            break;
        apply_key(s, k);
    }
    console_close();
    log_capture = was;
    if (!s.quit) // the terminal is gone, and with it any question of saving
        logerror("\nERROR ! The console was lost: changes since the last save are not saved !\n");
    return s.quit;
}
