#!/usr/bin/env bash
# Builds and runs every test: formatting; the native build with warnings as errors and its
# unit, black-box and fault tests; a real run under valgrind; the same suite under
# AddressSanitizer and UndefinedBehaviorSanitizer; a bounded libFuzzer run; the Windows build
# and its tests under Wine; and the release artifacts, checked (contents, licence, lintian,
# a static Linux program). Run as root, it first installs the Debian packages it needs.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=2
skipped=()

if [ "$(id -u)" -eq 0 ]; then
  bash scripts/install-deps.sh
fi

section() { printf '\n=== %s ===\n' "$*"; }

section "formatting"
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror
echo "clang-format: clean"

section "native build and tests"
cmake -S . -B build -DVARDILO_WERROR=ON >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --no-tests=error --output-on-failure -j"$jobs"

section "manual page"
warnings=$(groff -man -Tutf8 -ww build/vardilo.1 2>&1 >/dev/null)
[ -z "$warnings" ] || { echo "groff warnings: $warnings"; exit 1; }
echo "groff: no warnings"

section "a real run under valgrind memcheck"
scratch=$(mktemp -d)
cleanup() { rm -rf "$scratch"; }
trap cleanup EXIT
valgrind -q --error-exitcode=9 --leak-check=full --show-leak-kinds=all \
  --errors-for-leak-kinds=all --suppressions=tests/valgrind.supp \
  build/vardilo -h -1 -m 59 -s 58 -x 0 -f "$scratch/t.txt" -p 'T ' >/dev/null
[ "$(cat "$scratch/t.txt")" = "T 00:00:00" ]
echo "valgrind: no errors, nothing leaked"

section "tests under address and undefined-behaviour sanitizers"
cmake -S . -B build-sanitize -DVARDILO_WERROR=ON -DCMAKE_BUILD_TYPE=Debug \
  -DVARDILO_SANITIZE=address,undefined >/dev/null
cmake --build build-sanitize -j"$jobs"
ASAN_OPTIONS=halt_on_error=1:detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  ctest --test-dir build-sanitize --no-tests=error --output-on-failure -j"$jobs"

section "fuzzing the option scanner for ${FUZZ_SECONDS:-30} seconds"
CXX=clang++ cmake -S . -B build-fuzz -DVARDILO_FUZZ=ON -DVARDILO_TESTS=OFF -DVARDILO_WERROR=ON \
  -DVARDILO_SANITIZE=address,undefined >/dev/null
cmake --build build-fuzz -j"$jobs" --target option_fuzzer
mkdir -p build-fuzz/corpus
# Standard error is closed for the scanner's own messages; crash reports still come through.
# Only the summary is shown: the run count, coverage and the corpus size.
build-fuzz/fuzz/option_fuzzer -max_total_time="${FUZZ_SECONDS:-30}" -timeout=5 -close_fd_mask=2 \
  -print_final_stats=1 build-fuzz/corpus fuzz/corpus >build-fuzz/fuzz.log 2>&1 || {
  tail -n 40 build-fuzz/fuzz.log; exit 1; }
grep -E '^#[0-9]+[[:space:]]+DONE|^Done [0-9]+ runs|^stat::(number_of_executed_units|peak_rss_mb)' \
  build-fuzz/fuzz.log

if command -v i686-w64-mingw32-g++ >/dev/null && command -v wine >/dev/null; then
  section "Windows build and tests under Wine"
  cmake -S . -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/i686-w64-mingw32.cmake \
    -DVARDILO_WERROR=ON >/dev/null
  cmake --build build-win32 -j"$jobs"
  # A Wine prefix of the tests' own: nothing else runs in it, so ending its server at exit
  # leaves nothing behind, whatever a failing test did.
  export WINEPREFIX="${XDG_CACHE_HOME:-$HOME/.cache}/vardilo/wine"
  mkdir -p "$WINEPREFIX"
  trap 'WINEDEBUG=-all wineserver -k 2>/dev/null || true; cleanup' EXIT
  # Make the prefix once, before tests start programs side by side.
  WINEDEBUG=-all wineboot -i >/dev/null 2>&1 || true
  ctest --test-dir build-win32 --no-tests=error --output-on-failure
else
  skipped+=("Windows build and tests (no i686-w64-mingw32-g++ or wine; run as root to install)")
fi

if command -v i686-w64-mingw32-g++ >/dev/null && command -v lintian >/dev/null; then
  section "release artifacts"
  bash scripts/release.sh build/release
  bash scripts/check-release.sh build/release
else
  skipped+=("release artifacts (no i686-w64-mingw32-g++ or lintian; run as root to install)")
fi

if [ ${#skipped[@]} -gt 0 ]; then
  section "SKIPPED"
  printf '!!! skipped: %s\n' "${skipped[@]}"
  # CI must run everything.
  [ "${CI:-}" = true ] && exit 1
fi
echo "all tests passed"
