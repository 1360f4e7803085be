#!/usr/bin/env bash
# The setup program under Wine, end to end, for one Windows build:
#   tests/install/install-test.sh win32|win64 <QuillMoorSetup.exe>
# win32 runs in a fresh 32-bit prefix (the setup must pick the 32-bit build
# there), win64 in the 64-bit prefix of $WINEPREFIX (the 64-bit build).
#
# The story it checks: a silent install puts files, keys, shortcut and the
# Programs and Features entry in place and the installed program runs;
# installing over a copy in use keeps its stored entries, flags and theme;
# entries of all three kinds taken by the engine are back byte for byte after a
# silent uninstall, which leaves no key, file or shortcut of ours; and an
# uninstall that cannot give one entry back keeps it, with the program, until
# the way is clear.
#
# Wine is started through the loader this machine can run (scripts/setup.sh);
# where no 32-bit program runs, the win64 half is tested with the 64-bit build
# of the setup, and the 32-bit view is planted with the 64-bit reg.exe.
set -uo pipefail
tier=$1
setup=$(readlink -f "$2")
root=$(cd "$(dirname "$0")/../.." && pwd)
dist=$root/dist/$tier
source "$root/scripts/setup.sh"
qm_choose_wine
wine() { qm_wine "$@"; }
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

if [ "$tier" = win32 ]; then
  # A 32-bit Windows: its own throwaway prefix.
  WINEPREFIX=$(mktemp -d /tmp/qm-install32.XXXXXX)
  export WINEPREFIX WINEARCH=win32
  trap 'wineserver -k >/dev/null 2>&1; rm -rf "$WINEPREFIX"' EXIT
  wine wineboot -i >/dev/null 2>&1 || { echo "FAIL: no 32-bit Wine prefix could be made"; exit 1; }
else
  trap 'wineserver -k >/dev/null 2>&1' EXIT
fi
: "${WINEPREFIX:?a Wine prefix is needed}"
# One Wine session for the whole test: a new session would "log on" (Wine
# runs the RunOnce, Run and RunServices values when its server starts), and the
# log-on the install arms would then run in the middle of the test.
wineserver -w
wineserver -p
wine cmd /c exit >/dev/null 2>&1

# The registry as the installed build sees it: the 64-bit view on 64-bit
# Windows, where a bare "wine reg" would be the 32-bit one.
qm_reg() { if [ "$tier" = win64 ]; then wine reg "$@" /reg:64; else wine reg "$@"; fi; }

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
check() { local what=$1; shift; "$@" >/dev/null 2>&1 || fail "$what"; }

pf='C:\Program Files\Quill Moor'
drive=$WINEPREFIX/drive_c
install_dir="$drive/Program Files/Quill Moor"
menu_link="$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/Quill Moor.lnk"
product='Software\Tarnwick\Quill Moor'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quill Moor'
run='Software\Microsoft\Windows\CurrentVersion\Run'
runservices='Software\Microsoft\Windows\CurrentVersion\RunServices'
runonce='Software\Microsoft\Windows\CurrentVersion\RunOnce'

reg_value() {  # reg_value KEY NAME: the data of one value, as reg shows it
  qm_reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
    awk -v n="$2" 'index($0, "    " n "    ") == 1 { sub("^    " n "    [A-Z_]+    ", ""); print; f = 1 } END { exit !f }'
}
reg_has_key() { qm_reg query "$1" >/dev/null 2>&1; }
wine_path() { wine winepath -u "$1" 2>/dev/null | tr -d '\r'; }
shell_folder() { wine_path "$(reg_value "$1\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders" "$2")"; }

run_setup() { wine "$setup" /S "$@"; }
run_uninstall() {
  # As the uninstaller starts itself: a copy outside the folder it removes,
  # told where that folder is; Wine then waits for it and hands its exit code.
  cp "$install_dir/uninstall.exe" "$drive/qm-uninstall.exe" || return 99
  # "_?=" must end the command line unquoted, blanks and all: through cmd,
  # which passes the line on as it is written.
  wine cmd /c "C:\\qm-uninstall.exe /S _?=$pf"; local rc=$?
  rm -f "$drive/qm-uninstall.exe"
  [ $rc = 0 ] || tail -n 8 "$install_dir/Quillmoor.log" 2>/dev/null | tr -d "\r"
  return $rc
}

user_startup=$(shell_folder HKCU Startup)
common_startup=$(shell_folder HKLM 'Common Startup')
mkdir -p "$user_startup" "$common_startup"

