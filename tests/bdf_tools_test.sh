#!/bin/sh
# The BDF of every example as the readers of BDF take it: bdftopcf compiles
# it without a word, and FontForge opens it with every glyph at the
# encoding the BDF gives it. Exits 77 (skipped) when neither tool is
# installed; a missing one is named and skipped.
# Usage: bdf_tools_test.sh GLYFEX EXAMPLES_DIR WORK_DIR
glyfex=$1 examples=$2 work=$3
have_pcf=$(command -v bdftopcf) have_ff=$(command -v fontforge)
[ -n "$have_pcf$have_ff" ] || { echo "bdftopcf and fontforge not found: skipped"; exit 77; }
[ -n "$have_pcf" ] || echo "bdftopcf not found: not compiled"
[ -n "$have_ff" ] || echo "fontforge not found: not opened"
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
fails=0
fail() { echo "FAIL: $*"; fails=$((fails + 1)); }
"$glyfex" --bdf "$examples/sample.nfnt" sample.bdf > /dev/null || fail "sample.nfnt"
"$glyfex" --bdf "$examples/sample-hd.nfnt" hd.bdf > /dev/null || fail "sample-hd.nfnt"
"$glyfex" --bdf --charset palm "$examples/sample.prc" prc.bdf 114 > /dev/null || fail "sample.prc"
for bdf in sample.bdf hd.bdf hd-144.bdf prc.bdf; do
  if [ -n "$have_pcf" ]; then
    bdftopcf "$bdf" -o "$bdf.pcf" > "$bdf.log" 2>&1 && [ ! -s "$bdf.log" ] && [ -s "$bdf.pcf" ] ||
      fail "bdftopcf $bdf: $(cat "$bdf.log")"
  fi
  if [ -n "$have_ff" ]; then
    # The glyph count and the encoded glyphs' codes, as the BDF has them
    # and as FontForge read them (Unicode, or the Palm codes' slots, after
    # which it puts the glyphs it finds unencoded).
    expected=$(awk '$1 == "CHARS" || ($1 == "ENCODING" && $2 >= 0) { print $2 }' "$bdf" | sort -n | tr '\n' ' ')
    got=$(fontforge -quiet -lang=py -c "
import fontforge, sys
f = fontforge.open(sys.argv[1])
glyphs = list(f.glyphs())
print(len(glyphs))
unicode = f.encoding.startswith('Unicode')
for g in glyphs:
    code = g.unicode if unicode else g.encoding
    if 0 <= code and (unicode or code < 256):
        print(code)
" "$bdf" 2>/dev/null | sort -n | tr '\n' ' ')
    [ "$got" = "$expected" ] || fail "fontforge $bdf: read '$got', expected '$expected'"
  fi
done
# The README's TrueType font, made from an example and from the same font
# as a symbol font (its glyphs in the Private Use Area): every glyph sits
# at the code point its BDF gave it, and none at another.
if [ -n "$have_ff" ]; then
  "$glyfex" --bdf --charset symbol "$examples/sample.nfnt" symbol.bdf > /dev/null || fail "sample.nfnt as symbols"
  for bdf in sample.bdf symbol.bdf; do
    fontforge -lang=ff -c 'Open($1); Generate($2, "ttf")' "$bdf" "$bdf.ttf" > "$bdf.ttf.log" 2>&1 ||
      fail "fontforge ttf $bdf: $(cat "$bdf.ttf.log")"
    expected=$(awk '$1 == "ENCODING" && $2 >= 0 { print $2 }' "$bdf" | sort -n | tr '\n' ' ')
    got=$(fontforge -quiet -lang=py -c "
import fontforge, sys
f = fontforge.open(sys.argv[1])
for g in f.glyphs():
    if g.unicode >= 0 and g.glyphname not in ('.notdef', '.null', 'nonmarkingreturn'):
        print(g.unicode)
" "$bdf.ttf" 2>/dev/null | sort -n | tr '\n' ' ')
    [ "$got" = "$expected" ] || fail "fontforge ttf $bdf: code points '$got', expected '$expected'"
  done
fi
echo "$fails failed"
[ "$fails" -eq 0 ]
