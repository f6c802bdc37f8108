#!/bin/bash
# deb_test.sh CPACK BUILD_DIR VERSION: builds the Debian package as a user does (cpack -G DEB, into a
# temporary folder), and fails on any error or warning lintian reports on it, on any error or warning
# of appstreamcli over the tree it installs, and where the package and what it holds do not all carry
# the project's VERSION. Prints each failure and exits 1 when there was any.
set -u
cpack=$1 build=$2 version=$3
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}

"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1 || { cat "$out/cpack.log"; exit 1; }
debs=("$out"/stillreel_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "FAILED: cpack made no single package: ${debs[*]}"; exit 1; }
deb=${debs[0]}
[ "$(basename "$deb")" = "stillreel_${version}_$(dpkg --print-architecture).deb" ] || fail "the package is $(basename "$deb")"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "the package's version is $(dpkg-deb -f "$deb" Version)"

# lintian's own exit status counts errors only; its warnings fail the test too. Info and pedantic tags
# are left to the packager's judgement.
report=$(lintian "$deb" 2>&1)
status=$?
faults=$(grep -E '^[EW]: ' <<<"$report")
if [ $status -ne 0 ] || [ -n "$faults" ]; then
  fail "lintian (exit $status):"
  echo "$report"
fi

root=$out/root
dpkg-deb -x "$deb" "$root" || fail "dpkg-deb cannot unpack the package"
# The tree as installed: the metadata, and the desktop entry its launchable names.
report=$(appstreamcli validate-tree --no-net --pedantic "$root" 2>&1)
status=$?
if [ $status -ne 0 ] || grep -qE '^ *[EW]: ' <<<"$report"; then
  fail "appstreamcli validate-tree (exit $status):"
  echo "$report"
fi

# One version everywhere: the program, the man pages, the changelog and the AppStream release.
printed=$("$root/usr/bin/stillreel-thumbs" --version 2>&1)
[ "$printed" = "stillreel-thumbs $version" ] || fail "stillreel-thumbs --version printed '$printed'"
for page in stillreel stillreel-thumbs; do
  heading=$(zcat "$root/usr/share/man/man1/$page.1.gz" | head -n 1)
  [[ $heading == *"\"Stillreel $version\""* ]] || fail "$page.1's heading is '$heading'"
done
zcat "$root/usr/share/doc/stillreel/changelog.gz" >"$out/changelog" || fail "no changelog.gz"
entry=$(dpkg-parsechangelog -l "$out/changelog" -S Version 2>&1)
[ "$entry" = "$version" ] || fail "the changelog's latest entry is '$entry'"
release=$(grep -o '<release version="[^"]*"' "$root"/usr/share/metainfo/*.metainfo.xml)
[ "$release" = "<release version=\"$version\"" ] || fail "the AppStream release is '$release'"

if [ "$failures" -ne 0 ]; then
  echo "$failures failed"
  exit 1
fi
echo "the package holds: lintian and appstreamcli report no error nor warning"