# --- sample entries of all three kinds, private and public ------------------
# name|where: Run values (HKCU, HKLM), a RunServices value, and shortcuts in
# both startup folders. Names carry blanks, capitals and a dot, as real ones do.
run_samples=(
  "HKCU\\$run|Tarn Mail|C:\\windows\\notepad.exe -tray"
  "HKCU\\$run|quill.Updater|C:\\windows\\system32\\cmd.exe "
  "HKLM\\$run|Peat Sync|C:\\windows\\regedit.exe /min"
  "HKLM\\$runservices|Heather Agent|C:\\windows\\system32\\cmd.exe /c exit"
)
shortcut_samples=("$user_startup/Moor Notes.lnk" "$common_startup/Common Clock.lnk")

make_samples() {
  local line key name data
  for line in "${run_samples[@]}"; do
    IFS='|' read -r key name data <<<"$line"
    qm_reg add "$key" /v "$name" /t REG_SZ /d "$data" /f >/dev/null 2>&1
  done
  # A real shortcut, saved by Wine's link object (tests/shortcuts/data), put
  # into the user's Startup folder as an import of an export puts it there.
  rm -f "$user_startup"/*.lnk
  qm_shortcut_reg "$(basename "${shortcut_samples[0]}" .lnk)" "$root/tests/shortcuts/data/rich.lnk" >"$drive/qm-sample.reg"
  wine "$dist/qmctl.exe" import 'C:\qm-sample.reg' >/dev/null 2>&1
  rm -f "$drive/qm-sample.reg"
  cmp -s "$root/tests/shortcuts/data/rich.lnk" "${shortcut_samples[0]}" || { fail "no sample shortcut was made"; return; }
  cp "${shortcut_samples[0]}" "${shortcut_samples[1]}"
}

snapshot() {  # what Windows would start, exactly: values with type and data, shortcut bytes
  local line key name data file
  for line in "${run_samples[@]}"; do
    IFS='|' read -r key name data <<<"$line"
    echo "$key|$name|$(qm_reg query "$key" /v "$name" 2>&1 | tr -d '\r' | grep -F "    $name    ")"
  done
  for file in "${shortcut_samples[@]}"; do
    echo "$file|$(sha256sum < "$file" 2>&1)"
  done
}

stored_count() {  # number of entries in the stored location, both roots
  local n=0 r k
  for r in HKCU HKLM; do
    for k in Run RunServices Shc; do
      n=$((n + $(qm_reg query "$r\\$product\\$k" 2>/dev/null | tr -d '\r' | grep -c '^    ')))
    done
  done
  echo $n
}

take() { wine "$dist/qmctl.exe" take >/dev/null 2>&1; }

# On 64-bit Windows, one value in each view of HKLM Run, planted and read back
# by the reg.exe of that view: the 64-bit one through Wine's 64-bit loader, the
# 32-bit one through the 32-bit loader (where no 32-bit program runs: the
# 64-bit reg.exe told the 32-bit view). LOADER|VIEW|NAME|DATA.
view_samples=()
if [ "$tier" = win64 ]; then
  reg32="/usr/bin/wine|"
  if [ "$QM_32BIT" = 0 ]; then
    reg32="$QM_WINE64|/reg:32"
    echo "Not run: the 32-bit reg.exe's own reading of the 32-bit view ($QM_NO_32BIT_WHY)"
  fi
  view_samples=("$QM_WINE64||QM View64|C:\\windows\\notepad.exe /64" "$reg32|QM View32|C:\\windows\\notepad.exe /32")
fi
view_reg() {  # view_reg LOADER VIEW ARGS...: that loader's reg.exe, in that view
  local loader=$1 view=$2; shift 2
  "$loader" reg "$@" $view
}
view_stands() {  # view_stands LOADER VIEW NAME DATA: that reg.exe reads exactly that value
  view_reg "$1" "$2" query "HKLM\\$run" /v "$3" 2>/dev/null | tr -d '\r' | grep -qxF "    $3    REG_SZ    $4"
}

# --- 1. a silent install ----------------------------------------------------
echo "--- silent install ($tier)"
run_setup || fail "silent install exit code $?"
for f in Quillmoor.exe kelvrin.dll ostrum.dll; do
  # The build that matches this Windows, byte for byte.
  check "installed $f is the $tier build" cmp "$install_dir/$f" "$dist/$f"
done
for f in Quillmoor.chm uninstall.exe Heather/color.txt Heather/background.bmp Peat/color.txt Tarn/background.bmp; do
  check "installed $f" test -s "$install_dir/$f"
done
[ ! -f "$dist/qmctl.exe" ] || check "installed qmctl.exe" cmp "$install_dir/qmctl.exe" "$dist/qmctl.exe"
for f in Quillmoor.admx en-US/Quillmoor.adml; do  # the administrative template, beside the program
  check "installed $f" cmp "$install_dir/$f" "$dist/$f"
done
check "Start menu shortcut" test -s "$menu_link"

about_version=$(grep -o 'Quill Moor Version [0-9.]*' "$root/dialogs/res/ostrum.rc" | grep -o '[0-9.]*$')
while IFS='|' read -r name want; do
  got=$(reg_value "$uninstall_key" "$name") || { fail "Programs and Features: no $name"; continue; }
  [ "$got" = "$want" ] || fail "Programs and Features $name: '$got', want '$want'"
done <<EOF
DisplayName|Quill Moor
Publisher|Tarnwick Software
DisplayVersion|$about_version
DisplayIcon|$pf\\Quillmoor.exe,0
UninstallString|"$pf\\uninstall.exe"
EOF
size=$(reg_value "$uninstall_key" EstimatedSize)
[ $((size)) -ge 100 ] || fail "Programs and Features size '$size' KB"
for flag in "Init Service" "Init Startup" "Init Shortcut"; do
  [ "$(reg_value "HKLM\\$product" "$flag")" = 0x0 ] || fail "HKLM $flag is not 0 after install"
done
for key in Run RunServices Shc; do
  check "HKLM $key\\Selections created" reg_has_key "HKLM\\$product\\$key\\Selections"
done
[ "$(stored_count)" = 0 ] || fail "the install stored something"
[ "$(reg_value "HKLM\\$runonce" "QM Init Startups")" = "\"$pf\\Quillmoor.exe\" /startup" ] ||
  fail "next log-on not armed with the quoted program path"

# The installed program runs: a restore with nothing stored starts its log.
wine "$pf\\Quillmoor.exe" /restore >/dev/null 2>&1; rc=$?
[ $rc = 0 ] || fail "installed Quillmoor.exe /restore exit code $rc"
check "installed program wrote its log" test -s "$install_dir/Quillmoor.log"

# --- 2. installing over a copy in use keeps entries, flags and theme ---------
echo "--- install over a copy in use"
make_samples
for line in "${view_samples[@]}"; do
  IFS='|' read -r loader view name data <<<"$line"
  view_reg "$loader" "$view" add "HKLM\\$run" /v "$name" /t REG_SZ /d "$data" /f >/dev/null 2>&1
  view_stands "$loader" "$view" "$name" "$data" || fail "$name could not be planted with $loader reg $view"
done
before=$(snapshot)
take
[ "$(stored_count)" -ge 6 ] || fail "the take stored $(stored_count) entries, want 6"
for line in "${view_samples[@]}"; do
  IFS='|' read -r loader view name data <<<"$line"
  view_reg "$loader" "$view" query "HKLM\\$run" /v "$name" >/dev/null 2>&1 && fail "$name was not taken from its view"
done
qm_reg add "HKCU\\$product" /v Theme /t REG_SZ /d Tarn /f >/dev/null 2>&1
# An empty shortcut file a user had, stored as it was by an earlier cycle: the
# uninstall gives it back as the empty file it was, and finishes.
qm_reg add "HKCU\\$product\\Shc" /v "QM Empty" /t REG_BINARY /f >/dev/null 2>&1
qm_reg add "HKCU\\$product\\Run\\Selections" /v "Tarn Mail" /t REG_DWORD /d 0 /f >/dev/null 2>&1
qm_reg add "HKLM\\$product" /v "Init Startup" /t REG_DWORD /d 1 /f >/dev/null 2>&1
qm_reg add "HKLM\\$product" /v "Init Shortcut" /t REG_DWORD /d 1 /f >/dev/null 2>&1
kept_before=$(qm_reg query "HKCU\\$product" /s 2>&1; qm_reg query "HKLM\\$product" /s 2>&1)
run_setup || fail "install over a copy: exit code $?"
kept_after=$(qm_reg query "HKCU\\$product" /s 2>&1; qm_reg query "HKLM\\$product" /s 2>&1)
[ "$kept_before" = "$kept_after" ] || { fail "install over a copy changed the stored location:"; diff <(echo "$kept_before") <(echo "$kept_after") | head -20; }

# --- 3. a silent uninstall gives everything back ------------------------------
echo "--- silent uninstall with entries taken"
run_uninstall || fail "silent uninstall exit code $?"
after=$(snapshot)
[ -f "$user_startup/QM Empty.lnk" ] && [ ! -s "$user_startup/QM Empty.lnk" ] || fail "the empty shortcut is not back"
rm -f "$user_startup/QM Empty.lnk"
[ "$before" = "$after" ] || { fail "entries not back byte for byte:"; diff <(echo "$before") <(echo "$after"); }
for line in "${view_samples[@]}"; do
  IFS='|' read -r loader view name data <<<"$line"
  view_stands "$loader" "$view" "$name" "$data" || fail "$name is not back where $loader reg $view reads it"
  view_reg "$loader" "$view" delete "HKLM\\$run" /v "$name" /f >/dev/null 2>&1
done
for key in "HKLM\\$product" "HKCU\\$product" "$uninstall_key"; do
  reg_has_key "$key" && fail "key left after uninstall: $key"
done
for v in "HKLM\\$runonce|QM Init Startups" "HKCU\\$runonce|QM Init Cleanups"; do
  reg_value "${v%%|*}" "${v#*|}" >/dev/null && fail "RunOnce value left: $v"
done
[ -e "$install_dir" ] && { fail "install folder left:"; ls -la "$install_dir"; }
[ -e "$menu_link" ] && fail "Start menu shortcut left"

# --- 4. an entry that cannot go back is kept, with the program ---------------
echo "--- uninstall that cannot give one entry back"
# This time declining the log-on, as the page allows: nothing is armed.
run_setup /LOGON=0 || fail "second install exit code $?"
reg_value "HKLM\\$runonce" "QM Init Startups" >/dev/null && fail "next log-on armed though declined"
make_samples
before=$(snapshot)
take
blocked=${shortcut_samples[0]}
stored_name=$(basename "$blocked" .lnk)
# A folder standing under the shortcut's file name: the shortcut cannot be
# written back until it goes.
rm -f "$blocked"; mkdir "$blocked"
stored_bytes=$(qm_reg query "HKCU\\$product\\Shc" /v "$stored_name" 2>&1 | tr -d '\r' | grep -F "    $stored_name    ")
run_uninstall; rc=$?
[ $rc = 3 ] || fail "uninstall that kept entries: exit code $rc, want 3"
[ "$(qm_reg query "HKCU\\$product\\Shc" /v "$stored_name" 2>&1 | tr -d '\r' | grep -F "    $stored_name    ")" = "$stored_bytes" ] ||
  fail "the shortcut that could not go back is not kept whole in the stored location"
for f in Quillmoor.exe kelvrin.dll ostrum.dll uninstall.exe; do
  check "$f kept while an entry is stored" test -f "$install_dir/$f"
done
check "Programs and Features entry kept" reg_has_key "$uninstall_key"
grep -q 'Uninstall stopped' "$install_dir/Quillmoor.log" 2>/dev/null || fail "no log line says why the uninstall stopped"
reg_value "HKLM\\$runonce" "QM Init Startups" >/dev/null && fail "next log-on still armed after a stopped uninstall"
# What could go back is back.
for line in "${run_samples[@]}"; do
  IFS='|' read -r key name data <<<"$line"
  [ "$(reg_value "$key" "$name")" = "$data" ] || fail "$name not back after a stopped uninstall"
done

# The way cleared, the next uninstall finishes the job.
rmdir "$blocked"
run_uninstall || fail "uninstall after clearing the way: exit code $?"
after=$(snapshot)
[ "$before" = "$after" ] || { fail "entries not back byte for byte after the second uninstall:"; diff <(echo "$before") <(echo "$after"); }
reg_has_key "HKCU\\$product" && fail "HKCU product key left after the second uninstall"
[ -e "$install_dir" ] && fail "install folder left after the second uninstall"

# Leave the prefix as we found it.
for line in "${run_samples[@]}"; do
  IFS='|' read -r key name data <<<"$line"
  qm_reg delete "$key" /v "$name" /f >/dev/null 2>&1
done
rm -f "${shortcut_samples[@]}"

if [ $failures -ne 0 ]; then echo "install tests ($tier): $failures failed"; exit 1; fi
echo "install tests ($tier): passed"
