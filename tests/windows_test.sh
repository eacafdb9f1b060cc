#!/bin/sh
# glyfex.exe and glyfex-scan.exe under Wine, run as a Windows user would:
# the examples convert to the very texts of the Linux build, an existing
# output is replaced, a refusal leaves it alone with no temporary file, the
# same file in two spellings is refused, a name outside ASCII converts,
# glyfex-scan.exe lists a .prc as on Linux with the command quoted for
# cmd.exe, and its --cmd batch file runs in cmd.exe. Exits 77 (skipped) without Wine.
# Usage: windows_test.sh WINE GLYFEX_EXE GLYFEX_SCAN_EXE EXAMPLES_DIR WORK_DIR
wine=$1 glyfex=$2 scan=$3 examples=$4 work=$5
[ -n "$wine" ] && command -v "$wine" >/dev/null 2>&1 || { echo "wine not found: skipped"; exit 77; }
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
cp "$examples/sample.nfnt" "$examples/sample-hd.nfnt" "$examples/sample.prc" . || exit 1
passed=0 failed=0
ok() { passed=$((passed + 1)); }
fail() { echo "FAIL: $*"; failed=$((failed + 1)); }
glyfex() { "$wine" "$glyfex" "$@" > glyfex.log 2>&1; }
no_temp() { [ -z "$(ls -A | grep '^\.glyfex-')" ]; }

glyfex sample.nfnt sample.txt && cmp -s sample.txt "$examples/sample.txt" && ok || fail "sample.nfnt"
glyfex sample-hd.nfnt hd.txt && cmp -s hd.txt "$examples/sample-hd.txt" &&
  cmp -s hd-144.txt "$examples/sample-hd-144.txt" && ok || fail "sample-hd.nfnt"
glyfex sample.prc prc.txt 0x72 && cmp -s prc.txt "$examples/sample.txt" && ok || fail "sample.prc at 0x72"

echo old > replaced.txt
glyfex sample.nfnt replaced.txt && cmp -s replaced.txt "$examples/sample.txt" && no_temp && ok || fail "replacing"

head -c 100 sample.nfnt > cut.nfnt
echo old > kept.txt
if glyfex cut.nfnt kept.txt; then fail "a cut font converted"; else
  grep -q "ERROR: Font resource lies outside the input file." glyfex.log && [ "$(cat kept.txt)" = old ] && no_temp &&
    ok || fail "refusal: $(cat glyfex.log)"
fi

cp sample.prc same.prc
if glyfex same.prc '.\SAME.PRC' 114; then fail "same file in two spellings converted"; else
  grep -q "ERROR: Input and output are the same file." glyfex.log && cmp -s same.prc sample.prc && ok ||
    fail "same file: $(cat glyfex.log)"
fi

cp sample.nfnt "fönt ü.nfnt"
glyfex "fönt ü.nfnt" "fönt ü.txt" && cmp -s "fönt ü.txt" "$examples/sample.txt" && ok || fail "a name outside ASCII"

# The listing as Linux prints it, but for the command, which is quoted as
# cmd.exe reads it (its program's path aside).
"$wine" "$scan" sample.prc > listing.txt 2>&1
sed 's/  "[^"]*glyfex[^"]*" "sample.prc"/  "glyfex" "sample.prc"/' listing.txt > listing-plain.txt
printf '%s\n' "sample.prc: Palm resource database, 3 resources" "" \
  "type      id      offset        size  font" "tver    1000         110           4" \
  "NFNT    1000         114         612  \"glyfex\" \"sample.prc\" \"font-1000.txt\" 114" \
  "tSTR    1000         726           7" "" > listing-linux.txt
cmp -s listing-plain.txt listing-linux.txt && ok || { fail "listing"; cat listing.txt; }

# The batch file converts every font when cmd runs it. Wine's cmd runs
# what follows || even after a command that succeeded, so there each
# "|| exit /b 1" becomes the "if errorlevel 1 exit /b 1" line it means.
"$wine" "$scan" --cmd sample.prc > fonts.bat 2>&1 && grep -q '114 || exit /b 1' fonts.bat &&
  sed 's@ || exit /b 1@\r\nif errorlevel 1 exit /b 1@' fonts.bat > wine-fonts.bat &&
  "$wine" cmd /c wine-fonts.bat > cmd.log 2>&1 && cmp -s font-1000.txt "$examples/sample.txt" && ok ||
  { fail "--cmd"; cat fonts.bat cmd.log; }

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
