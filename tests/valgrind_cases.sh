#!/bin/sh
# Runs glyfex under valgrind on a few conversions and refusals; any memory
# error or leak fails. Exits 77 (skipped) when valgrind is not installed.
# Usage: valgrind_cases.sh GLYFEX EXAMPLES_DIR WORK_DIR
command -v valgrind >/dev/null 2>&1 || { echo "valgrind not found: skipped"; exit 77; }
glyfex=$1 examples=$2 work=$3
mkdir -p "$work" || exit 1
head -c 40 "$examples/sample.nfnt" > "$work/cut.nfnt"
fails=0
check() {
  want=$1; shift
  valgrind -q --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite,indirect \
    "$glyfex" "$@" > "$work/stdout.txt"
  got=$?
  if [ "$got" -ne "$want" ]; then
    echo "FAIL (status $got, wanted $want): glyfex $*"; cat "$work/stdout.txt"; fails=$((fails + 1))
  fi
}
check 0 "$examples/sample.nfnt" "$work/sample.txt"
check 1 "$work/cut.nfnt" "$work/cut.txt"
check 1 "$examples/sample.nfnt" /dev/full
check 1 "$work" "$work/dir.txt"
check 1 "$examples/sample.nfnt"
cmp "$work/sample.txt" "$examples/sample.txt" || fails=$((fails + 1))
echo "$((6 - fails)) passed, $fails failed"
[ "$fails" -eq 0 ]
