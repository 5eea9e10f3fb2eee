#!/usr/bin/env bash
# Builds the release from a clean state and writes into DIR: the Debian package, the Windows
# zip, the static Linux tarball and SHA256SUMS for the three. Two runs from the same commit
# give the same bytes, wherever the checkout is. Usage: bash scripts/release.sh DIR
set -euo pipefail
out=$(realpath -m "${1:?usage: release.sh DIR}")
cd "$(dirname "$0")/.."

version=$(head -n 1 VERSION)
# Every time stamp in the artifacts is the time of the last commit.
SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || stat -c %Y VERSION)}
export SOURCE_DATE_EPOCH TZ=UTC LC_ALL=C
umask 022

work=build-release
rm -rf "$work"
mkdir -p "$work" "$out"

build() {
  local dir=$1
  shift
  cmake -S . -B "$work/$dir" -DCMAKE_BUILD_TYPE=Release -DVARDILO_TESTS=OFF -DVARDILO_WERROR=ON \
    "$@" >/dev/null
  cmake --build "$work/$dir" -j2 >/dev/null
}

echo "release $version: Debian package"
build deb -DVARDILO_DEB=ON
(cd "$work/deb" && cpack -B packages >/dev/null)
deb=vardilo_${version}_$(dpkg --print-architecture).deb
cp "$work/deb/packages/$deb" "$out/"

echo "release $version: static Linux program"
build static -DVARDILO_FULLY_STATIC=ON
cmake --install "$work/static" --strip --prefix "$work/static/stage" >/dev/null
tarball=vardilo-$version-linux-$(uname -m).tar.gz
python3 scripts/pack.py "$out/$tarball" --top "${tarball%.tar.gz}" \
  vardilo="$work/static/stage/bin/vardilo" vardilo.1="$work/static/vardilo.1" \
  README.md=README.md LICENSE=LICENSE

echo "release $version: Windows program"
build win32 -DCMAKE_TOOLCHAIN_FILE=cmake/i686-w64-mingw32.cmake
groff -man -Tascii -P-cbou "$work/win32/vardilo.1" >"$work/win32/MANUAL.txt"
zip=vardilo-$version-win32.zip
# The manual is not called vardilo.txt: that is the time file the program writes by default.
python3 scripts/pack.py "$out/$zip" vardilo.exe="$work/win32/vardilo.exe" \
  crlf:MANUAL.txt="$work/win32/MANUAL.txt" crlf:README.txt=README.md crlf:LICENSE.txt=LICENSE

(cd "$out" && sha256sum "$deb" "$tarball" "$zip" >SHA256SUMS && cat SHA256SUMS)
