#!/usr/bin/env bash
# Checks the harness on a small machine image of its own: the mode chosen
# from machine.ini, a REGEDIT4 file in code page 932 imported and exported
# with its Japanese text intact, the image's drive_c merged into the
# prefix's folders without regard to case, and a read-only file of the image
# left unwritten by a Windows program (Wine runs unprivileged).
#
#   harness-selftest.sh WORKDIR
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
harness=$here/wine-harness.sh
work=${1:?usage: harness-selftest.sh WORKDIR}
image=$work/selftest-image
prefix=$work/selftest

fail() {
  echo "harness-selftest: $*" >&2
  exit 1
}

rm -rf "$image"
mkdir -p "$image/drive_c/WINDOWS/INF"
printf '[system]\r\nmajor=4\r\nminor=10\r\nplatform=1\r\ncodepage=932\r\n' >"$image/machine.ini"
# "日本語" in Shift-JIS.
printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\ZrSelfTest]\r\n"Name"="\x93\xfa\x96\x7b\x8c\xea"\r\n\r\n' \
  >"$image/HKLM.reg"
printf '[Version]\r\n' >"$image/drive_c/WINDOWS/INF/ZrTest.inf"
printf 'kept\r\n' >"$image/drive_c/ReadOnly.txt"
chmod a-w "$image/drive_c/ReadOnly.txt"

mode=$("$harness" mode-of "$image")
[ "$mode" = win98 ] || fail "mode-of gave '$mode', not win98"

"$harness" prefix "$prefix" "$mode"
trap '"$harness" clean "$prefix"; rm -rf "$image"' EXIT
"$harness" import "$prefix" "$image"

[ -f "$prefix/drive_c/windows/inf/ZrTest.inf" ] || fail "ZrTest.inf did not land in windows\\inf"
[ ! -e "$prefix/drive_c/WINDOWS" ] || fail "a second WINDOWS folder was made beside windows"

"$harness" run "$prefix" "$prefix/drive_c/windows/system32/cmd.exe" /c 'echo changed> C:\ReadOnly.txt' \
  >/dev/null 2>&1 || true
[ "$(cat "$prefix/drive_c/ReadOnly.txt")" = $'kept\r' ] || fail "a read-only file was written under Wine"

"$harness" export "$prefix" 'HKEY_LOCAL_MACHINE\Software\ZrSelfTest' "$work/selftest.reg"
exported=$(iconv -f UTF-16LE -t UTF-8 "$work/selftest.reg" | tr -d '\r')
expected=$(printf '"Name"="\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e"')
grep -qF -- "$expected" <<<"$exported" || fail "the exported value is not 日本語: $exported"
echo "harness self-test passed"
