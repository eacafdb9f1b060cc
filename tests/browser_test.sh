#!/bin/sh
# Renders glyfex-scan's page of a sample font in headless Chromium and finds
# a known glyph's pixels in the screenshot, as a person would see them.
# Exits 77 (skipped) when Chromium or python3 is missing.
# Usage: browser_test.sh GLYFEX_SCAN TESTS_DIR EXAMPLES_DIR WORK_DIR
scan=$1 tests=$2 examples=$3 work=$4
browser=$(command -v chromium || command -v chromium-browser)
[ -n "$browser" ] || { echo "chromium not found: skipped"; exit 77; }
command -v python3 >/dev/null 2>&1 || { echo "python3 not found: skipped"; exit 77; }
rm -rf "$work" && mkdir -p "$work" || exit 1
"$scan" --html "$examples/sample.nfnt" > "$work/page.html" || exit 1
# As root Chromium needs --no-sandbox; the network flags keep it from
# reaching for hosts a test machine cannot reach.
timeout 120 "$browser" --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
  --disable-background-networking --disable-component-update --disable-sync --hide-scrollbars \
  --user-data-dir="$work/profile" --window-size=1000,1200 --screenshot="$work/page.png" \
  "file://$work/page.html" > "$work/chromium.log" 2>&1
[ -s "$work/page.png" ] || { echo "no screenshot"; cat "$work/chromium.log"; exit 1; }
# 'A' and the missing-character glyph at 72 dpi, four screen pixels a pixel.
python3 "$tests/find_glyph.py" "$work/page.png" "$examples/sample.txt" "'A'" 4 &&
  python3 "$tests/find_glyph.py" "$work/page.png" "$examples/sample.txt" "-1" 4
