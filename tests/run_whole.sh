#!/bin/sh
# Runs one test program whole for `make test-whole`: PROGRAM DIR [SECONDS]. It passes when the program exits
# 0 having run every test it lists, and is stopped, failing, once SECONDS (default 300, ctest's limit for
# one test) pass without a test of it starting or ending: a limit on progress, which catches a hung test
# and holds however busy the machine (a whole program's time grows with the load; at a load average of
# 20 to 57 main_tests outran a 30-minute limit on its whole run). A program that ran fewer (a filter or a
# shard it was handed, a test binary that picks its own) passes in ctest's eyes, so the two numbers are
# compared here. A test that skips itself fails unless tests/allowed_skips.txt names it (the programs'
# main sees to that); the skipped and the disabled tests are named here with the reasons given there.
program=$1
dir=$2
limit=${3:-300}
name=${program##*/}
log=$dir/$name.whole.log
list=$dir/$name.whole.list
allowed=$(dirname "$0")/allowed_skips.txt

# The reason tests/allowed_skips.txt gives for a test, or nothing when it does not name the test.
reason_for() {
    awk -v test="$1" '$1 == test { sub(/^[^ \t]+[ \t]+/, ""); print; exit }' "$allowed"
}

# The tests the program holds, less the disabled ones, which GoogleTest lists but does not run: those
# whose own name or suite name begins with DISABLED_, or has a part after a slash that does. They are
# listed without any GoogleTest variable of the environment, which could narrow the list as it narrows
# the run.
unset_variables=$(env | sed -n 's/^\(\(GTEST\|TESTBRIDGE\)_[A-Za-z0-9_]*\)=.*/-u \1/p')
# Listing takes a second; a program that hangs (at exit, say) is stopped within the same time limit as
# a whole run would be, and fails naming the step.
list_limit=$(( limit < 120 ? limit : 120 ))
# shellcheck disable=SC2086
timeout --kill-after=10 "$list_limit" env $unset_variables "$program" --gtest_list_tests >"$list" 2>"$log"
status=$?
if [ "$status" = 124 ] || [ "$status" = 137 ]; then
    echo "$name: FAILED to list its tests: still running after $list_limit s (--gtest_list_tests; log in $log)"
    tail -n 40 "$list" "$log"
    exit 1
elif [ "$status" != 0 ]; then
    echo "$name: FAILED to list its tests (exit status $status)"
    tail -n 40 "$list" "$log"
    exit 1
fi
listed=$(awk '
    /^[^ ]/ { suite = $1; next }
    /^  [^ ]/ { if (suite !~ /(^|\/)DISABLED_/ && $1 !~ /(^|\/)DISABLED_/) n++ }
    END { print n + 0 }' "$list")
# The disabled ones are named, with the reason the list of allowed skips gives for each; one that list
# gives no reason for fails the program, as a test that skips itself without one does.
disabled=$(awk '
    /^[^ ]/ { suite = $1; next }
    /^  [^ ]/ { if (suite ~ /(^|\/)DISABLED_/ || $1 ~ /(^|\/)DISABLED_/) print suite $1 }' "$list")
unexplained=""
for test in $disabled; do
    reason=$(reason_for "$test")
    if [ -n "$reason" ]; then
        echo "$name: disabled: $test ($reason)"
    else
        unexplained="$unexplained $test"
    fi
done
if [ -n "$unexplained" ]; then
    for test in $unexplained; do
        echo "$name: FAILED: disabled test $test has no reason in tests/allowed_skips.txt"
    done
    exit 1
fi
# The order is shuffled with a seed chosen here (GoogleTest takes 1 to 99999), so that a run that fails
# can say which order failed and how to play it again. Each test's start is in the log as it happens
# (GoogleTest flushes its "[ RUN      ]" lines), so that a run stopped for want of progress names the test
# it was in. The program leads a process group of its own (setsid, which a background job of this
# non-interactive shell enters without a fork), so that a stop reaches what its tests started too.
seed=$(( $(od -An -N4 -tu4 /dev/urandom) % 99999 + 1 ))
rerun="$program --gtest_shuffle --gtest_random_seed=$seed"
started=$(date +%s)
setsid "$program" --gtest_shuffle --gtest_random_seed="$seed" >"$log" 2>&1 &
pid=$!
# Stopped itself (Ctrl-C at make), this script stops the program's group, which the terminal's signal no
# longer reaches.
trap 'kill -TERM "-$pid" 2>/dev/null; exit 130' INT TERM HUP
# A watchdog beside it, while this shell waits for the program: it counts the tests' starts and ends every
# few seconds, and stops the program's group once their count has not changed for the limit, leaving a
# mark that says so.
stalled=$dir/$name.whole.stalled
rm -f "$stalled"
(
    moves=0
    moved=$(date +%s)
    while kill -0 "$pid" 2>/dev/null; do
        sleep 5
        now=$(date +%s)
        seen=$(grep -c '^\[ *\(RUN\|OK\|FAILED\|SKIPPED\) *\] ' "$log")
        if [ "$seen" != "$moves" ]; then
            moves=$seen
            moved=$now
        elif [ $((now - moved)) -ge "$limit" ]; then
            : >"$stalled"
            kill -TERM "-$pid" 2>/dev/null
            for _ in 1 2 3 4 5 6; do
                kill -0 "$pid" 2>/dev/null || exit 0
                sleep 5
            done
            kill -KILL "-$pid" 2>/dev/null
            exit 0
        fi
    done
) &
watchdog=$!
wait "$pid"
status=$?
kill "$watchdog" 2>/dev/null
wait "$watchdog" 2>/dev/null
if [ -f "$stalled" ]; then
    status=124
    rm -f "$stalled"
fi
took=$(( $(date +%s) - started ))
ran=$(sed -n 's/^\[==========\] \([0-9]*\) tests\{0,1\} from .* ran\..*/\1/p' "$log" | tail -n 1)
# Tests that skipped themselves, with the reason that allows them to (the program fails any other test
# that skips).
sed -n 's/^\[  SKIPPED \] \([A-Za-z_][^ .]*\.[^ ]*\) (.*/\1/p' "$log" | while read -r test; do
    echo "$name: skipped: $test ($(reason_for "$test"))"
done
# Where the run was when it ended: in the last test started, unless a line after it says how that test
# ended.
running=$(awk '
    /^\[ RUN      \] / { current = $4; last = $4; next }
    /^\[ *(OK|FAILED|SKIPPED) *\] / { sub(/^\[[^]]*\] /, ""); sub(/[ ,].*/, ""); if ($0 == current) current = "" }
    END { print (current != "" ? "in " current : last != "" ? "after " last " ended" : "before any test started") }' "$log")
if [ "$status" = 124 ] || [ "$status" = 137 ]; then
    [ -z "$ran" ] || running="after its last test, at exit"
    echo "$name: FAILED run whole with seed $seed: no test started or ended for $limit s, $running (log in" \
        "$log);" \
        "again: $rerun"
    tail -n 40 "$log"
    exit 1
fi
if [ "$status" = 0 ] && [ "${ran:-0}" -gt 0 ] && [ "$ran" = "$listed" ]; then
    echo "$name: passed whole ($ran tests, seed $seed, $took s)"
    : >"$dir/$name.whole.passed"
    exit 0
fi
# Each failed test has its own "[  FAILED  ] Suite.Name (N ms)" line, which may lie far above the end of
# the log, and GoogleTest's closing list names them again. A report of a sanitizer (a leak found at
# exit, say) comes after the tests have run: whether they passed is said apart from it.
failed=$(sed -n 's/^\[  FAILED  \] \([A-Za-z_][^ .]*\.[^ ,]*\).*/\1/p' "$log" | awk '!seen[$0]++')
failures=$(printf '%s\n' "$failed" | grep -c .)
sanitizer=$(sed -n 's/^SUMMARY: \([A-Za-z]*Sanitizer: .*[^.]\)\.*$/\1/p' "$log" | head -n 1)
if [ "$status" = 0 ] && [ -z "$ran" ]; then
    # GoogleTest never said how many tests ran: the process ended, with the status of a pass, before the run
    # of the tests did (exit(0), _exit(0) or quick_exit(0) in a test).
    begun=$(grep -c '^\[ RUN      \] ' "$log")
    echo "$name: FAILED run whole with seed $seed: the process ended (status 0) $running, before its tests" \
        "finished ($begun of the $listed it lists had started; log in $log); again: $rerun"
    [ "$failures" = 0 ] || printf '%s\n' "$failed" | sed "s/^/$name: failed: /"
elif [ "$status" = 0 ]; then
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
