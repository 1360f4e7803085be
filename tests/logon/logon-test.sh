#!/usr/bin/env bash
# Whole log-ons with the installed program under Wine, again and again, with
# the program killed at random:
#   tests/logon/logon-test.sh <QuillMoorSetup.exe>
# A fresh 64-bit prefix (the setup installs the 64-bit build there; the
# setup's own 64-bit build where this machine runs no 32-bit program), entries of
# every kind planted as a user has them, a silent install, log-ons driven by
# qmlogon (see there for what starts a log-on under Wine), a silent uninstall.
# The Run keys and both startup folders must then be as before the install,
# value by value and file by file.
#
# QM_LOGON_SEED fixes the seed (printed either way), QM_LOGON_KILLS the number
# of kills (60), QM_LOGON_CYCLES the whole log-ons before them (3). Needs a
# display (the window is clicked and photographed).
set -uo pipefail
setup=$(readlink -f "$1")
root=$(cd "$(dirname "$0")/../.." && pwd)
bin=$root/build/win64/bin
out=$root/build/logon
seed=${QM_LOGON_SEED:-$(( (RANDOM << 15) | RANDOM ))}
kills=${QM_LOGON_KILLS:-60}
cycles=${QM_LOGON_CYCLES:-3}
mkdir -p "$out"
# Wine through the loader this machine can run (scripts/setup.sh).
source "$root/scripts/setup.sh"
qm_choose_wine
wine() { qm_wine "$@"; }

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
WINEPREFIX=$(mktemp -d /tmp/qm-logon.XXXXXX)
export WINEPREFIX
trap 'wineserver -k >/dev/null 2>&1; rm -rf "$WINEPREFIX"' EXIT
wine wineboot -i >/dev/null 2>&1 || { echo "FAIL: no Wine prefix could be made with $QM_WINE"; exit 1; }
wineserver -w
# One Wine session for the whole run: a new session would run RunServices and
# HKLM RunOnce by itself, outside the log-ons this test counts.
wineserver -p
wine cmd /c exit >/dev/null 2>&1

drive=$WINEPREFIX/drive_c
pf='C:\Program Files\Quill Moor'
cp "$bin/qmlogon.exe" "$bin/qmprobe.exe" "$drive/"
driver() { wine 'C:\qmlogon.exe' "$@" 2>&1 | tr -d '\r'; }

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

echo "--- entries planted, silent install (seed $seed)"
driver plant 'C:\qmprobe.exe' || fail "planting the entries"
driver snapshot > "$out/before-install.txt"
[ "$(grep -c . "$out/before-install.txt")" -ge 10 ] || fail "the entries are not all planted"
wine "$setup" /S || fail "silent install exit code $?"

echo "--- $cycles whole log-ons, then $kills kills, each followed by the next log-on"
started=$SECONDS
driver run "$cycles" "$kills" "$seed" | tee "$out/logons.txt"
echo "log-ons took $((SECONDS - started)) s"

# The program's own account of the log-ons, for whoever reads a failure.
cp "$drive/Program Files/Quill Moor/Quillmoor.log" "$out/Quillmoor.log" 2>/dev/null

echo "--- silent uninstall"
# As the uninstaller starts itself: a copy outside the folder it removes.
cp "$drive/Program Files/Quill Moor/uninstall.exe" "$drive/qm-uninstall.exe"
wine cmd /c "C:\\qm-uninstall.exe /S _?=$pf" || fail "silent uninstall exit code $?"
driver snapshot > "$out/after-uninstall.txt"
if ! diff "$out/before-install.txt" "$out/after-uninstall.txt" > "$out/uninstall.diff"; then
  fail "Run keys or startup folders not as before the install:"
  cut -c1-160 "$out/uninstall.diff"
fi

shot=$root/build/win64/artifacts/screenshots/logon-startup-window.bmp
if [ -f "$shot" ]; then
  convert "$shot" "$out/logon-startup-window.png" && echo "screenshot: $out/logon-startup-window.png"
else
  fail "no screenshot of the \"/startup\" window"
fi

read -r c k l f s faults < <(grep '^counts:' "$out/logons.txt" | cut -d' ' -f2-) || fail "the driver gave no counts"
echo "Log-on cycles: ${c:-0} cycles, ${k:-0} kills, ${l:-?} entries lost, ${f:-?} flags changed, ${s:-?} stranded"
[ "${faults:-1}" = 0 ] || fail "${faults:-?} faults in the log-ons (FAULT lines above)"
[ "${c:-0}" -ge 3 ] && [ "${k:-0}" -ge 50 ] && [ "${l:-1}" = 0 ] && [ "${f:-1}" = 0 ] && [ "${s:-1}" = 0 ] ||
  fail "want at least 3 cycles and 50 kills, nothing lost, changed or stranded (seed $seed)"
if [ $failures -ne 0 ]; then echo "log-on tests: $failures failed (seed $seed)"; exit 1; fi
echo "log-on tests: passed (seed $seed)"
