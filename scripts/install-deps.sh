#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12, only where missing.
# Safe to run again; does nothing when everything is present.
set -euo pipefail

# What each group is for, so that the test command can say why it installs anything.
declare -A purpose=(
  [build]="cmake g++"
  [tests]="libgtest-dev libgmock-dev googletest python3 valgrind util-linux"
  [sanitizers and fuzzing]="clang libclang-rt-14-dev"
  [formatting]="clang-format"
  [benchmarks]="libbenchmark-dev"
  [manual page and packages]="groff-base man-db dpkg-dev file lintian"
  [Windows program and its tests]="g++-mingw-w64-i686 wine wine32"
)

missing=()
reasons=()
for group in "${!purpose[@]}"; do
  wanted=()
  for p in ${purpose[$group]}; do
    dpkg -s "$p" >/dev/null 2>&1 || wanted+=("$p")
  done
  if [ ${#wanted[@]} -gt 0 ]; then
    missing+=("${wanted[@]}")
    reasons+=("  for $group: ${wanted[*]}")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: not root, cannot install:" >&2
  printf '%s\n' "${reasons[@]}" >&2
  exit 1
fi

echo "install-deps: installing Debian packages that are missing:"
printf '%s\n' "${reasons[@]}"
# wine32 lives in the i386 architecture.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "install-deps: adding the i386 architecture for wine32"
  dpkg --add-architecture i386
fi
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
echo "install-deps: done"
