#!/usr/bin/env bash
# Runs the launcher GUI tests ("$@" after the screenshot folder $1) with a loopback HTTP server
# for the browsers to ask, then turns the screenshots (BMP, as the tests save them) into PNG.
set -uo pipefail
out=$1; shift
rm -rf "$out" && mkdir -p "$out/www/game"
for page in vintor pellam nosize swallowed zero; do
  printf '<html><body>%s</body></html>\n' "$page" >"$out/www/game/$page.html"
done
export QUENDA_LAUNCHER_SHOTS="$out"
python3 "$(dirname "$0")/../support/http_server.py" --root "$out/www" --log "$out/requests.log" -- "$@"
rc=$?
for f in "$out"/*.bmp; do
  [ -e "$f" ] || continue
  convert "$f" "${f%.bmp}.png" && rm -f "$f"
done
exit $rc
