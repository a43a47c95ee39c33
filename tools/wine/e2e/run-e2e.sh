#!/usr/bin/env bash
# End to end: the Windows program under Wine and Xvfb, driven through its
# wizard by the robot, against the Linux program on the same machine image
# and script.
#
#   run-e2e.sh build
#       build the shipping zrdrvtool.exe (mingw-i686-ship) and, in the
#       mingw-i686 tree, the robot, the test build of the program and the
#       front end's tests
#   run-e2e.sh unit MODE WORKDIR
#       run the front end's tests (ui_win32_tests.exe) in a MODE prefix
#   run-e2e.sh run NAME IMAGE SCRIPT WORKDIR [--mode MODE] [--windows win98]
#       one run in WORKDIR/NAME:
#       1. the Linux program runs SCRIPT on a copy of IMAGE (linux.txt);
#       2. a prefix in the image's Windows mode gets the image's HKLM.reg and
#          drive_c, the program starts in machine.ini's current directory and
#          the robot runs SCRIPT (wine.txt), with a screenshot of every page
#          (shots/*.png);
#       3. the two transcripts, the two registries (every key and value of
#          the image) and the two drive_c trees (every file of the image, and
#          the work file) are compared.
#       --mode starts the wizard with other pages (chooser, install): the
#       Linux program's --mode, and the program's test build under Wine.
#       --windows MODE runs the image as another Windows (win98, winme,
#       win2k, winxp), so a 9x run needs no image of its own.
#       Exit status 77: the image cannot be run under Wine (NT 4.0, a limited
#       user).
#
# Differences that Wine makes by itself are told apart, not hidden: values
# that already differ from the image right after the import (Wine's own
# services rewrite some at start-up) are left out of the registry
# comparison and listed in wine-owned.txt.
#
# ExitWindowsEx under Wine ends every process of the prefix that has a
# window and agrees to end the session. The robot keeps a window that
# refuses, and it is asked first, so the program runs to its normal end (and
# deletes its work file) and the request shows in the transcript as
# "event: restart requested".
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
. "$here/../machine-ini.sh"
source_dir=$(cd "$here/../../.." && pwd)
harness=$here/../wine-harness.sh
native=${ZR_NATIVE_BUILD:-$source_dir/build/native}
mingw=${ZR_MINGW_BUILD:-$source_dir/build/mingw-i686}
ship=${ZR_SHIP_BUILD:-$source_dir/build/mingw-i686-ship}
robot=$mingw/tests/wine/robot/zr_robot.exe
testhooks=$mingw/tests/wine/robot/zrdrvtool_testhooks.exe

die() {
  echo "run-e2e: $*" >&2
  exit 1
}

windows_path() {
  local path
  path=$(realpath -m -- "$1")
  printf 'Z:%s' "${path//\//\\}"
}


