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
ticks=$(awk '{print $14 + $15}' "/proc/$pid/stat")
kill -INT "$pid"
wait "$pid" || true
hz=$(getconf CLK_TCK)
ms=$(( ticks * 1000 / hz ))
echo "kestrune idle for ${seconds}s used ${ms} ms of CPU (target: under 20 ms)"
