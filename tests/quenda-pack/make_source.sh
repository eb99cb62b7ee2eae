#!/usr/bin/env bash
# Lays out the release folder whose package the tests know by its SHA-256, natively and under
# Wine alike: names in Chinese, an empty folder, a read-only file, times set to fixed moments.
#   make_source.sh <folder> [reverse]
# With "reverse" the same entries are made in the opposite order (a file system that lists in
# order of making then lists them the other way round).
set -euo pipefail
root=$1
order=${2:-forward}
rm -rf "$root"
mkdir -p "$root"
items=(readme.txt bin/app.exe "数据/配置.ini" docs/empty/ docs/guide.txt)
if [ "$order" = reverse ]; then
  items=("docs/guide.txt" docs/empty/ "数据/配置.ini" bin/app.exe readme.txt)
fi
for item in "${items[@]}"; do
  path="$root/$item"
  case "$item" in
    */) mkdir -p "$path" ;;
    *)
      mkdir -p "$(dirname "$path")"
      python3 -c 'import sys; n = sys.argv[1]; sys.stdout.buffer.write((n + "\n").encode() * (len(n) * 997 % 4000 + 1))' "$item" > "$path"
      ;;
  esac
done
chmod 444 "$root/bin/app.exe"
# Seconds since 1970: 2021-06-15 10:30:44 and onwards, one hour apart.
t=1623753044
for item in readme.txt bin/app.exe "数据/配置.ini" docs/guide.txt docs/empty bin docs 数据; do
  touch -d "@$t" "$root/$item"
  t=$((t + 3600))
done
