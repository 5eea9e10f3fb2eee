#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12, only where missing.
# Safe to run again; does nothing when everything is present.
set -euo pipefail

native=(cmake g++ clang clang-format libgtest-dev libgmock-dev googletest libbenchmark-dev
        libclang-rt-14-dev valgrind groff-base man-db python3 dpkg-dev file)
cross=(g++-mingw-w64-i686 wine wine32)

missing=()
for p in "${native[@]}" "${cross[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: not root, cannot install: ${missing[*]}" >&2
  exit 1
fi

# wine32 lives in the i386 architecture.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
