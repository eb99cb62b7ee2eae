#!/usr/bin/env bash
# Runs the rest of the command line with the download library's test servers up: over HTTP,
# generated bodies below /gen/<size>.<case>, each case misbehaving in its own way; over HTTPS,
# with a self-signed certificate that no client should trust. $1 is a scratch folder.
set -euo pipefail
dir=$1
shift
rm -rf "$dir/www" "$dir/requests.log"
mkdir -p "$dir/www"
printf 'old package\n' >"$dir/www/small.txt"
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$dir/tls.key" -out "$dir/tls.crt" -days 2 \
  -subj "/CN=quenda-test" 2>/dev/null
server="$(dirname "$0")/../support/http_server.py"
exec python3 "$server" --root "$dir/www" --tls "$dir/tls.crt" "$dir/tls.key" --env-prefix QUENDA_HTTPS -- \
  python3 "$server" --root "$dir/www" --log "$dir/requests.log" \
  --rule /gen/300000.slow "rate=400000" \
  --rule /redirect "redirect=/gen/1000" \
  --rule /gen/2000.e503 "status=503,times=2,retry_after=1" \
  --rule /gen/2000.e500 "status=500" \
  --rule /gen/2000.e503stop "status=503,retry_after=30" \
  --rule /gen/500000.drop "drop_after=200000,times=1" \
  --rule /gen/500000.dropnorange "drop_after=200000,times=1,range=ignore" \
  --rule /gen/500000.dropalways "drop_after=200000,range=ignore" \
  --rule /gen/300000.lie "length=400000" \
  --rule /gen/300001.chunked "chunked=1" \
  --rule /gen/300000.nolength "no_length=1" \
  --rule /gen/3000000.stall "stall_after=100000,range=ignore" \
  --rule /gen/3000000.stall2 "stall_after=100000" \
  --rule /gen/3000000.stall3 "stall_after=100000" \
  --rule /gen/1000.silent "stall_headers=1" \
  -- "$@"
