#!/usr/bin/env bash
# The Win32 conformance suite under Wine, for CTest in the native tree.
#
#   run-conformance.sh build
#       configure (once) and build the i686 tree's conformance_win32.exe
#   run-conformance.sh run MODE WORKDIR [GTEST-ARG...]
#       run it in a fresh prefix WORKDIR/MODE (win98, winme, win2k, winxp),
#       removed again when every test passed
#
# ZR_MINGW_BUILD names the i686 build tree (default: the mingw-i686 preset's).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
build_dir=${ZR_MINGW_BUILD:-$source_dir/build/mingw-i686}
exe=$build_dir/tests/conformance_win32.exe

case ${1:-} in
  build)
    if [ ! -f "$build_dir/CMakeCache.txt" ]; then
      (cd "$source_dir" && cmake --preset mingw-i686 >/dev/null)
    fi
    cmake --build "$build_dir" --target conformance_win32 -j "$(nproc 2>/dev/null || echo 2)"
    ;;
  run)
    [ $# -ge 3 ] || { echo "usage: run-conformance.sh run MODE WORKDIR [GTEST-ARG...]" >&2; exit 2; }
    mode=$2
    prefix=$3/$mode
    shift 3
    [ -f "$exe" ] || { echo "$exe is missing: run 'run-conformance.sh build' first" >&2; exit 1; }
    start=$(date +%s)
    "$here/wine-harness.sh" prefix "$prefix" "$mode"
    ready=$(date +%s)
    status=0
    ZR_WINDOWS_MODE=$mode "$here/wine-harness.sh" run "$prefix" "$exe" --gtest_color=no "$@" ||
      status=$?
    echo "wine $mode: prefix $((ready - start)) s, tests $(($(date +%s) - ready)) s"
    # A prefix takes about 600 MB; one that saw a failure stays for a look.
    if [ "$status" -eq 0 ]; then
      "$here/wine-harness.sh" clean "$prefix"
    else
      "$here/wine-harness.sh" stop "$prefix"
      echo "the prefix is kept: $prefix"
    fi
    exit "$status"
    ;;
  *)
    echo "usage: run-conformance.sh build | run MODE WORKDIR [GTEST-ARG...]" >&2
    exit 2
    ;;
esac
