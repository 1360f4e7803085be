#!/usr/bin/env bash
# Takes the help file's pictures again from the real windows under Wine:
#   help/screenshots.sh <screenshots of the UI tests>
# The dialogs, the tray menu and the progress window are those the UI tests
# (dialog_ui_tests, app_ui_tests) captured while driving them. Writes
# help/images/*.png.
set -euo pipefail
shots=$(readlink -f "$1")
images=$(cd "$(dirname "$0")" && pwd)/images
mkdir -p "$images"

# The main window's pictures (main-window, theme-menu, main-window-Heather)
# were taken by hand from qmwindow.exe on a 640x480 Wine desktop over the
# entries HKCU Run "Tarn Mail" and "Moor Weather", HKLM Run "Peat Sync", HKLM
# RunServices "Heather Agent" and the shortcut "Sample Notes" as scripts/run makes it: the tree's
# three expand buttons opened from the bottom up, the Heather Agent and Tarn Mail boxes ticked, Tarn Mail selected; the Theme
# button's menu; then Heather chosen from it. Each picture is the window alone
# (import -window root, then convert -trim).

for name in service-create service-modify startup-create startup-modify shortcut-create shortcut-modify \
            context-help-startup about tray-menu progress-window; do
  convert "$shots/$name.bmp" "$images/$name.png"
done
