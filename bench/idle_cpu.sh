#!/usr/bin/env bash
# Runs kestrune idle for 10 seconds and prints the CPU time it used (target: under 20 ms). An idle
# application must sleep in its run loop, not poll.
set -euo pipefail
binary=${1:-build/bench/kestrune}
seconds=${IDLE_SECONDS:-10}
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
HOME=$home XDG_CONFIG_HOME=$home/.config XDG_DATA_HOME=$home/.local/share XDG_STATE_HOME=$home/.local/state \
XDG_CACHE_HOME=$home/.cache "$binary" 2>"$home/log" &
pid=$!
sleep "$seconds"
# Nanoseconds on the CPU, summed over every thread of the process.
ns=$(cat /proc/"$pid"/task/*/schedstat | awk '{sum += $1} END {print sum}')
kill -INT "$pid"
wait "$pid" || true
echo "kestrune idle for ${seconds}s used $(awk -v n="$ns" 'BEGIN {printf "%.2f", n / 1e6}') ms of CPU (target: under 20 ms)"