# Turns the image copy into the machine Wine presents in MODE, so that both
# programs see the same one: GetVersionExA's record of the mode (as
# measured, platform-facts section 6), and Wine's folders, C:\windows and
# C:\windows\system32 in every mode; a 9x image's WINDOWS\SYSTEM files move
# there too. Everything else of the image stays.
adapt_to_wine() {
  local image=$1 mode=$2 version
  case $mode in
    win98) version="4 10 67766446 1 A" ;;
    winme) version="4 90 73010104 1 " ;;
    win2k) version="5 0 2195 2 Service Pack 4" ;;
    winxp) version="5 1 2600 2 Service Pack 3" ;;
    *) die "unknown mode $mode" ;;
  esac
  read -r major minor build platform csd <<<"$version"
  local ini=$image/machine.ini
  awk -v major="$major" -v minor="$minor" -v build="$build" -v platform="$platform" -v csd="$csd" '
    { sub(/\r$/, "") }
    /^[ \t]*\[/ { section = tolower($0) }
    section ~ /system/ && /^[ \t]*(major|minor|build|platform|csd|windows|system)[ \t]*=/ { next }
    { print }
    section ~ /system/ && /^[ \t]*\[/ {
      print "major=" major; print "minor=" minor; print "build=" build; print "platform=" platform
      print "csd=" csd; print "windows=C:\\windows"; print "system=C:\\windows\\system32"
    }' "$ini" | sed 's/$/\r/' >"$ini.new"
  mv "$ini.new" "$ini"
  local windows system
  windows=$(find "$image/drive_c" -mindepth 1 -maxdepth 1 -type d -iname windows -print -quit)
  [ -n "$windows" ] || return 0
  system=$(find "$windows" -mindepth 1 -maxdepth 1 -type d -iname system -print -quit)
  [ -n "$system" ] || return 0
  local system32
  system32=$(find "$windows" -mindepth 1 -maxdepth 1 -type d -iname system32 -print -quit)
  system32=${system32:-$windows/system32}
  mkdir -p "$system32"
  cp -a "$system"/. "$system32"/
  rm -rf "$system"
}

# Makes the folder of Windows path C:\A\B below the prefix's drive_c unless
# it is there in some spelling: the program must be able to start in it, as
# the Linux program can in a folder the image does not hold.
ensure_folder() {
  local dir=$1/drive_c rest=${2#?:} part match
  IFS='\' read -r -a parts <<<"$rest"
  for part in "${parts[@]}"; do
    [ -n "$part" ] || continue
    match=$(find "$dir" -mindepth 1 -maxdepth 1 -type d -iname "$part" -print -quit 2>/dev/null || true)
    dir=${match:-$dir/$part}
    mkdir -p "$dir"
    ! is_root || chown "$wine_user:" "$dir"
  done
}

# The harness runs Wine as this user when started as root.
wine_user=${ZR_WINE_USER:-zrwine}
is_root() { [ "$(id -u)" = 0 ]; }
as_wine_user() {
  if is_root; then runuser -u "$wine_user" -- env "$@"; else env "$@"; fi
}

# The pages' font and the virtual desktop (display.reg.utf8), as the
# screenshots and the layout checks need them.
configure_display() {
  local prefix=$1 work=$2
  (printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE "$here/display.reg.utf8") >"$work/display.reg"
  as_wine_user WINEPREFIX="$prefix" WINEDEBUG=-all wine regedit /S "$(windows_path "$work/display.reg")" >/dev/null 2>&1 ||
    die "could not set the prefix's fonts and desktop"
}

cmd_build() {
  local jobs
  jobs=$(nproc 2>/dev/null || echo 2)
  if [ ! -f "$ship/CMakeCache.txt" ]; then (cd "$source_dir" && cmake --preset mingw-i686-ship >/dev/null); fi
  cmake --build "$ship" --target zrdrvtool -j "$jobs"
  if [ ! -f "$mingw/CMakeCache.txt" ]; then (cd "$source_dir" && cmake --preset mingw-i686 >/dev/null); fi
  cmake --build "$mingw" --target zr_robot zrdrvtool_testhooks ui_win32_tests -j "$jobs"
}

# Lower-cased relative path and checksum of every file below $1.
file_list() {
  (cd "$1" && find . -type f -print0 | xargs -0 -r md5sum) |
    awk '{ sum = $1; sub(/^[0-9a-f]+ [ *]\.\//, ""); print tolower($0) "\t" sum }' | LC_ALL=C sort
}

# What changed between two file lists: "path<TAB>checksum" for a file made
# or changed, "path<TAB>deleted" for one that went.
file_changes() {
  LC_ALL=C join -t $'\t' -a 1 -a 2 -e none -o 0,1.2,2.2 "$1" "$2" |
    awk -F'\t' '$2 != $3 { print $1 "\t" ($3 == "none" ? "deleted" : $3) }'
}

# The Wine prefix's files as a drive_c tree sees them: drive_c's own
# relative paths, anything else of the prefix under "../"; the registry
# files, compared as registry, and Wine's own bookkeeping are left out.
prefix_file_list() {
  file_list "$1" | awk -F'\t' '
    $1 ~ /^(system|user|userdef)\.reg$/ || $1 ~ /^\.zr_/ || $1 ~ /^\.update-timestamp$/ { next }
    { if (sub(/^drive_c\//, "", $1) == 0) $1 = "../" $1; print $1 "\t" $2 }' OFS='\t' | LC_ALL=C sort
}

# What the Linux transcript says that a robot cannot see or says otherwise:
# the pages' class names, timers, the privilege event and the restart
# wording.
normalise_linux() {
  sed -e 's/\(\[page [0-9]*\) CPage[0-9]*\]/\1]/' \
    -e '/^  timer [0-9]*: /d' -e '/^event: shutdown privilege enabled/d' \
    -e '/^ここでWindowsが再起動します。$/d' -e 's/^event: restart requested.*/event: restart requested/' "$1"
}

normalise_robot() {
  sed -e '/^# /d' -e 's/^event: restart requested.*/event: restart requested/' "$1"
}

# Keys and values (K/V lines of reg_view) by identity: the key path, and for
# a value also its name.
identities() {
  awk -F'\t' '$1 == "K" { print "K\t" $2 } $1 == "V" { print "V\t" $2 "\t" $3 }' "$1" | sort -u
}

# (FILENAME, not NR == FNR: with no identities to leave out, the first
# file is empty, and the second would be taken for it and vanish.)
without_identities() {
  awk -F'\t' 'FILENAME == ARGV[1] { skip[$0] = 1; next }
    $1 == "K" && ("K\t" $2) in skip { next }
    $1 == "V" && ("V\t" $2 "\t" $3) in skip { next }
    { print }' "$1" "$2"
}

cmd_run() {
  local name=$1 image=$2 script=$3 workdir=$4
  shift 4
  local mode="" windows=""
  while [ $# -gt 0 ]; do
    case $1 in
      --mode) mode=$2; shift 2 ;;
      --windows) windows=$2; shift 2 ;;
      *) die "unknown option $1" ;;
    esac
  done
  [ -d "$image" ] || die "$image: no machine image"
  [ -f "$script" ] || die "$script: no script"
  [ -x "$native/zrdrvtool" ] || die "$native/zrdrvtool is missing (build the native tree)"
  [ -x "$native/tests/reg_view" ] || die "$native/tests/reg_view is missing"
  [ -f "$robot" ] && [ -f "$ship/zrdrvtool.exe" ] || die "the Windows programs are missing: run 'run-e2e.sh build'"

  local work prefix
  work=$(realpath -m -- "$workdir/$name")
  # Prefixes side by side, so that they share the harness's base prefix.
  prefix=$(realpath -m -- "$workdir/prefixes/$name")
  "$harness" clean "$prefix"
  rm -rf "$work"
  mkdir -p "$work/shots"
  local start
  start=$(date +%s)

  # The image as both programs see it.
  local winmode
  if [ -n "$windows" ]; then
    winmode=$windows
  elif ! winmode=$("$harness" mode-of "$image" 2>"$work/skip.txt"); then
    cat "$work/skip.txt"
    echo "skipped: Wine has no mode for this Windows"
    exit 77
  fi
  if [ "$(ini_value "$image/machine.ini" admin)" = 0 ]; then
    echo "skipped: a limited user cannot be had under Wine (every Wine process holds an administrator's" \
      "token, and registry keys carry no access lists of the image), so the program would remove what" \
      "the image's user may not"
    exit 77
  fi
  cp -r -- "$image" "$work/image"
  rm -f "$work/image/events.log"
  adapt_to_wine "$work/image" "$winmode"
  cp -r -- "$work/image" "$work/linux-image"
  local codepage
  codepage=$(ini_value "$work/image/machine.ini" codepage)
  codepage=${codepage:-932}

  # 1. Linux.
  local linux_status=0
  "$native/zrdrvtool" --machine "$work/linux-image" --script "$script" ${mode:+--mode "$mode"} \
    >"$work/linux.txt" 2>"$work/linux.err" || linux_status=$?

  # 2. Wine.
  "$harness" prefix "$prefix" "$winmode" "$codepage"
  # One Wine server for the steps before the run (each would start its own),
  # once the one that set the mode has gone.
  as_wine_user WINEPREFIX="$prefix" wineserver -w
  as_wine_user WINEPREFIX="$prefix" wineserver -p
  "$harness" import "$prefix" "$work/image"
  configure_display "$prefix" "$work"
  # The program's desktop must come up on the X display, not on this
  # server's display-less one.
  "$harness" stop "$prefix"
  # Wine rewrites some of the imported values (computer name, processor
  # count, device links) whenever a session starts, so the registry as the
  # program will find it is read in a session of its own.
  "$harness" export "$prefix" 'HKEY_LOCAL_MACHINE' "$work/wine-before.reg"
  "$harness" stop "$prefix"
  # The robot writes its transcript and asks for screenshots here, as the
  # Wine user.
  ! is_root || chown -R "$wine_user:" "$work"
  local ready
  ready=$(date +%s)

  local exe=$ship/zrdrvtool.exe args=""
  if [ -n "$mode" ]; then
    exe=$testhooks
    args="--mode $mode --geometry-log $(windows_path "$work/geometry.txt")"
  fi
  local current
  current=$(ini_value "$work/image/machine.ini" current)
  ensure_folder "$prefix" "${current:-C:\\}"
  prefix_file_list "$prefix" >"$work/files-wine-before.txt"
  local robot_args=(--script "$(windows_path "$script")" --transcript "$(windows_path "$work/wine.txt")"
    --start "$(windows_path "$exe")" --cwd "${current:-C:\\}"
    --shots "$(windows_path "$work/shots")" --shot-name "$name")
  [ -z "$args" ] || robot_args+=(--args "$args")
  [ ! -f "$work/image/plug.reg" ] || robot_args+=(--plug "$(windows_path "$work/image/plug.reg")")

  local robot_status=0
  # -ac: Wine's user cannot read root's X authority file.
  xvfb-run -a -s "-screen 0 1024x768x24 -ac" "$here/on-display.sh" "$work/shots" \
    "$harness" run "$prefix" "$robot" "${robot_args[@]}" >"$work/robot.log" 2>&1 || robot_status=$?
  local ran
  ran=$(date +%s)
  "$harness" export "$prefix" 'HKEY_LOCAL_MACHINE' "$work/wine-after.reg"
  "$harness" stop "$prefix"

  # 3. Compare.
  local failed=0
  # Both runs must get through the script: two runs that fail alike prove
  # nothing.
  if [ "$linux_status" != 0 ] || [ "$robot_status" != 0 ]; then
    echo "exit status: Linux $linux_status, Windows (robot) $robot_status"
    grep -h -E '^(script error|expect failed)|^# ' "$work/linux.txt" "$work/wine.txt" | grep -v '^# sheet' || true
    failed=1
  fi
  if ! diff -u <(normalise_linux "$work/linux.txt") <(normalise_robot "$work/wine.txt") >"$work/transcript.diff"; then
    echo "the transcripts differ:"
    head -n 60 "$work/transcript.diff"
    failed=1
  fi

  # The NT family keeps text as UTF-16: compared so, a character that the
  # code page cannot hold differs from the '?' of a conversion.
  local unicode=""
  case $winmode in win2k | winxp) unicode=--unicode ;; esac
  local view="$native/tests/reg_view --codepage $codepage $unicode $work/image/HKLM.reg $work/linux-image/HKLM.reg --"
  $view "$work/image/HKLM.reg" >"$work/reg-image.txt"
  $view "$work/wine-before.reg" >"$work/reg-wine-before.txt"
  $view "$work/linux-image/HKLM.reg" >"$work/reg-linux.txt"
  $view "$work/wine-after.reg" >"$work/reg-wine-after.txt"
  # What Wine changed on its own before the program ran.
  comm -3 <(sort "$work/reg-image.txt") <(sort "$work/reg-wine-before.txt") | sed 's/^\t//' >"$work/wine-owned.txt"
  identities "$work/wine-owned.txt" >"$work/wine-owned.ids"
  if ! diff -u <(without_identities "$work/wine-owned.ids" "$work/reg-linux.txt") \
    <(without_identities "$work/wine-owned.ids" "$work/reg-wine-after.txt") >"$work/registry.diff"; then
    echo "the registries differ:"
    head -n 60 "$work/registry.diff"
    failed=1
  fi

  # Files: every file made, changed or deleted during the run, anywhere
  # in the prefix, against what the Linux program did to its image.
  file_list "$work/image/drive_c" >"$work/files-linux-before.txt"
  file_list "$work/linux-image/drive_c" >"$work/files-linux-after.txt"
  prefix_file_list "$prefix" >"$work/files-wine-after.txt"
  file_changes "$work/files-linux-before.txt" "$work/files-linux-after.txt" >"$work/files-linux.txt"
  # The Windows program's journal of the run (the Linux program keeps its
  # journal outside drive_c) is checked by run-restore.sh.
  file_changes "$work/files-wine-before.txt" "$work/files-wine-after.txt" |
    grep -v '^windows/zr77q5k/backup/' >"$work/files-wine.txt" || true
  if ! diff -u "$work/files-linux.txt" "$work/files-wine.txt" >"$work/files.diff"; then
    echo "the files differ:"
    head -n 40 "$work/files.diff"
    failed=1
  fi

  echo "e2e $name ($winmode${mode:+, $mode pages}): prefix $((ready - start)) s, run $((ran - ready)) s," \
    "total $(($(date +%s) - start)) s; $(grep -c . "$work/wine-owned.ids" || true) keys and values Wine set itself"
  grep '^# sheet window' "$work/wine.txt" || true
  [ ! -f "$work/geometry.txt" ] || sed 's/^/geometry: /' "$work/geometry.txt"
  ls "$work/shots"/*.png 2>/dev/null | sed 's/^/screenshot: /' || true
  if [ "$failed" -ne 0 ]; then
    echo "kept for a look: $work"
    exit 1
  fi
  # A prefix takes about 600 MB; transcripts, views and screenshots stay.
  # ZR_E2E_KEEP=1 keeps it for a caller that goes on in it (run-restore.sh).
  [ "${ZR_E2E_KEEP:-0}" = 1 ] && return 0
  "$harness" clean "$prefix"
  rm -f "$work/wine-before.reg" "$work/wine-after.reg"
}

# The front end's tests on real windows, in a prefix in MODE on Xvfb.
cmd_unit() {
  local mode=$1 workdir=$2 exe=$mingw/tests/wine/ui/ui_win32_tests.exe
  [ -f "$exe" ] || die "$exe is missing: run 'run-e2e.sh build'"
  local prefix
  prefix=$(realpath -m -- "$workdir/prefixes/ui-$mode")
  "$harness" prefix "$prefix" "$mode"
  ! is_root || chown "$wine_user:" "$workdir"
  configure_display "$prefix" "$workdir"
  # A server left from making the prefix knows no display.
  "$harness" stop "$prefix"
  local status=0
  xvfb-run -a -s "-screen 0 1024x768x24 -ac" "$harness" run "$prefix" "$exe" --gtest_color=no || status=$?
  if [ "$status" -eq 0 ]; then "$harness" clean "$prefix"; else "$harness" stop "$prefix"; fi
  exit "$status"
}

case ${1:-} in
  build) cmd_build ;;
  unit)
    [ $# -eq 3 ] || die "usage: run-e2e.sh unit MODE WORKDIR"
    cmd_unit "$2" "$3"
    ;;
  run)
    shift
    [ $# -ge 4 ] || die "usage: run-e2e.sh run NAME IMAGE SCRIPT WORKDIR [--mode MODE] [--windows win98]"
    cmd_run "$@"
    ;;
  *) die "usage: run-e2e.sh build | run NAME IMAGE SCRIPT WORKDIR [--mode MODE] [--windows win98]" ;;
esac
