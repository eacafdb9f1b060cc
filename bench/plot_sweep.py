#!/usr/bin/env python3
"""Draws the glyph-width sweep of process_bench as an SVG plot.

Usage: process_bench DIR RUNS sweep1-255 > sweep.tsv
       plot_sweep.py sweep.tsv [before.tsv] > docs/sweep.svg

Each line of the input is a width and three or four ratios against cat:
rendering to /dev/null, to a new file, to a new file on one CPU, and over
an existing file. The plot draws
each ratio against the width, with the targets (1.0 and 1.1) as lines;
with a second file, its rendering ratio too, in grey, for comparison.
"""
import sys

WIDTH, HEIGHT = 760, 360
LEFT, RIGHT, TOP, BOTTOM = 56, 16, 34, 44
Y_MAX = 2.0
SERIES = [("render to /dev/null", "#1f6fb4"), ("new file", "#d0641e"), ("new file, one CPU", "#2a9a3b"),
          ("existing file", "#8a3fb0")]


def read(path):
    rows = []
    for line in open(path):
        fields = line.split()
        if len(fields) < 4 or not fields[0].isdigit():
            continue
        rows.append((int(fields[0]), [float(v) for v in fields[1:5]]))
    if not rows:
        sys.exit(f"no sweep lines in {path}")
    return rows


def main():
    rows = read(sys.argv[1])
    before = read(sys.argv[2]) if len(sys.argv) > 2 else []
    first, last = rows[0][0], rows[-1][0]
    plot_w, plot_h = WIDTH - LEFT - RIGHT, HEIGHT - TOP - BOTTOM

    def x(width):
        return LEFT + (width - first) * plot_w / max(last - first, 1)

    def y(ratio):
        return TOP + plot_h - min(ratio, Y_MAX) * plot_h / Y_MAX

    out = [f'<svg xmlns="http://www.w3.org/2000/svg" width="{WIDTH}" height="{HEIGHT}" '
           f'viewBox="0 0 {WIDTH} {HEIGHT}" font-family="sans-serif" font-size="12">',
           f'<rect width="{WIDTH}" height="{HEIGHT}" fill="#fff"/>',
           f'<text x="{LEFT}" y="18" font-size="14">glyfex ÷ cat of its text, by glyph width '
           f'(256 glyphs, about 32 MB of text; ratios above {Y_MAX} drawn at {Y_MAX})</text>']
    for tick in [0.0, 0.2, 0.4, 0.6, 0.8, 1.0, 1.2, 1.4, 1.6, 1.8, 2.0]:
        out.append(f'<line x1="{LEFT}" x2="{WIDTH - RIGHT}" y1="{y(tick):.1f}" y2="{y(tick):.1f}" '
                   f'stroke="{"#888" if tick in (1.0,) else "#e4e4e4"}"/>')
        out.append(f'<text x="{LEFT - 6}" y="{y(tick) + 4:.1f}" text-anchor="end">{tick:.1f}</text>')
    out.append(f'<line x1="{LEFT}" x2="{WIDTH - RIGHT}" y1="{y(1.1):.1f}" y2="{y(1.1):.1f}" '
               f'stroke="#888" stroke-dasharray="4 3"/>')
    for tick in range(0, last + 1, 16):
        if tick < first:
            continue
        out.append(f'<line x1="{x(tick):.1f}" x2="{x(tick):.1f}" y1="{TOP + plot_h}" y2="{TOP + plot_h + 4}" stroke="#444"/>')
        out.append(f'<text x="{x(tick):.1f}" y="{TOP + plot_h + 17}" text-anchor="middle">{tick}</text>')
    out.append(f'<text x="{LEFT + plot_w / 2}" y="{HEIGHT - 8}" text-anchor="middle">glyph width (columns)</text>')
    if before:
        points = " ".join(f"{x(w):.1f},{y(r[0]):.1f}" for w, r in before)
        out.append(f'<polyline fill="none" stroke="#aaa" stroke-width="1" points="{points}"/>')
        out.append(f'<text x="{WIDTH - RIGHT - 150}" y="{TOP + 14 + 15 * len(SERIES)}" fill="#888">'
                   f'render, before</text>')
    for i, (name, colour) in enumerate(SERIES):
        if any(len(r) <= i for _, r in rows):
            continue
        points = " ".join(f"{x(w):.1f},{y(r[i]):.1f}" for w, r in rows)
        out.append(f'<polyline fill="none" stroke="{colour}" stroke-width="1.3" points="{points}"/>')
        out.append(f'<text x="{WIDTH - RIGHT - 150}" y="{TOP + 14 + 15 * i}" fill="{colour}">{name}</text>')
    out.append("</svg>")
    print("\n".join(out))


if __name__ == "__main__":
    main()
