#!/usr/bin/env bash
# The journal of the Windows program, put back by hand as a user without our
# program would: after an end-to-end run (run-e2e.sh run, prefix kept),
# `wine regedit /s restore.reg` and the journal's files/ copied back must
# give the registry and the files taken before the run.
#
#   run-restore.sh NAME IMAGE SCRIPT WORKDIR [--windows MODE]
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../../.." && pwd)
harness=$here/../wine-harness.sh
native=${ZR_NATIVE_BUILD:-$source_dir/build/native}

[ $# -eq 4 ] || [ $# -eq 6 ] || { echo "usage: run-restore.sh NAME IMAGE SCRIPT WORKDIR [--windows MODE]" >&2; exit 1; }
name=$1 workdir=$4
status=0
ZR_E2E_KEEP=1 "$here/run-e2e.sh" run "$@" || status=$?
[ "$status" = 0 ] || exit "$status"
work=$(realpath -m -- "$workdir/$name")
prefix=$(realpath -m -- "$workdir/prefixes/$name")
journal=$(find "$prefix/drive_c" -ipath '*/zr77q5k/backup/*' -name journal.txt -printf '%h\n' | head -n 1)
[ -n "$journal" ] || { echo "no journal in the prefix"; exit 1; }
echo "journal: $(du -sb "$journal" | cut -f1) bytes, $(grep -c '^#[0-9]*	done' "$journal/journal.txt") changes"

# Copies each file of files/C/ to its place in drive_c, finding folders in
# any spelling, as Windows would.
(cd "$journal/files/C" && find . -type f -printf '%P\n') | while IFS= read -r file; do
  dir=$prefix/drive_c
  IFS=/ read -r -a parts <<<"$file"
  for part in "${parts[@]:0:${#parts[@]}-1}"; do
    match=$(find "$dir" -mindepth 1 -maxdepth 1 -type d -iname "$part" -print -quit)
    dir=${match:-$dir/$part}
    mkdir -p "$dir"
  done
  cp -- "$journal/files/C/$file" "$dir/${parts[-1]}"
done
regfile="Z:$(realpath "$journal/restore.reg" | tr / '\\')"
WINEPREFIX=$prefix WINEDEBUG=-all wine regedit /S "$regfile" >/dev/null 2>&1 || echo "regedit: exit status $?"
"$harness" export "$prefix" 'HKEY_LOCAL_MACHINE' "$work/wine-restored.reg"
"$harness" stop "$prefix"

codepage=$(sed -n 's/^codepage=\([0-9]*\).*/\1/p' "$work/image/machine.ini")
view="$native/tests/reg_view --codepage ${codepage:-932} $work/image/HKLM.reg --"
$view "$work/wine-restored.reg" >"$work/reg-wine-restored.txt"
# Keys and values by identity (K path, V path name).
ids() { awk -F'\t' '{ print $1 "\t" $2 ($1 == "V" ? "\t" $3 : "") }' | sort -u; }
# What Wine rewrote by itself while the program ran (host name, processors,
# its own devices) is no part of the journal: values that changed in the
# Wine run but not in the Linux program's run of the same script.
comm -3 <(sort "$work/reg-image.txt") <(sort "$work/reg-linux.txt") | sed 's/^\t//' | ids >"$work/program.ids"
comm -3 <(sort "$work/reg-wine-before.txt") <(sort "$work/reg-wine-after.txt") | sed 's/^\t//' | ids |
  comm -23 - "$work/program.ids" >"$work/wine-run.ids"
without() { awk -F'\t' 'NR == FNR { skip[$0] = 1; next } !(($1 "\t" $2 ($1 == "V" ? "\t" $3 : "")) in skip)' "$1" "$2" | sort; }
without "$work/wine-run.ids" "$work/reg-wine-before.txt" >"$work/reg-before.txt"
without "$work/wine-run.ids" "$work/reg-wine-restored.txt" >"$work/reg-restored.txt"
echo "registry: $(grep -c . "$work/program.ids") keys and values the removal changed," \
  "$(grep -c . "$work/wine-run.ids" || true) that Wine rewrote itself during the run left out"
failed=0
if ! diff -u "$work/reg-before.txt" "$work/reg-restored.txt" >"$work/restore-registry.diff"; then
  echo "the registry after regedit /s restore.reg differs from the one before the run:"
  head -n 60 "$work/restore-registry.diff"
  failed=1
fi
# The image's files, by lower-cased path and checksum, before and after.
list() {
  (cd "$1" && find . -type f -printf '%P\n') | while IFS= read -r f; do
    printf '%s\t%s\n' "$(tr '[:upper:]' '[:lower:]' <<<"$f")" "$(md5sum <"$1/$f" | cut -c1-32)"
  done | sort
}
list "$work/image/drive_c" >"$work/files-before.txt"
list "$prefix/drive_c" | join -t $'\t' - <(cut -f1 "$work/files-before.txt") >"$work/files-restored.txt"
if ! diff -u "$work/files-before.txt" "$work/files-restored.txt" >"$work/restore-files.diff"; then
  echo "the files after copying files/ back differ from the ones before the run:"
  head -n 40 "$work/restore-files.diff"
  failed=1
fi
[ "$failed" = 0 ] && "$harness" clean "$prefix"
exit "$failed"
