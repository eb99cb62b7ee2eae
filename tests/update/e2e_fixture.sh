#!/usr/bin/env bash
# The updater's end-to-end fixtures: update packages made by Info-ZIP's zip (the version file,
# files in nested folders, an empty folder and a new build of the stand-in client), served
# from a loopback server; then runs the rest of the command line (the test).
#   e2e_fixture.sh <scratch folder> <new client build> -- <test command...>
set -euo pipefail
dir=$1
client=$2
shift 2
[ "${1:-}" = "--" ] && shift

rm -rf "$dir" && mkdir -p "$dir/www"
package() {  # package <route> <version or "none"> [extra files...]
  local route=$1 version=$2
  local src="$dir/src/$route"
  mkdir -p "$src/data/levels" "$src/plugins" "$src/config"
  if [ "$version" != none ]; then
    printf '<?xml version="1.0" encoding="utf-8"?>\n<config>\n  <version>%s</version>\n</config>\n' \
      "$version" >"$src/lastver.xml"
  fi
  cp "$client" "$src/QuendaClient.exe"
  printf 'Quenda 2.0.1\n' >"$src/readme.txt"
  printf '[ui]\nskin=blue\n' >"$src/config/settings.ini"
  printf 'level data\n' >"$src/data/levels/new.dat"
  head -c 1000000 /dev/urandom >"$src/data/assets.bin"
  mkdir -p "$dir/www/$route"
  (cd "$src" && zip -q -r -X "$dir/www/$route/update.zip" .)
}
package ok 2.0.1
package slow 2.0.1
package drop 2.0.1
package mismatch 2.0.0
package space "2.0.1 "
package noversion none
package long "2.0.1-build.20240101.abcdefabcdef"  # 33 characters
mkdir -p "$dir/www/notzip" "$dir/www/tiny" "$dir/src/tiny"
head -c 5000 /dev/urandom >"$dir/www/notzip/update.zip"
printf '<config><version>2.0.1</version></config>' >"$dir/src/tiny/lastver.xml"
(cd "$dir/src/tiny" && zip -q -X "$dir/www/tiny/update.zip" lastver.xml)
printf '<html>installer</html>\n' >"$dir/www/download-page"

export QUENDA_E2E_ROOT="$dir"
exec python3 "$(dirname "$0")/../support/http_server.py" --root "$dir/www" --log "$dir/requests.log" \
  --rule /slow/update.zip "rate=300000" \
  --rule /drop/update.zip "drop_after=200000,range=ignore" \
  -- "$@"
