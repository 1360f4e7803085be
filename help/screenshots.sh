#!/usr/bin/env bash
# Takes the help file's pictures again from the real windows under Wine:
#   help/screenshots.sh <dist folder> <screenshots of the UI tests>
# The main window is opened by qmwindow.exe over sample entries of every kind;
# the dialogs, the tray menu and the progress window are those the UI tests
# (dialog_ui_tests, app_ui_tests) captured while driving them. Needs WINEPREFIX
# and DISPLAY; writes help/images/*.png.
set -euo pipefail
dist=$(readlink -f "$1")
shots=$(readlink -f "$2")
images=$(cd "$(dirname "$0")" && pwd)/images
mkdir -p "$images"

run='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
wine reg add "$run" /v "Tarn Mail" /t REG_SZ /d 'C:\windows\notepad.exe -tray' /f >/dev/null
wine reg add "$run" /v "Moor Weather" /t REG_SZ /d 'C:\windows\regedit.exe /min' /f >/dev/null
wine reg add 'HKLM\Software\Microsoft\Windows\CurrentVersion\Run' /v "Peat Sync" /t REG_SZ /d 'C:\windows\system32\cmd.exe /c exit' /f >/dev/null
wine reg add 'HKLM\Software\Microsoft\Windows\CurrentVersion\RunServices' /v "Heather Agent" /t REG_SZ /d 'C:\windows\winhlp32.exe' /f >/dev/null
wine "$dist/qmcycle.exe" sample >/dev/null 2>&1 || true

# The window is centred on a 640x480 Wine desktop; the clicks are at its
# offsets (the tree's expand buttons, an entry's box and text, the Theme menu).
wine reg add 'HKCU\Software\Tarnwick\Quill Moor' /v Theme /t REG_SZ /d Original /f >/dev/null
(cd "$dist" && wine explorer /desktop=shots,640x480 qmwindow.exe >/dev/null 2>&1 &)
timeout 60 bash -c 'until xdotool search --name "Wine desktop" >/dev/null 2>&1; do sleep 1; done'
sleep 5
read -r w h x y < <(import -window root -crop 640x480+0+0 png:- | convert - -trim -format '%w %h %X %Y' info:)
click() { xdotool mousemove $((x + $1)) $((y + $2)) click 1; sleep 0.5; }
window() { xdotool mousemove 630 470; sleep 1; import -window root -crop "${w}x${h}${x}${y}" +repage "$images/$1"; }
click 64 158; click 64 142; click 64 126          # open Shortcuts, Startups, Services
click 99 142; click 99 190; click 150 190         # tick a service and a startup, select the startup
window main-window.png
click 327 70; window theme-menu.png               # the Theme menu
xdotool mousemove $((x + 327)) $((y + 129)) click 1; sleep 1.5
window main-window-Heather.png
click 361 17                                      # close
wineserver -w

for name in service-create service-modify startup-create startup-modify shortcut-create shortcut-modify \
            context-help-startup about tray-menu progress-window; do
  convert "$shots/$name.bmp" "$images/$name.png"
done
