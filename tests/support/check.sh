# Sourced by the shell-driven tests: check WHAT EXPECTED ACTUAL prints one
# line and counts the failures in $failures.
failures=0
check() { # what expected actual
  if [ "$2" = "$3" ]; then
    echo "ok    $1"
  else
    echo "FAIL  $1: expected '$2', got '$3'"
    failures=$((failures + 1))
  fi
}
