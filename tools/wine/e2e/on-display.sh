#!/usr/bin/env bash
# Runs a command on the X display that xvfb-run made and takes the
# screenshots the robot asks for meanwhile: for each SHOTS/NAME.request, a
# picture of the whole screen as SHOTS/NAME.png.
#
#   on-display.sh SHOTS COMMAND [ARG...]
set -uo pipefail

shots=$1
# ImageMagick under its Debian name: a plain "convert" may be another program.
convert=$(command -v convert-im6.q16 || command -v convert)
shift

serve_shots() {
  while :; do
    for request in "$shots"/*.request; do
      [ -e "$request" ] || continue
      base=${request%.request}
      xwd -root -silent -display "$DISPLAY" | "$convert" xwd:- "png:$base.tmp" 2>/dev/null ||
        import -display "$DISPLAY" -window root "png:$base.tmp" 2>/dev/null
      mv -f "$base.tmp" "$base.png" 2>/dev/null
      rm -f "$request"
    done
    sleep 0.1
  done
}

serve_shots &
server=$!
status=0
"$@" || status=$?
kill "$server" 2>/dev/null
wait "$server" 2>/dev/null
exit "$status"
