#!/usr/bin/env bash
# Runs Windows programs under Wine in a given Windows mode, on a machine
# image's registry and files.
#
#   wine-harness.sh prefix  DIR MODE [CP]  make DIR a fresh prefix in MODE
#                                          (win98, winme, win2k, winxp) whose
#                                          programs use ANSI code page CP
#                                          (default 932; import takes the image's)
#   wine-harness.sh mode-of MACHINE        the mode a machine image's version asks for
#   wine-harness.sh import  DIR MACHINE    load the image's HKLM.reg and drive_c
#   wine-harness.sh run     DIR EXE [ARG...]
#                                          run EXE in the prefix; its exit status
#   wine-harness.sh export  DIR KEY FILE   write registry KEY (e.g.
#                                          "HKEY_LOCAL_MACHINE\Software\X") to FILE
#                                          as a version 5 .reg file (UTF-16LE)
#   wine-harness.sh stop    DIR            end the prefix's Wine processes
#   wine-harness.sh clean   DIR            stop, then remove DIR
#
# Prefixes are copies of one pristine prefix, made once per Wine version
# beside DIR (DIR/../base): creating a prefix takes Wine 10-20 s, copying it
# about 2 s. No display is needed for console programs; the .NET and HTML
# engines Wine would offer to install are switched off.
#
# Wine runs as an unprivileged user, as a Windows program's files are seen
# on Windows: as root, Unix lets every file be written, so a read-only file
# (FILE_ATTRIBUTE_READONLY is the missing write bit) would be rewritten under
# Wine where Windows refuses. Started as root, the harness makes the user
# ZR_WINE_USER (default zrwine) if need be, hands it the folders it works in
# and runs every command as that user; prefixes belong to it, as Wine
# demands. Started as anyone else, it runs as that user.
set -euo pipefail

. "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/machine-ini.sh"

export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

die() {
  echo "wine-harness: $*" >&2
  exit 1
}

wine_user=${ZR_WINE_USER:-zrwine}

# As root: the folder that will hold $1 goes to the Wine user; what root
# made there before (a prefix, the base) goes, since the user could
# neither use nor remove it.
hand_over_parent_of() {
  local dir parent
  dir=$(realpath -m -- "$1")
  parent=$(dirname -- "$dir")
  mkdir -p -- "$parent"
  chown "$wine_user:" "$parent"
  for old in "$dir" "$parent/base"; do
    if [ -e "$old" ] && [ "$(stat -c %U -- "$old")" != "$wine_user" ]; then rm -rf -- "$old"; fi
  done
  if [ -e "$parent/base.lock" ]; then chown "$wine_user:" "$parent/base.lock"; fi
}

as_wine_user() {
  if ! id "$wine_user" >/dev/null 2>&1; then
    useradd --system --create-home --home-dir "/var/lib/$wine_user" --shell /usr/sbin/nologin "$wine_user" ||
      die "cannot make the user $wine_user"
  fi
  case $1 in
    prefix | clean) hand_over_parent_of "${2:?}" ;;
    export) hand_over_parent_of "${4:?}" ;;
  esac
  exec runuser -u "$wine_user" -- "$0" "$@"
}

need_wine() {
  command -v wine >/dev/null || die "wine is not installed"
  command -v wineserver >/dev/null || die "wineserver is not installed"
}

# A Unix path as Wine's Z: drive sees it.
windows_path() {
  local path
  path=$(realpath -m -- "$1")
  printf 'Z:%s' "${path//\//\\}"
}

# The locale a prefix's processes run in: it fixes their ANSI code page.
locale_of() {
  if [ -f "$1/.zr_locale" ]; then cat "$1/.zr_locale"; else locale_for_codepage 932; fi
}

in_prefix() {
  local dir=$1
  shift
  WINEPREFIX=$(realpath -- "$dir") LC_ALL=$(locale_of "$dir") "$@"
}

make_base() {
  local base=$1 stamp
  stamp="$(wine --version), fonts-wine fonts"
  if [ -f "$base/.zr_base" ] && [ "$(cat "$base/.zr_base")" = "$stamp" ]; then return; fi
  rm -rf "$base"
  mkdir -p "$base"
  # A 32-bit prefix: the shipping build is i686, and Wine may lack its
  # 64-bit half.
  WINEPREFIX=$(realpath -- "$base") WINEARCH=win32 wine wineboot --init >/dev/null 2>&1 ||
    die "wineboot failed in $base"
  WINEPREFIX=$(realpath -- "$base") wineserver -w
  # Wine finds the fonts of its own package (fonts-wine) only where a
  # prefix lists them; in the prefix's Fonts folder it finds every one.
  # Marlett draws the title bar's buttons, Tahoma is the NT dialogs' face.
  if [ -d /usr/share/wine/fonts ]; then
    find "$base/drive_c/windows" -maxdepth 1 -iname fonts -type d -exec cp /usr/share/wine/fonts/marlett.ttf \
      /usr/share/wine/fonts/tahoma.ttf /usr/share/wine/fonts/tahomabd.ttf {} \; 2>/dev/null || true
  fi
  echo "$stamp" >"$base/.zr_base"
}

