#!/usr/bin/env bash
# Checks what release.sh wrote: the contents of each artifact and the licence in each, a
# lintian-clean Debian package, a fully static Linux program that runs with nothing else
# around it, and the make-up of the Windows program. Usage: bash scripts/check-release.sh DIR
set -euo pipefail
dir=$(realpath "${1:?usage: check-release.sh DIR}")
cd "$(dirname "$0")/.."
version=$(head -n 1 VERSION)
fail() {
  echo "check-release: $*" >&2
  exit 1
}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
version_text=$'[Vardilo by Zelvar]\n<> version: '"$version"

(cd "$dir" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS do not match"

deb=$dir/vardilo_${version}_$(dpkg --print-architecture).deb
listed=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $NF}' | sort | tr '\n' ' ')
[ "$listed" = "./usr/bin/vardilo ./usr/share/doc/vardilo/changelog.Debian.gz \
./usr/share/doc/vardilo/copyright ./usr/share/man/man1/vardilo.1.gz " ] ||
  fail "unexpected package contents: $listed"
dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/doc/vardilo/copyright |
  grep -q "^License: Expat" || fail "no licence in the package's copyright file"
# lintian's exit status and its note about running as root say nothing about the package.
tags=$(lintian -I "$deb" 2>/dev/null || true)
bad=$(grep -E '^[EW]: |hardening-no-' <<<"$tags" || true)
[ -z "$bad" ] || fail "lintian: $bad"
echo "$(basename "$deb"): $listed"
echo "lintian -I: ${tags:-no tags}"

tarball=$dir/vardilo-$version-linux-$(uname -m).tar.gz
top=$(basename "$tarball" .tar.gz)
listed=$(tar -tzf "$tarball" | sort | tr '\n' ' ')
[ "$listed" = "$top/ $top/LICENSE $top/README.md $top/vardilo $top/vardilo.1 " ] ||
  fail "unexpected tarball contents: $listed"
mkdir "$scratch/root"
tar -xzf "$tarball" -C "$scratch" "$top/vardilo"
mv "$scratch/$top/vardilo" "$scratch/root/"
file -b "$scratch/root/vardilo" | grep -q "statically linked" || fail "the program is not static"
# The root directory holds the program and nothing else: no libc, no loader.
if [ "$(id -u)" -eq 0 ]; then
  jail=(chroot "$scratch/root")
else
  jail=(unshare --map-root-user chroot "$scratch/root")
fi
shown=$("${jail[@]}" /vardilo -v) && status=0 || status=$?
[ "$shown" = "$version_text" ] && [ $status -eq 1 ] ||
  fail "the static program in an empty root printed '$shown' with status $status"
echo "$(basename "$tarball"): $listed; runs alone in an empty root"

zip=$dir/vardilo-$version-win32.zip
python3 - "$zip" "$scratch/win32" <<'PY'
import sys, zipfile
z = zipfile.ZipFile(sys.argv[1])
names = sorted(z.namelist())
assert names == ["LICENSE.txt", "MANUAL.txt", "README.txt", "vardilo.exe"], names
for name in names[:3]:
    text = z.read(name)
    assert text.count(b"\n") == text.count(b"\r\n") > 0, f"{name} does not end its lines in CR LF"
assert b"Permission is hereby granted" in z.read("LICENSE.txt")
z.extract("vardilo.exe", sys.argv[2])
print(sys.argv[1].rsplit("/", 1)[1] + ": " + " ".join(names))
PY
python3 tests/windows_exe_test.py "$scratch/win32/vardilo.exe" 2>&1 | tail -n 1
if command -v wine >/dev/null; then
  shown=$(bash cmake/wine-run.sh "$scratch/win32/vardilo.exe" -v | tr -d '\r') && status=0 || status=$?
  [ "$shown" = "$version_text" ] && [ $status -eq 1 ] ||
    fail "the zip's program printed '$shown' with status $status under Wine"
  echo "the zip's program runs under Wine"
fi
