#!/bin/sh
# Usage: check_instrumentation.sh ARCHIVE...
# Fails unless every object file with code in the given static libraries carries libFuzzer's coverage
# counters (it calls __sanitizer_cov_8bit_counters_init from its module constructor). A library built
# without them still links into a fuzz target, but the fuzzer sees none of its branches.
status=0
for archive in "$@"; do
  if [ ! -f "$archive" ]; then
    echo "missing library: $archive"
    status=1
    continue
  fi
  missing=$(nm -A "$archive" 2>/dev/null | awk '
    {
      n = split($0, head, ":"); member = head[2]
      m = split($0, field, " "); type = field[m - 1]; name = field[m]
      if (type ~ /^[TtW]$/) code[member] = 1
      if (name == "__sanitizer_cov_8bit_counters_init") counted[member] = 1
    }
    END { for (member in code) if (!(member in counted)) print member }')
  if [ -n "$missing" ]; then
    echo "not instrumented in $(basename "$archive"):" $missing
    status=1
  else
    echo "instrumented: $(basename "$archive")"
  fi
done
exit $status
