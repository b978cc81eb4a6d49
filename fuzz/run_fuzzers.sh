#!/usr/bin/env bash
# Runs every fuzz target for a bounded time from its seed corpus and prints,
# per target, the executions, the coverage reached and what was found.
#   run_fuzzers.sh BUILD_DIR SECONDS_PER_TARGET
set -u
build=$1
seconds=${2:-60}
work=$build/fuzz-work
rm -rf "$work"
mkdir -p "$work"
"$build/fuzz/make_seeds" "$work/seeds" || exit 1
status=0
for target in info_reply command_reply boot_reply image_reader stages; do
  corpus=$work/corpus/$target
  mkdir -p "$corpus"
  log=$work/$target.log
  max_len=300
  [ "$target" = image_reader ] && max_len=65613
  [ "$target" = stages ] && max_len=4096
  "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -max_len=$max_len -timeout=20 -rss_limit_mb=4096 \
    -artifact_prefix="$work/$target-" -print_final_stats=1 "$corpus" "$work/seeds/$target" > "$log" 2>&1
  rc=$?
  execs=$(grep -E "stat::number_of_executed_units" "$log" | awk '{print $2}')
  cov=$(grep -E "^#[0-9]+" "$log" | tail -n 1 | grep -oE "cov: [0-9]+ ft: [0-9]+")
  crashes=$(ls "$work/$target-"* 2>/dev/null | wc -l)
  echo "fuzz $target: ${execs:-?} executions, ${cov:-no coverage line}, $crashes crashing inputs, exit $rc"
  if [ $rc -ne 0 ]; then
    status=1
    grep -E "ERROR|SUMMARY|Test unit written" "$log" | head -n 5
  fi
done
exit $status
