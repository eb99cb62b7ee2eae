#!/usr/bin/env bash
# The update demo: a sample installation of the chat client (the stand-in client of the tests,
# build 1.0.0) with update.exe (built with the vendor's public key), sample packages (build
# 2.0.1) made and signed with quenda-pack and served slowly on 127.0.0.1,
# then two updates under Wine, followed step by step: one that succeeds and restarts the
# client, and one whose package declares the wrong version and sends the user to the
# installer's page. Screenshots of the window land in <build>/demo/update/shots.
#   tests/update/demo/update_demo.sh <win32-build-dir> [--user-display]
# Needs a display (DISPLAY) and the built tree; scripts/demo.sh provides both.
set -euo pipefail
root=$(cd "$(dirname "$0")/../../.." && pwd)
build=$(realpath -m "$1")
shift
demo="$build/demo/update"
rm -rf "$demo" && mkdir -p "$demo/www" "$demo/shots" "$demo/src"
winpath() { printf 'Z:%s' "${1//\//\\}"; }

# The vendor's side: packages made and signed with quenda-pack (the build's own vendor key).
export QUENDA_WINEPREFIX="${QUENDA_WINEPREFIX:-$build/wineprefix}"
package() {  # package <name> <version>
  local src="$demo/src/$1"
  mkdir -p "$src/data" "$demo/www/$1"
  cp "$build/tests/QuendaClientNew.exe" "$src/QuendaClient.exe"
  printf 'Quenda 2.0.1: new emoji, faster file transfer\n' >"$src/readme.txt"
  head -c 3000000 /dev/urandom >"$src/data/resources.bin"
  echo "  quenda-pack build --version $2 --key update-key.pem:"
  "$root/cmake/wine-run" "$build/bin/quenda-pack.exe" build --from "$(winpath "$src")" \
    --version "$2" --out "$(winpath "$demo/www/$1")" \
    --key "$(winpath "$build/tests/update-keys/update-key.pem")" </dev/null 2>&1 | tr -d '\r' |
    sed 's/^/    /'
}
install_client() {
  rm -rf "$demo/Quenda" && mkdir -p "$demo/Quenda"
  cp -r "$build/bin/DuiLib.dll" "$build/bin/Ferrow.dll" "$build/bin/skin" "$demo/Quenda/"
  # The updater built with the vendor's public key: it installs only what the vendor signed.
  cp "$build/tests/update_keyed.exe" "$demo/Quenda/update.exe"
  cp "$build/tests/QuendaClientOld.exe" "$demo/Quenda/QuendaClient.exe"
  printf 'Quenda 1.0.0\n' >"$demo/Quenda/readme.txt"
}
echo
echo "-- The vendor makes two signed packages"
package good 2.0.1
package wrong 2.0.0
printf '<html>installer</html>\n' >"$demo/www/download"

python3 "$root/tests/support/http_server.py" --root "$demo/www" --log "$demo/requests.log" \
  --port-file "$demo/port" --rule '/*/update.zip' "rate=1000000" >/dev/null &
server=$!
trap 'kill $server 2>/dev/null || true' EXIT
for _ in $(seq 100); do [ -s "$demo/port" ] && break; sleep 0.05; done
base="http://127.0.0.1:$(cat "$demo/port")"

export WINEPREFIX="${QUENDA_WINEPREFIX:-$build/wineprefix}" WINEARCH=win32 WINEDEBUG=-all
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree=}"
"$root/cmake/wine-prefix" "$WINEPREFIX"

scene() {  # scene <name> <package> <version> <what> [--user-display]
  local name=$1 pkg=$2 version=$3 what=$4
  shift 4
  echo
  echo "-- $what"
  install_client
  local size
  size=$(stat -c %s "$demo/www/$pkg/update.zip")
  wine "$build/tests/update_demo.exe" "$(winpath "$demo/Quenda")" "$(winpath "$demo/shots")" \
    "$base/$pkg/update.zip" "$base/download?from=$name" "$version" "$name" "$size" "$@" \
    </dev/null 2>/dev/null | tr -d '\r' || true
  if grep -q "GET /download?from=$name " "$demo/requests.log"; then
    echo "  (the server saw the browser ask for the download page)"
  fi
}
scene success good 2.0.1 "An update that succeeds: the package declares the expected version 2.0.1" \
  "$@"
scene failure wrong 2.0.1 "An update that fails: the package declares 2.0.0 where 2.0.1 was expected" \
  "$@"

for f in "$demo/shots"/*.bmp; do
  convert "$f" "${f%.bmp}.png" && rm -f "$f"
done
echo
echo "Screenshots of the update window: $demo/shots"
ls "$demo/shots" | sed 's/^/  /'
