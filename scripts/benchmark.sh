#!/usr/bin/env bash
# How long one complete update takes against the limit the protocol allows.
# The receiver simulator runs at line rate (each byte 10 bit times at the speed
# the program has set, both ways); the real program runs under Wine and every
# box is answered at once. Prints, per stage and for the whole update, the wall
# time, the floor (the pauses the program prescribes per poll for these frames
# plus the wire time of every byte), their ratio, and the program's CPU time
# over the run (Update click to "Update Completed!"), in all and per thread;
# then what one poll's waits and window calls cost (tools/win/poll_cost.cpp).
#   scripts/benchmark.sh
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-debian.sh
. tests/wine/wine_env.sh
if [ "$WINE_CAN_RUN_32" = 1 ]; then scripts/build.sh native win32; else scripts/build.sh native win64; fi

export TICK=$(getconf CLK_TCK)
# cpu_sample start|end: user and system time of the program and of the Wine server.
# The fields after the command name (which may hold blanks): utime and stime
# are the 12th and 13th of them.
times_of() {
  local stat
  stat=$(cat "/proc/$1/stat" 2>/dev/null) || { echo "0 0"; return; }
  local rest=(${stat##*) })
  echo "${rest[11]} ${rest[12]}"
}
cpu_sample() {
  local server task
  server=$(pgrep -n wineserver || true)
  echo "$1 $(date +%s.%N) $(times_of "$app_pid") $( [ -n "$server" ] && times_of "$server" || echo 0 0)" >> "$BENCH_CPU"
  # And each of the program's threads, to tell the window's from the worker's.
  echo "$app_pid" > "$BENCH_CPU.pid"
  for task in /proc/"$app_pid"/task/*; do
    echo "$1 ${task##*/} $(times_of "$app_pid/task/${task##*/}")" >> "$BENCH_CPU.threads"
  done
}
export -f times_of
export -f cpu_sample
export BENCH_CPU=$(mktemp /tmp/tovrin-cpu.XXXXXX)
sim_out=$(mktemp /tmp/tovrin-bench.XXXXXX)
build/native/receiver_sim --line-rate > "$sim_out" 2>&1 &
sim_pid=$!
trap 'kill $sim_pid 2>/dev/null; rm -f "$sim_out" "$BENCH_CPU" "$BENCH_CPU.threads" "$BENCH_CPU.pid"; wine_cleanup' EXIT
for _ in $(seq 1 100); do [ -s "$sim_out" ] && break; sleep 0.05; done
device=$(head -n 1 "$sim_out")
echo "== Running one update against the simulator at line rate ($device)"
tests/wine/ui_session.sh build/win32 build/win64 tests/wine/benchmark.ui "$device" > "$sim_out.ui" 2>&1 ||
  { cat "$sim_out.ui"; exit 1; }
wait $sim_pid || true
grep -E "^sim: stage|^timing:|^sim: (PASS|FAIL)" "$sim_out"
read -r _ t0 pu0 ps0 su0 ss0 < <(grep '^start' "$BENCH_CPU")
read -r _ t1 pu1 ps1 su1 ss1 < <(grep '^end' "$BENCH_CPU")
awk -v t0="$t0" -v t1="$t1" -v pu=$((pu1 - pu0)) -v ps=$((ps1 - ps0)) -v su=$((su1 - su0)) -v ss=$((ss1 - ss0)) \
    -v tick="$TICK" 'BEGIN {
  wall = t1 - t0
  printf "cpu: program user %.2f s, system %.2f s over %.1f s: %.1f %% of one core\n", pu / tick, ps / tick, wall, 100 * (pu + ps) / tick / wall
  printf "cpu: wine server user %.2f s, system %.2f s: %.1f %% of one core\n", su / tick, ss / tick, 100 * (su + ss) / tick / wall
}'
# The threads that used a tenth of a second or more, busiest first.
awk -v tick="$TICK" -v pid="$(cat "$BENCH_CPU.pid" 2>/dev/null)" -v wall="$(awk -v a="$t0" -v b="$t1" 'BEGIN { print b - a }')" '
  $1 == "start" { u[$2] = $3; s[$2] = $4 }
  $1 == "end" { before = ($2 in u)  # a thread started during the run began at 0
    cpu = ($3 - u[$2] + $4 - s[$2]) / tick
    name = $2 == pid ? $2 " (the window'"'"'s)" : before ? $2 : $2 " (the worker, started by Update)"
    if (cpu >= 0.1) printf "cpu: thread %s: %.2f s, %.1f %% of one core\n", name, cpu, 100 * cpu / wall }
' "$BENCH_CPU.threads" | sort -t: -k3,3 -b -r -g
rm -f "$sim_out.ui"

# What a poll costs besides its pauses, on this machine's Wine.
echo "== Cost of one poll's waits and window calls"
wine_setup
wine_display
timeout 120 $WINE "$(wine_pick_build build/win32 build/win64)/tools/win/poll_cost.exe" 300 | tr -d '\r' | sed 's/^/poll: /'
wine_cleanup
