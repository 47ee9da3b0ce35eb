#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build (cmake -DGPSTRACKING_FUZZ=ON) for FUZZ_SECONDS each, one
# after another, starting from the seeds in tests/fuzz/corpus/<target>/. What the runs add to the
# corpus and every finding go to <build>/fuzz-out, never into the repository. Prints each
# target's executions per second and the coverage it reached; fails when any target found
# something.
set -uo pipefail
build=${1:-build-fuzz}
seconds=${FUZZ_SECONDS:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
out=$build/fuzz-out
targets=(fuzz_config_file fuzz_table_file fuzz_numeric fuzz_image_decode fuzz_config_upload
         fuzz_table_upload fuzz_log_upload)
# The longest input worth trying: an image is 401 bytes (736 digits on the wire), a table 1,200
# digits, a file a few KB.
declare -A max_len=([fuzz_config_file]=4096 [fuzz_table_file]=8192 [fuzz_numeric]=256
                    [fuzz_image_decode]=401 [fuzz_config_upload]=1000 [fuzz_table_upload]=1400
                    [fuzz_log_upload]=2048)

mkdir -p "$out/findings"
failed=()
summary=$(printf '%-19s %10s %8s %12s %7s %7s %s' target seconds exec/s executions cov ft result)
for target in "${targets[@]}"; do
  mkdir -p "$out/corpus/$target"
  log=$out/$target.log
  echo "== $target (${seconds} s)"
  "$build/tests/fuzz/$target" -max_total_time="$seconds" -print_final_stats=1 -timeout=10 \
    -max_len="${max_len[$target]}" -artifact_prefix="$out/findings/$target-" \
    "$out/corpus/$target" "$root/tests/fuzz/corpus/$target" >"$log" 2>&1
  status=$?
  stat() { sed -n "s/^stat::$1: *//p" "$log" | tail -1; }
  coverage=$(grep -E '^#[0-9]+.*cov: ' "$log" | tail -1)
  cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$coverage")
  ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$coverage")
  result=ok
  if [ $status -ne 0 ]; then
    result="FOUND (see $log)"
    failed+=("$target")
    grep -E 'rule broken|ERROR|SUMMARY|Test unit written' "$log" | head -5
  fi
  summary+=$'\n'$(printf '%-19s %10s %8s %12s %7s %7s %s' "$target" "$seconds" \
    "$(stat average_exec_per_sec)" "$(stat number_of_executed_units)" "${cov:--}" "${ft:--}" \
    "$result")
done
echo
echo "$summary"
if [ ${#failed[@]} -ne 0 ]; then
  echo "Findings in ${failed[*]}: inputs under $out/findings/"
  exit 1
fi
