#!/bin/sh
# Runs one test program whole for `make test-whole`: PROGRAM DIR. It passes when the program exits 0
# having run every test it lists. A program that ran fewer (a filter or a shard it was handed, a test
# binary that picks its own) passes in ctest's eyes, so the two numbers are compared here.
program=$1
dir=$2
name=${program##*/}
log=$dir/$name.whole.log
list=$dir/$name.whole.list

# The tests the program holds, less the disabled ones, which GoogleTest lists but does not run: those
# whose own name or suite name begins with DISABLED_, or has a part after a slash that does. They are
# listed without any GoogleTest variable of the environment, which could narrow the list as it narrows
# the run.
unset_variables=$(env | sed -n 's/^\(\(GTEST\|TESTBRIDGE\)_[A-Za-z0-9_]*\)=.*/-u \1/p')
# shellcheck disable=SC2086
if ! env $unset_variables "$program" --gtest_list_tests >"$list" 2>"$log"; then
    echo "$name: FAILED to list its tests"
    tail -n 40 "$list" "$log"
    exit 1
fi
listed=$(awk '
    /^[^ ]/ { suite = $1; next }
    /^  [^ ]/ { if (suite !~ /(^|\/)DISABLED_/ && $1 !~ /(^|\/)DISABLED_/) n++ }
    END { print n + 0 }' "$list")

# The order is shuffled with a seed chosen here (GoogleTest takes 1 to 99999), so that a run that fails
# can say which order failed and how to play it again.
seed=$(( $(od -An -N4 -tu4 /dev/urandom) % 99999 + 1 ))
rerun="$program --gtest_shuffle --gtest_random_seed=$seed"
"$program" --gtest_shuffle --gtest_random_seed="$seed" --gtest_brief=1 >"$log" 2>&1
status=$?
ran=$(sed -n 's/^\[==========\] \([0-9]*\) tests\{0,1\} from .* ran\..*/\1/p' "$log" | tail -n 1)
if [ "$status" = 0 ] && [ "${ran:-0}" -gt 0 ] && [ "$ran" = "$listed" ]; then
    echo "$name: passed whole ($ran tests, seed $seed)"
    : >"$dir/$name.whole.passed"
    exit 0
fi
# Brief output leaves out GoogleTest's closing list of the tests that failed; each failed test still has
# its own "[  FAILED  ] Suite.Name (N ms)" line, which may lie far above the end of the log. A report of
# a sanitizer (a leak found at exit, say) comes after the tests have run: whether they passed is said
# apart from it.
failed=$(sed -n 's/^\[  FAILED  \] \([A-Za-z_][^ .]*\.[^ ]*\).*/\1/p' "$log" | awk '!seen[$0]++')
failures=$(printf '%s\n' "$failed" | grep -c .)
sanitizer=$(sed -n 's/^SUMMARY: \([A-Za-z]*Sanitizer: .*[^.]\)\.*$/\1/p' "$log" | head -n 1)
if [ "$status" = 0 ] && [ -n "$ran" ]; then
    echo "$name: FAILED run whole with seed $seed: $ran tests ran of the $listed it lists (log in $log);" \
        "again: $rerun"
elif [ "$failures" -gt 0 ]; then
    echo "$name: FAILED run whole with seed $seed: $failures of its tests failed (${ran:-no} tests ran" \
        "of $listed, exit status $status${sanitizer:+; $sanitizer}; log in $log); again: $rerun"
    printf '%s\n' "$failed" | sed "s/^/$name: failed: /"
elif [ -n "$sanitizer" ] && [ "${ran:-0}" = "$listed" ]; then
    echo "$name: FAILED run whole with seed $seed: all its $ran tests passed, but the sanitizer reported" \
        "at exit: $sanitizer (exit status $status; log in $log); again: $rerun"
    # The report's head (its first stacks), not the end of a long report.
    report=$(sed -n '/ERROR: [A-Za-z]*Sanitizer\|runtime error: /,$p' "$log")
    printf '%s\n' "$report" | head -n 60
    [ "$(printf '%s\n' "$report" | wc -l)" -le 60 ] || echo "... (the whole report in $log)"
    exit 1
else
    echo "$name: FAILED run whole with seed $seed (${ran:-no} tests ran of $listed, exit status $status;" \
        "log in $log); again: $rerun"
fi
tail -n 40 "$log"
exit 1
