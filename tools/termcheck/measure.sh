#!/usr/bin/env bash
# Measures qx-termcheck in a tmux pane: the time from start to the first drawn screen
# (wall clock before exec vs. the time the program stamps after its first refresh) and
# the CPU ticks (utime + stime from /proc/PID/stat) it uses while idle for 5 s.
#
#   tools/termcheck/measure.sh [PATH/TO/qx-termcheck] [RUNS]
set -euo pipefail
binary=$(realpath "${1:-build/qx-termcheck}")
runs=${2:-5}
unset TMUX
work=$(mktemp -d)
socket="$work/tmux"
trap 'tmux -S "$socket" kill-server 2>/dev/null || true; rm -rf "$work"' EXIT

for run in $(seq 1 "$runs"); do
    rm -f "$work/stamp" "$work/start" "$work/pid"
    cat >"$work/run.sh" <<EOS
#!/bin/sh
echo \$\$ >"$work/pid"
date +%s%N >"$work/start"
exec "$binary" --stamp "$work/stamp"
EOS
    chmod +x "$work/run.sh"
    tmux -S "$socket" -f /dev/null new-session -d -x 100 -y 30 -e LC_ALL=C.UTF-8 "$work/run.sh"
    for _ in $(seq 1 300); do [[ -s "$work/stamp" ]] && break; sleep 0.01; done
    start_ms=$(( ($(cat "$work/stamp") - $(cat "$work/start")) / 1000 ))
    pid=$(cat "$work/pid")
    before=$(awk '{print $14 + $15}' "/proc/$pid/stat")
    sleep 5
    after=$(awk '{print $14 + $15}' "/proc/$pid/stat")
    echo "run $run: first screen after ${start_ms} us; CPU ticks idle 5 s: $((after - before)) (total so far: $after)"
    tmux -S "$socket" send-keys q
    for _ in $(seq 1 300); do kill -0 "$pid" 2>/dev/null || break; sleep 0.01; done
    tmux -S "$socket" kill-server 2>/dev/null || true
done
