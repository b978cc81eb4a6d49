#!/usr/bin/env bash
# One end-to-end run: the receiver simulator on a pseudo-terminal, COM1 mapped
# to it, the real program driven by a UI script. Passes when the script passes
# and the simulator verified everything it received.
#   e2e.sh WIN32_BUILD_DIR WIN64_BUILD_DIR SIMULATOR SCRIPT [SIMULATOR OPTIONS...]
set -u
here=$(cd "$(dirname "$0")" && pwd)
win32=$1 win64=$2 sim=$3 script=$4
shift 4
out=$(mktemp /tmp/tovrin-sim.XXXXXX)
"$sim" "$@" > "$out" 2>&1 &
sim_pid=$!
trap 'kill $sim_pid 2>/dev/null; rm -f "$out"' EXIT
for _ in $(seq 1 100); do [ -s "$out" ] && break; sleep 0.05; done
device=$(head -n 1 "$out")
echo "simulator: $device $*"
start=$(date +%s)
"$here/ui_session.sh" "$win32" "$win64" "$script" "$device"
ui=$?
echo "ui session: exit $ui after $(( $(date +%s) - start )) s"
if [ "${TOVRIN_SIM_MUST_FINISH:-1}" = 1 ]; then
  for _ in $(seq 1 200); do kill -0 $sim_pid 2>/dev/null || break; sleep 0.1; done
fi
kill $sim_pid 2>/dev/null
wait $sim_pid
sim_status=$?
tail -n +2 "$out"
[ $ui -eq 77 ] && exit 77
[ $ui -eq 0 ] || { echo "FAIL: the UI script failed"; exit 1; }
if [ "${TOVRIN_SIM_MUST_FINISH:-1}" = 1 ] && [ $sim_status -ne 0 ]; then
  echo "FAIL: the simulator found mismatches"; exit 1
fi
grep -q "MISMATCH" "$out" && { echo "FAIL: the simulator found mismatches"; exit 1; }
echo "PASS"
