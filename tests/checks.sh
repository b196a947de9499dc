# Sourced by the test scripts: one line per check and the count at the end.
#   ok WHAT, fail WHAT      report a check that passed or failed
#   check WHAT COMMAND...   runs COMMAND and reports WHAT by its status
#   finish_checks           prints "N passed, M failed"; non-zero when any failed
passed=0
failed=0
ok() { passed=$((passed + 1)); echo "ok: $*"; }
fail() { failed=$((failed + 1)); echo "FAIL: $*"; }
check() {
  what=$1
  shift
  if "$@"; then ok "$what"; else fail "$what"; fi
}
finish_checks() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}
