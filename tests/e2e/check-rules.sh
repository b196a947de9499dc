#!/bin/sh
# check-rules.sh OBJDUMP RULES LIST PROGRAM...
# The checker's rule table RULES (old_windows_rules.cpp) has a row for every
# function that each PROGRAM imports and for every function of LIST (the
# functions the 32-bit saver may import): a rule, or the line that its
# documentation gives no difference that matters. The checker reports any
# function without one at run time as well; this finds it without Wine.
set -u
objdump=$1
rules=$2
list=$3
shift 3
status=0
rows=$(grep -o '{"[A-Za-z0-9_.]*", "[A-Za-z0-9_]*"' "$rules" | tr -d '{",' | awk '{ print toupper($1), $2 }' | sort -u)
[ -n "$rows" ] || { echo "FAIL: no rows read from $rules"; exit 1; }
wanted=$(grep -v '^#' "$list" | awk 'NF == 2 { print toupper($1), $2 }')
for program in "$@"; do
  imports=$("$objdump" -p "$program" |
    awk '/DLL Name:/ { dll = toupper($3); next } dll != "" && NF == 3 && $1 ~ /^[0-9a-f]+$/ { print dll, $3 }') ||
    { echo "FAIL: cannot read $program"; status=1; continue; }
  wanted=$(printf '%s\n%s\n' "$wanted" "$imports")
done
missing=$(printf '%s\n' "$wanted" | grep . | sort -u | grep -vxF "$rows" | tr '\n' ' ')
count=$(printf '%s\n' "$wanted" | grep . | sort -u | grep -c .)
if [ -n "$missing" ]; then
  echo "FAIL: no rule for: $missing"
  status=1
else
  echo "ok: all $count imported functions have a row in $(basename "$rules")"
fi
exit $status
