#!/bin/sh
# Renders the manual page $1 for the Windows zip, with its examples in the Windows console's
# form, into the folder $2: README.txt, the players' guide, as plain text of at most 80 columns
# in CR LF for Notepad, and vellumix.html.
set -eu
windows() {
  printf '.ds Pr C:\\eGames\\eKestrune>\n.ds Vx vellumix.exe\n.ds Cp copy\n.nr Wi 1\n'
  cat "$1"
}
windows "$1" | mandoc -T html >"$2/vellumix.html"
windows "$1" | mandoc -T ascii | col -bx | sed -e '1,2d' -e '$d' -e 's/$/\r/' >"$2/README.txt"
