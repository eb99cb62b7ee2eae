#!/usr/bin/env bash
# The updater's end-to-end fixtures: update packages made by Info-ZIP's zip (the version file,
# files in nested folders, an empty folder and a new build of the stand-in client), served
# from a loopback server; then runs the rest of the command line (the test).
# Signed copies of a package (the vendor's key, and another key) are served by a real nginx
# as well, on a port of its own (QUENDA_NGINX_BASE).
#   e2e_fixture.sh <scratch folder> <new client build> <runtime folder> <vendor's private key>
#                  -- <test command...>
set -euo pipefail
dir=$1
client=$2
runtime=$3
key=$4
shift 4
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
# The updater's own files too, as a package that updates the updater brings them: they are in
# use while they are replaced.
(cd "$runtime" && zip -q -X "$dir/www/ok/update.zip" update.exe DuiLib.dll Ferrow.dll)
package held 2.0.1
package slow 2.0.1
package drop 2.0.1
package mismatch 2.0.0
package space "2.0.1 "
package noversion none
package long "2.0.1-build.20240101.abcdefabcdef"  # 33 characters
# Damaged: one byte of a stored entry's data differs from what its CRC says.
package damaged 2.0.1
python3 - "$dir/www/damaged/update.zip" <<'PY'
import sys
path = sys.argv[1]
data = open(path, "rb").read()
at = data.index(b"level data\n")
open(path, "wb").write(data[:at] + b"LEVEL" + data[at + 5:])
PY
# Many files, for updates cut short at any moment: 600 small files, 50 to a folder, each
# with its number.
package many 2.0.1
# The same files in their old state, one copy for each installation a test makes (written
# here, where many small files cost little, and moved into place by the test).
python3 - "$dir" <<'PY'
import os, sys
def tree(root, word):
    for i in range(600):
        folder = os.path.join(root, "d%02d" % (i // 50))
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "f%04d.txt" % i), "w") as f:
            f.write("%s %d\n" % (word, i))
tree(os.path.join(sys.argv[1], "src", "many", "many"), "new")
for n in range(4):
    tree(os.path.join(sys.argv[1], "oldmany", str(n), "many"), "old")
PY
(cd "$dir/src/many" && zip -q -r -X "$dir/www/many/update.zip" many)
mkdir -p "$dir/www/notzip" "$dir/www/tiny-升级" "$dir/src/tiny"
head -c 5000 /dev/urandom >"$dir/www/notzip/update.zip"
printf '<config><version>2.0.1</version></config>' >"$dir/src/tiny/lastver.xml"
(cd "$dir/src/tiny" && zip -q -X "$dir/www/tiny-升级/update.zip" lastver.xml)
printf '<html>installer</html>\n' >"$dir/www/download-page"

# Signatures as the vendor makes them (stock OpenSSL); "ok" itself stays unsigned.
openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out "$dir/other-key.pem" 2>/dev/null
for route in signed othersig; do
  mkdir -p "$dir/www/$route"
  cp "$dir/www/ok/update.zip" "$dir/www/$route/update.zip"
done
openssl dgst -sha256 -sign "$key" -out "$dir/www/signed/update.zip.sig" "$dir/www/signed/update.zip"
openssl dgst -sha256 -sign "$dir/other-key.pem" -out "$dir/www/othersig/update.zip.sig" \
  "$dir/www/othersig/update.zip"

# nginx with a private configuration: one process, everything below $dir/nginx.
mkdir -p "$dir/nginx"
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
cat >"$dir/nginx/nginx.conf" <<EOF
daemon off;
master_process off;
pid $dir/nginx/nginx.pid;
error_log $dir/nginx/error.log;
events { worker_connections 64; }
http {
  access_log $dir/nginx/access.log;
  client_body_temp_path $dir/nginx/body;
  proxy_temp_path $dir/nginx/proxy;
  fastcgi_temp_path $dir/nginx/fastcgi;
  uwsgi_temp_path $dir/nginx/uwsgi;
  scgi_temp_path $dir/nginx/scgi;
  default_type application/octet-stream;
  server {
    listen 127.0.0.1:$port;
    root $dir/www;
  }
}
EOF
nginx -e "$dir/nginx/error.log" -p "$dir/nginx" -c "$dir/nginx/nginx.conf" &
nginx=$!
trap 'kill $nginx 2>/dev/null || true' EXIT
for _ in $(seq 100); do
  (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
  sleep 0.05
done

export QUENDA_E2E_ROOT="$dir" QUENDA_NGINX_BASE="http://127.0.0.1:$port"
python3 "$(dirname "$0")/../support/http_server.py" --root "$dir/www" --log "$dir/requests.log" \
  --rule /slow/update.zip "rate=300000" \
  --rule /drop/update.zip "drop_after=200000,range=ignore" \
  --rule /held/update.zip "hold_last=$dir/release-held" \
  -- "$@"
