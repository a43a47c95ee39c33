#!/usr/bin/env bash
# Runs the Windows benchmark (bench/wine_bench.cpp) under Wine and prints its
# figures with the machine's load. It builds nothing: build the preset's
# wine_bench target first (scripts/test-all does).
#
#   run-bench.sh [WORKDIR]
#
# The benchmark runs in a fresh Windows XP prefix WORKDIR/winxp (default: the
# build tree's wine/, where the pristine prefix it is copied from stays for
# the next run) holding the winxp-install sample image; the prefix is removed
# afterwards. ZR_MINGW_BUILD names the build tree (default: the
# mingw-i686 preset's; the prefixes are 32-bit).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
build_dir=${ZR_MINGW_BUILD:-$source_dir/build/mingw-i686}
exe=$build_dir/bench/wine_bench.exe
harness=$here/wine-harness.sh
machine=$source_dir/machines/winxp-install

[ -f "$exe" ] || { echo "$exe is missing: build the wine_bench target first" >&2; exit 1; }
workdir=${1:-$build_dir/wine}
prefix=$workdir/winxp

load() { echo "machine load $1: $(cat /proc/loadavg) (1, 5, 15 min; $(nproc) cores) --$(uptime)"; }

"$harness" prefix "$prefix" "$("$harness" mode-of "$machine")"
"$harness" import "$prefix" "$machine"
load before
status=0
"$harness" run "$prefix" "$exe" || status=$?
load after
"$harness" clean "$prefix"
exit "$status"
