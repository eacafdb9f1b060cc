#!/bin/sh
# mandoc's checker on the man pages: any warning fails. Exits 77 (skipped)
# when mandoc is not installed. Usage: man_lint.sh PAGE...
command -v mandoc >/dev/null 2>&1 || { echo "mandoc not found: skipped"; exit 77; }
mandoc -T lint -W warning "$@"
