#!/usr/bin/env bash
# The Windows program's report against the Linux program's preview: on a
# copy of a machine image, the Linux program prints --preview, and the
# shipping zrdrvtool.exe, in a Wine prefix that holds the same image, writes
# /report FILE. Both must list the same changes (letter case aside: Wine
# names the Windows folder C:\windows) and exit with the same status, and
# nothing of the prefix's registry or files may be gone or changed.
#
#   run-report.sh NAME IMAGE WORKDIR
#
# Exit status 77: Wine has no mode for the image's Windows.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../../.." && pwd)
. "$here/../machine-ini.sh"
harness=$here/../wine-harness.sh
program=${ZR_NATIVE_BUILD:-$source_dir/build/native}/zrdrvtool
exe=${ZR_SHIP_BUILD:-$source_dir/build/mingw-i686-ship}/zrdrvtool.exe

[ $# -eq 3 ] || { echo "usage: run-report.sh NAME IMAGE WORKDIR" >&2; exit 2; }
name=$1 image=$2 workdir=$3
[ -x "$program" ] && [ -f "$exe" ] || { echo "$program or $exe is missing" >&2; exit 1; }

work=$(realpath -m -- "$workdir/$name")
prefix=$(realpath -m -- "$workdir/prefixes/$name")
"$harness" clean "$prefix"
rm -rf "$work"
mkdir -p "$work"
cp -r -- "$image" "$work/image"
rm -f "$work/image/events.log"

# Wine keeps the system folder's files in system32 in every mode; a 9x
# image's SYSTEM folder goes there for both programs.
system=$(ini_value "$work/image/machine.ini" system)
windows_dir=$(find "$work/image/drive_c" -mindepth 1 -maxdepth 1 -type d -iname windows -print -quit)
old_system=$(find "${windows_dir:-/nonexistent}" -mindepth 1 -maxdepth 1 -type d -iname system -print -quit 2>/dev/null || true)
if [ -n "$old_system" ]; then
  new_system=$(find "$windows_dir" -mindepth 1 -maxdepth 1 -type d -iname system32 -print -quit)
  new_system=${new_system:-$windows_dir/system32}
  mkdir -p "$new_system"
  cp -a "$old_system"/. "$new_system"/
  rm -rf "$old_system"
  sed -i "s|^system=[^\r]*|system=${system//\\/\\\\}32|" "$work/image/machine.ini"
fi

if ! mode=$("$harness" mode-of "$work/image" 2>"$work/skip.txt"); then
  cat "$work/skip.txt"
  echo "skipped: Wine has no mode for this Windows"
  exit 77
fi
codepage=$(ini_value "$work/image/machine.ini" codepage)
codepage=${codepage:-932}

linux_status=0
"$program" --machine "$work/image" --preview >"$work/linux.txt" 2>"$work/linux.err" || linux_status=$?

"$harness" prefix "$prefix" "$mode" "$codepage"
"$harness" import "$prefix" "$work/image"
"$harness" export "$prefix" 'HKEY_LOCAL_MACHINE' "$work/wine-before.reg"
files_of() { (cd "$prefix/drive_c" && find . -type f ! -path './windows/temp/*' ! -path './users/*' -exec md5sum {} + | sort); }
files_of >"$work/files-before.txt"
report=$(realpath -m -- "$work/wine-report.txt")
wine_status=0
"$harness" run "$prefix" "$exe" /report "Z:${report//\//\\}" >"$work/wine.log" 2>&1 || wine_status=$?
"$harness" export "$prefix" 'HKEY_LOCAL_MACHINE' "$work/wine-after.reg"
files_of >"$work/files-after.txt"
"$harness" stop "$prefix"

failed=0
if [ "$linux_status" != "$wine_status" ]; then
  echo "exit status: Linux $linux_status, Windows $wine_status"
  failed=1
fi
normalise() { tr -d '\r' | tr '[:upper:]' '[:lower:]'; }
if [ ! -f "$report" ]; then
  echo "the Windows program wrote no report"
  failed=1
elif ! diff -u <(normalise <"$work/linux.txt") <(iconv -f "CP$codepage" -t UTF-8 "$report" | normalise) \
  >"$work/report.diff"; then
  echo "the reports differ:"
  head -n 60 "$work/report.diff"
  failed=1
fi
# The keys the report names must be as they were (Wine itself rewrites
# a few values of its own when a program starts).
sed -n -E -e 's/^ +[0-9]+\. (key deleted|access list replaced): ([^[]*[^ []).*/\2/p' \
  -e 's/^ +[0-9]+\. value (changed|deleted|created): (.*)\\[^\\]*$/\2/p' "$work/linux.txt" |
  sed -E 's/ \[[^]]*\]$//' | tr '[:upper:]' '[:lower:]' | sort -u >"$work/named-keys.txt"
reg_lines() {
  iconv -f UTF-16LE -t UTF-8 "$1" | tr -d '\r' | awk -v named="$work/named-keys.txt" '
    BEGIN { while ((getline line < named) > 0) keys[line] = 1 }
    /^\[/ {
      key = tolower(substr($0, 2, length($0) - 2)); keep = 0
      for (k in keys) if (key == k || index(key, k "\\") == 1) keep = 1
      if (keep) print key
      next
    }
    keep && NF { print key "\t" $0 }' | sort -u
}
if [ -n "$(comm -23 <(reg_lines "$work/wine-before.reg") <(reg_lines "$work/wine-after.reg"))" ]; then
  echo "the report changed the prefix's registry:"
  comm -23 <(reg_lines "$work/wine-before.reg") <(reg_lines "$work/wine-after.reg") | head -n 20
  failed=1
fi
if [ -n "$(comm -23 "$work/files-before.txt" "$work/files-after.txt")" ]; then
  echo "the report changed files of the prefix:"
  comm -23 "$work/files-before.txt" "$work/files-after.txt" | head -n 20
  failed=1
fi
echo "report $name ($mode): $(grep -c '^  [0-9]*\. ' "$work/linux.txt" || true) changes listed, exit status $linux_status"
if [ "$failed" -ne 0 ]; then
  echo "kept for a look: $work"
  exit 1
fi
"$harness" clean "$prefix"
