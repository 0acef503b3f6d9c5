# The one assertion of the shell tests, sourced by each: prints "ok" or "FAIL" with what was
# expected and what came, and counts the failures in $failures.
failures=0
check() { # description, expected, actual
  if [ "$2" == "$3" ]; then echo "ok   $1"; else echo "FAIL $1: expected [$2], got [$3]"; failures=$((failures + 1)); fi
}
