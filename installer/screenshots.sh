#!/usr/bin/env bash
# Walks the setup program and its uninstaller through every page under Wine,
# as a person would with the keyboard, and takes a picture of each page:
#   installer/screenshots.sh <QuillMoorSetup.exe> <folder for the pictures>
# Needs WINEPREFIX and DISPLAY (an Xvfb of its own). The pages run inside a
# Wine desktop so that their title bars are drawn.
set -euo pipefail
setup=$(readlink -f "$1")
out=$(readlink -f "$2")
mkdir -p "$out"
export WINEDEBUG=-all

shot() {  # shot NAME: the Wine desktop, trimmed to the window on it
  sleep 2
  import -window root -crop 640x520+0+0 "$out/$1.png"
  convert "$out/$1.png" -trim +repage "$out/$1.png"
}
desktop_key() {  # desktop_key KEY...: keys to the focused window of the Wine desktop
  local id
  id=$(xdotool search --name 'Wine desktop' | head -1)
  xdotool key --window "$id" --delay 300 "$@"
}

wine explorer /desktop=setup,640x520 "$setup" >/dev/null 2>&1 &
timeout 60 bash -c 'until xdotool search --name "Wine desktop" >/dev/null 2>&1; do sleep 1; done'
sleep 4
shot installer-1-welcome;   desktop_key alt+n
shot installer-2-folder;    desktop_key alt+n
shot installer-3-logon;     desktop_key alt+i
sleep 6
shot installer-4-finish;    desktop_key Return
wineserver -w

wine explorer /desktop=setup,640x520 "C:\\Program Files\\Quill Moor\\uninstall.exe" >/dev/null 2>&1 &
sleep 6
shot uninstaller-1-confirm; desktop_key alt+u
sleep 8
shot uninstaller-2-done;    desktop_key Return
wineserver -w
ls "$out"
