#!/usr/bin/env bash
# Installs what building and testing need on Debian 12, and nothing that is already there.
# Safe to run again and again: every step checks first.
set -euo pipefail

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

packages=(
  # Windows cross build and its dependencies
  g++-mingw-w64-i686 libz-mingw-w64-dev binutils-source googletest
  # Running and driving the Windows programs
  wine wine32:i386 xvfb xauth xdotool imagemagick fonts-wqy-microhei locales
  # Native build, sanitizers, fuzzing and benchmarks
  cmake ninja-build g++ clang libclang-rt-14-dev libgtest-dev libbenchmark-dev
  zlib1g-dev libminizip-dev libssl-dev libpugixml-dev pkg-config
  # 32-bit native builds (tessec's i686 tests and benchmarks): gcc -m32 and i386 libraries
  g++-multilib libssl-dev:i386 libbenchmark-dev:i386 libgtest-dev:i386 libgmock-dev:i386
  zlib1g-dev:i386 libminizip-dev:i386 libpugixml-dev:i386
  # Test fixtures: archive tools, local servers, clients to compare with
  python3 zip unzip curl git openssl nginx-light
)

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
  need_update=1
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ "${#missing[@]}" -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  $SUDO apt-get update -qq
  # Servers among them (nginx, which the tests start on a port of their own) must not start
  # as system services: a policy that says no, for the time of the install.
  policy=/usr/sbin/policy-rc.d
  if [ ! -e "$policy" ]; then
    printf '#!/bin/sh\nexit 101\n' | $SUDO tee "$policy" >/dev/null
    $SUDO chmod +x "$policy"
    trap '$SUDO rm -f "$policy"' EXIT
  fi
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
elif [ -n "${need_update:-}" ]; then
  $SUDO apt-get update -qq
fi

# Wine converts command-line arguments with the locale's charset: without a generated
# zh_CN.UTF-8 locale, Chinese arguments arrive as garbage.
if ! locale -a 2>/dev/null | grep -qix 'zh_CN.utf8'; then
  echo "setup: generating the zh_CN.UTF-8 locale"
  $SUDO sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen >/dev/null
fi
echo "setup: done"
