#!/bin/sh
# Builds the Debian package twice with one SOURCE_DATE_EPOCH, checks that
# the two are identical, that lintian finds nothing worse than information,
# and that both programs and both man pages are in it. Exits 77 (skipped)
# when lintian or dpkg-deb is not installed.
# Usage: package_test.sh BUILD_DIR WORK_DIR
for tool in lintian dpkg-deb; do
  command -v "$tool" >/dev/null 2>&1 || { echo "$tool not found: skipped"; exit 77; }
done
build=$1 work=$2
rm -rf "$work" && mkdir -p "$work/a" "$work/b" || exit 1
export SOURCE_DATE_EPOCH=1796731200
for out in a b; do
  cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/$out" >"$work/$out.log" 2>&1 || {
    cat "$work/$out.log"; exit 1; }
done
deb=$(ls "$work"/a/*.deb) || exit 1
cmp "$deb" "$work/b/$(basename "$deb")" || { echo "FAIL: two packages from one build differ"; exit 1; }
lintian --fail-on error,warning "$deb" 2>/dev/null || { echo "FAIL: lintian"; exit 1; }
dpkg-deb -c "$deb" > "$work/contents.txt" || exit 1
for path in usr/bin/glyfex usr/bin/glyfex-scan usr/share/man/man1/glyfex.1.gz usr/share/man/man1/glyfex-scan.1.gz; do
  grep -q " \./$path\$" "$work/contents.txt" || { echo "FAIL: $path is not in the package"; exit 1; }
done
echo "package built, reproducible, lintian clean"
