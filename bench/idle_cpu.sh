#!/usr/bin/env bash
# Runs kestrune idle for 10 seconds in a fresh home and prints the CPU time it used, start-up included
# (target: under 20 ms), and how much of it the first second took. An idle application must sleep in
# its run loop, not poll; its start-up must not load what it does not use.
set -euo pipefail
binary=${1:-build/bench/kestrune}
seconds=${IDLE_SECONDS:-10}
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
HOME=$home XDG_CONFIG_HOME=$home/.config XDG_DATA_HOME=$home/.local/share XDG_STATE_HOME=$home/.local/state \
XDG_CACHE_HOME=$home/.cache "$binary" 2>"$home/log" &
pid=$!
# Nanoseconds on the CPU, summed over every thread of the process.
cpu() { cat /proc/"$pid"/task/*/schedstat | awk '{sum += $1} END {print sum}'; }
sleep 1
first=$(cpu)
sleep $((seconds - 1))
ns=$(cpu)
kill -INT "$pid"
wait "$pid" || true
echo "kestrune idle for ${seconds}s used $(awk -v n="$ns" 'BEGIN {printf "%.2f", n / 1e6}') ms of CPU" \
     "($(awk -v n="$first" 'BEGIN {printf "%.2f", n / 1e6}') ms in the first second; target: under 20 ms)"