cmd_prefix() {
  local dir=$1 mode=$2 codepage=${3:-932} locale
  locale=$(locale_for_codepage "$codepage")
  case $mode in win98 | winme | win2k | winxp) ;; *) die "unknown mode '$mode'" ;; esac
  need_wine
  mkdir -p "$(dirname -- "$dir")"
  local base
  base=$(realpath -m -- "$(dirname -- "$dir")/base")
  (
    # Modes are prepared side by side; the base is made once.
    flock 9
    make_base "$base"
  ) 9>"$base.lock"
  cmd_clean "$dir"
  cp -a -- "$base" "$dir"
  rm -f -- "$dir/.zr_base"
  echo "$locale" >"$dir/.zr_locale"
  in_prefix "$dir" wine reg add 'HKCU\Software\Wine' /v Version /d "$mode" /f >/dev/null 2>&1 ||
    die "could not set the Windows mode in $dir"
  echo "$mode" >"$dir/.zr_mode"
}


cmd_mode_of() {
  local machine=$1 ini major minor
  ini="$machine/machine.ini"
  [ -f "$ini" ] || die "$ini: no such file"
  major=$(ini_value "$ini" major)
  minor=$(ini_value "$ini" minor)
  case "$major.$minor" in
    4.10) echo win98 ;;
    4.90) echo winme ;;
    5.0) echo win2k ;;
    5.1) echo winxp ;;
    *) die "$ini: version '$major.$minor' is none of 4.10, 4.90, 5.0, 5.1" ;;
  esac
}

# Copies the tree SRC into DST, reusing entries of DST whose names differ
# only in case, as Windows paths do ("WINDOWS\INF" lands in "windows\inf").
merge_case_insensitive() {
  local src=$1 dst=$2 entry name match
  mkdir -p -- "$dst"
  for entry in "$src"/* "$src"/.[!.]*; do
    [ -e "$entry" ] || continue
    name=$(basename -- "$entry")
    match=$(find "$dst" -mindepth 1 -maxdepth 1 -iname "$name" -print -quit 2>/dev/null || true)
    [ -n "$match" ] || match="$dst/$name"
    if [ -d "$entry" ]; then
      merge_case_insensitive "$entry" "$match"
    else
      cp -p -- "$entry" "$match"
    fi
  done
}

locale_for_codepage() {
  case $1 in
    932 | "") echo ja_JP.UTF-8 ;;
    936) echo zh_CN.UTF-8 ;;
    949) echo ko_KR.UTF-8 ;;
    950) echo zh_TW.UTF-8 ;;
    1252) echo en_US.UTF-8 ;;
    *) die "no locale known for code page $1" ;;
  esac
}

cmd_import() {
  local dir=$1 machine=$2
  [ -d "$dir/drive_c" ] || die "$dir: not a prefix (run 'prefix' first)"
  [ -f "$machine/HKLM.reg" ] || die "$machine/HKLM.reg: no such file"
  locale_for_codepage "$(ini_value "$machine/machine.ini" codepage 2>/dev/null || true)" \
    >"$dir/.zr_locale"
  in_prefix "$dir" wine regedit /S "$(windows_path "$machine/HKLM.reg")" >/dev/null 2>&1 ||
    die "regedit could not import $machine/HKLM.reg"
  local drive letter
  for drive in "$machine"/drive_*; do
    [ -d "$drive" ] || continue
    letter=${drive##*/drive_}
    [ "$letter" = c ] || die "$drive: only drive C is mapped into a prefix"
    merge_case_insensitive "$drive" "$dir/drive_c"
  done
}

cmd_run() {
  local dir=$1 exe=$2
  shift 2
  [ -d "$dir/drive_c" ] || die "$dir: not a prefix"
  [ -f "$exe" ] || die "$exe: no such file"
  local status=0
  in_prefix "$dir" wine "$exe" "$@" || status=$?
  return "$status"
}

cmd_export() {
  local dir=$1 key=$2 file=$3
  [ -d "$dir/drive_c" ] || die "$dir: not a prefix"
  rm -f -- "$file"
  in_prefix "$dir" wine regedit /E "$(windows_path "$file")" "$key" >/dev/null 2>&1 || true
  [ -f "$file" ] || die "could not export $key"
}

cmd_stop() {
  local dir=$1
  [ -d "$dir" ] || return 0
  WINEPREFIX=$(realpath -- "$dir") wineserver -k >/dev/null 2>&1 || true
  WINEPREFIX=$(realpath -- "$dir") wineserver -w >/dev/null 2>&1 || true
}

cmd_clean() {
  local dir=$1
  [ -e "$dir" ] || return 0
  cmd_stop "$dir"
  rm -rf -- "$dir"
}

[ $# -ge 1 ] || die "usage: wine-harness.sh prefix|mode-of|import|run|export|stop|clean ..."
if [ "$(id -u)" = 0 ] && [ "$1" != mode-of ]; then as_wine_user "$@"; fi
command=$1
shift
case $command in
  prefix) [ $# -ge 2 ] && [ $# -le 3 ] || die "usage: prefix DIR MODE [CODEPAGE]"; cmd_prefix "$@" ;;
  mode-of) [ $# -eq 1 ] || die "usage: mode-of MACHINE"; cmd_mode_of "$@" ;;
  import) [ $# -eq 2 ] || die "usage: import DIR MACHINE"; cmd_import "$@" ;;
  run) [ $# -ge 2 ] || die "usage: run DIR EXE [ARG...]"; cmd_run "$@" ;;
  export) [ $# -eq 3 ] || die "usage: export DIR KEY FILE"; cmd_export "$@" ;;
  stop) [ $# -eq 1 ] || die "usage: stop DIR"; cmd_stop "$@" ;;
  clean) [ $# -eq 1 ] || die "usage: clean DIR"; cmd_clean "$@" ;;
  *) die "unknown command '$command'" ;;
esac
