#!/bin/sh
# Says what `make tsan` leaves out and what it runs only in part, after its tests, whether they passed or
# not: TSAN_DIR ASAN_DIR [LIST_SECONDS]. Every count comes from what is built and what ran: the tests
# that the programs of the thread-sanitizer build list, beside those that the address-sanitizer build's
# programs (what `make test` runs) list when that build is there, and the rounds that the kill suites'
# tests said they ran, in this pass and in make test's last one (ctest keeps every test's output in its
# log).
tsan=$1
asan=$2
# Listing takes a second. A program that hangs while listing (in this build alone, say) would keep make
# tsan, and CI, running for ever without these lines: it is stopped after LIST_SECONDS (default 120), as
# tests/run_whole.sh stops one, named, and not asked again.
list_limit=${3:-120}
# The programs that could not list their tests, each with what happened, tab-separated.
hung=$(mktemp) || exit 1
trap 'rm -f "$hung"' EXIT

# How many of its tests PROGRAM lists under FILTER; nothing when it is not built; else, when it could not
# list them, what happened: "hung" when it was stopped while listing, "crashed (signal N)" or "ended with
# status N" when it ended otherwise than with status 0 (a program that crashes at start or at exit is
# built, and is named as what it is). Such a program is named once on standard error and not asked again.
count() {
    [ -x "$1" ] || return 0
    failed=$(grep -F "$1	" "$hung" | cut -f2 | head -n 1)
    if [ -n "$failed" ]; then
        echo "$failed"
        return 0
    fi
    tests=$({ timeout --kill-after=10 "$list_limit" "$1" --gtest_list_tests --gtest_filter="$2"; } 2>/dev/null)
    status=$?
    if [ "$status" = 124 ] || [ "$status" = 137 ]; then
        printf '%s\thung\n' "$1" >>"$hung"
        echo "tsan: $1 FAILED to list its tests: still running after $list_limit s (--gtest_list_tests)" >&2
        echo hung
        return 0
    fi
    if [ "$status" != 0 ]; then
        if [ "$status" -gt 128 ]; then
            how="crashed (signal $((status - 128)))"
        else
            how="ended with status $status"
        fi
        printf '%s\t%s\n' "$1" "$how" >>"$hung"
        echo "tsan: $1 FAILED to list its tests: it $how (--gtest_list_tests)" >&2
        echo "$how"
        return 0
    fi
    printf '%s\n' "$tests" | grep -c '^  '
}

# Whether COUNT is a count or nothing (not built), not what happened to a program that could not list.
listed() {
    case $1 in
        *[!0-9]*) return 1 ;;
        *) return 0 ;;
    esac
}

# What ctest's last run in DIR says of SUITE's tests: "STARTED FINISHED ROUNDS", from the "[ kill suite ]"
# line each of them prints at its end ("rounds A to B: ..." or "N rounds, ..."); "0 0 0" without a log.
rounds() {
    log=$1/Testing/Temporary/LastTest.log
    [ -f "$log" ] || { echo 0 0 0; return; }
    awk -v suite="$2." '
        /^\[ RUN      \] / { current = $4; if (index(current, suite)) started++; next }
        /^\[ kill suite \] / && index(current, suite) {
            finished++
            if (match($0, /rounds [0-9]+ to [0-9]+/)) {
                split(substr($0, RSTART, RLENGTH), words, " ")
                total += words[4] - words[2] + 1
            } else if (match($0, /[0-9]+ rounds/)) {
                total += substr($0, RSTART, RLENGTH) + 0
            }
        }
        END { print started + 0, finished + 0, total + 0 }' "$log"
}

# SUITE: what runs of it here beside what make test runs, as far as the builds and their logs tell.
part() {
    here=$(count "$tsan/reporting_tests" "*/$1.*")
    all=$(count "$asan/reporting_tests" "*/$1.*")
    if ! listed "$here"; then
        tests="$tsan/reporting_tests $here listing its tests"
    elif [ -z "$here" ]; then
        tests="$tsan/reporting_tests not built"
    elif ! listed "$all"; then
        tests="$here tests here (make test's count: $asan/reporting_tests $all listing its tests)"
    elif [ -z "$all" ]; then
        tests="$here tests here (make test's count: $asan/reporting_tests lists it, once built)"
    elif [ "$here" = "$all" ]; then
        tests="its $all tests"
    else
        tests="$here of the $all tests make test runs"
    fi
    # Their six numbers, here then in make test's build, as $1 to $6.
    # shellcheck disable=SC2046
    set -- $(rounds "$tsan" "$1") $(rounds "$asan" "$1")
    if [ "${1:-0}" = 0 ]; then
        ran="not run in this pass"
    else
        ran="$3 rounds ran here"
        [ "$2" = "$1" ] || ran="$1 of its tests ran here and $2 reached their end, with $3 rounds"
        # make test's count, when its last run ran every test of the suite to its end.
        [ -z "$all" ] || [ "${4:-0}" != "$all" ] || [ "$5" != "$all" ] || ran="$ran, $6 in make test's last run"
    fi
    echo "$tests; $ran"
}

quits='QuitWithWorkInFlightTest.*:*/QuitsWhileTheKitsStart.*:*/QuitsWhileThePhoneConnects.*'
here=$(count "$tsan/main_tests" "$quits")
all=$(count "$asan/main_tests" "$quits")
if ! listed "$here"; then
    left="main_tests' quit tests (how many: $tsan/main_tests $here listing them; "
elif ! listed "$all"; then
    left="main_tests' quit tests (how many: $asan/main_tests $all listing them; "
elif [ -z "$all" ]; then
    left="main_tests' quit tests (how many: $asan/main_tests lists them, once built; "
elif [ "${here:-0}" = 0 ]; then
    left="main_tests' $all quit tests ("
else
    left="$((all - here)) of main_tests' $all quit tests ("
fi
echo "tsan: left out here: ${left}QuitWithWorkInFlightTest, QuitsWhileTheKitsStart, QuitsWhileThePhoneConnects): they look for" \
    "memory torn down under a worker at the quit, which AddressSanitizer finds, in make test"
echo "tsan: run in part: the analytics kill suite (USKKillSuiteTest: $(part USKKillSuiteTest)) and the upload" \
    "kill suite (CRKUploadExactlyOnceTest: $(part CRKUploadExactlyOnceTest)): each round starts a process," \
    "several times slower here, and the suites are here for their threads, not their count"
