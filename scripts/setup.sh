# Shared set-up of scripts/test and scripts/run: packages, Wine prefix, display.
# Sourced, not run.

qm_need() {  # qm_need command package...: install the packages if the command is missing
  local cmd=$1; shift
  command -v "$cmd" >/dev/null 2>&1 && return 0
  QM_MISSING+=("$@")
}

qm_setup_packages() {
  QM_MISSING=()
  qm_need cmake cmake
  qm_need g++ g++
  # The administrative template's check reads it with a real XML parser.
  qm_need xmllint libxml2-utils
  [ -d /usr/src/googletest ] || QM_MISSING+=(googletest libgtest-dev libgmock-dev)
  [ -f /usr/include/benchmark/benchmark.h ] || QM_MISSING+=(libbenchmark-dev)
  local tier windows=0
  for tier in "$@"; do case "$tier" in win32|win64|logon|run) windows=1 ;; esac; done
  if [ $windows = 1 ]; then
    qm_need i686-w64-mingw32-g++-posix g++-mingw-w64-i686-posix
    qm_need x86_64-w64-mingw32-g++-posix g++-mingw-w64-x86-64-posix
    qm_need x86_64-w64-mingw32-windres binutils-mingw-w64-x86-64
    qm_need wine wine
    qm_need Xvfb xvfb
    qm_need import imagemagick
    qm_need xdotool xdotool
    # The setup program and the help file.
    qm_need makensis nsis
    qm_need chmcmd fp-utils
    dpkg -s wine64 >/dev/null 2>&1 || QM_MISSING+=(wine64)
    dpkg -s wine32:i386 >/dev/null 2>&1 || QM_MISSING+=(wine32:i386)
    # Names in Chinese script in the windows' screenshots need a font that has them.
    dpkg -s fonts-wqy-microhei >/dev/null 2>&1 || QM_MISSING+=(fonts-wqy-microhei)
    # Wine's own fonts: without them the title bars' caption buttons draw letters ("r") instead of glyphs.
    dpkg -s fonts-wine >/dev/null 2>&1 || QM_MISSING+=(fonts-wine)
  fi
  for tier in "$@"; do
    if [ "$tier" = fuzz ]; then
      qm_need clang++ clang
      dpkg -s libclang-rt-14-dev >/dev/null 2>&1 || QM_MISSING+=(libclang-rt-14-dev)
    fi
  done
  if [ ${#QM_MISSING[@]} -gt 0 ]; then
    echo "=== Installing: ${QM_MISSING[*]}"
    if [[ " ${QM_MISSING[*]} " == *" wine32:i386 "* ]]; then dpkg --add-architecture i386; fi
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${QM_MISSING[@]}" >/dev/null
  fi
}

# What Wine can run on this machine, found out once. Some machines of ours run
# no 32-bit Linux program at all (the kernel answers "Exec format error"), and
# with them fail Wine's 32-bit loader, everything started through "wine" and
# "wineboot", every 32-bit Windows program and the 32-bit half of a 64-bit
# prefix. There every Wine start goes through the 64-bit loader into 64-bit
# prefixes. QM_NO_32BIT=1 makes any machine behave so.
#   QM_WINE       the loader every script, ctest and test starts Wine with
#                 (set beforehand, it is used as it is)
#   QM_WINE64     Wine's 64-bit loader (the 64-bit reg.exe and regedit)
#   QM_32BIT      1 where 32-bit programs run, 0 where they do not
#   QM_NO_32BIT_WHY   why not, for the summaries
qm_choose_wine() {
  [ -n "${QM_32BIT:-}" ] && [ -n "${QM_WINE:-}" ] && return 0
  QM_WINE64=${QM_WINE64:-/usr/lib/wine/wine64}
  [ -x "$QM_WINE64" ] || QM_WINE64=$(dpkg -L wine64 2>/dev/null | grep '/wine64$' | head -n 1)
  QM_32BIT=1
  QM_NO_32BIT_WHY=
  if [ "${QM_NO_32BIT:-0}" = 1 ]; then
    QM_32BIT=0
    QM_NO_32BIT_WHY="QM_NO_32BIT=1"
  else
    local answer
    if ! answer=$(/lib/ld-linux.so.2 --version 2>&1); then
      answer=${answer%%$'\n'*}
      QM_32BIT=0
      QM_NO_32BIT_WHY="this machine cannot run 32-bit programs (ld-linux.so.2: ${answer##*: })"
    fi
  fi
  # QM_WINE set beforehand names the loader itself (for trying a broken one).
  if [ -z "${QM_WINE:-}" ]; then
    if [ "$QM_32BIT" = 1 ]; then
      QM_WINE=$(command -v wine || echo wine)
    else
      QM_WINE=$QM_WINE64
    fi
  fi
  [ "$QM_32BIT" = 1 ] || export WINELOADER=$QM_WINE WINEARCH=win64
  export QM_WINE QM_WINE64 QM_32BIT QM_NO_32BIT_WHY
}

qm_wine() { "$QM_WINE" "$@"; }

# A registry file that "qmctl import" reads as one shortcut of the user's Startup
# folder: the bytes of an existing .lnk file under the key where an export keeps
# startup-folder shortcuts. The import writes them out as NAME.lnk, whole.
#   qm_shortcut_reg NAME FILE.lnk > FILE.reg
qm_shortcut_reg() {
  local hex
  hex=$(od -An -v -tx1 "$2" | tr -s ' \n' ',' | sed 's/^,//; s/,$//')
  printf 'Windows Registry Editor Version 5.00\r\n\r\n%s\r\n"%s"=hex:%s\r\n\r\n; End of the Quill Moor entries\r\n' \
    '[HKEY_CURRENT_USER\Software\Tarnwick\Quill Moor\Export\Startup Folder]' "$1" "$hex" |
    { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE; }
}

# A fresh throwaway Wine prefix for this run, made once and shared by the tiers.
# Fails (and names the step) when Wine cannot make it.
qm_wine_prefix() {
  qm_choose_wine
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  if [ -z "${QM_WINEPREFIX:-}" ]; then
    QM_WINEPREFIX=$(mktemp -d /tmp/qm-wine.XXXXXX)
    export QM_WINEPREFIX
    export WINEPREFIX=$QM_WINEPREFIX
    trap 'wineserver -k >/dev/null 2>&1 || true; [ -n "${QM_WINEPREFIX:-}" ] && rm -rf "$QM_WINEPREFIX"' EXIT
    echo "=== New Wine prefix $WINEPREFIX (loader $QM_WINE)"
    if ! qm_wine wineboot -i >/dev/null 2>&1 || ! wineserver -w || ! qm_wine cmd /c exit >/dev/null 2>&1; then
      echo "=== $QM_WINE could not make a Wine prefix that starts programs"
      rm -rf "$QM_WINEPREFIX"
      unset QM_WINEPREFIX
      return 1
    fi
    # A Chinese Windows links a font with Chinese glyphs to the dialogs' Arial;
    # a fresh Wine prefix does not, and names in Chinese would show as boxes.
    local view
    for view in 32 64; do
      qm_wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v Arial \
        /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f /reg:$view >/dev/null 2>&1 || true
    done
  fi
  export WINEPREFIX=$QM_WINEPREFIX
}

# Runs a command with an X display: the one there is, or a private Xvfb.
qm_with_display() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then "$@"; return; fi
  if [ -z "${QM_XVFB_DISPLAY:-}" ]; then
    local n
    for n in $(seq 90 120); do [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] || break; done
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    QM_XVFB_PID=$!
    QM_XVFB_DISPLAY=":$n"
    sleep 1
    trap 'kill $QM_XVFB_PID 2>/dev/null || true; wineserver -k >/dev/null 2>&1 || true; [ -n "${QM_WINEPREFIX:-}" ] && rm -rf "$QM_WINEPREFIX"' EXIT
  fi
  DISPLAY=$QM_XVFB_DISPLAY "$@"
}
