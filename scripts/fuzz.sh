#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for a bounded time, starting from
# the committed seeds. Fails on any finding; the input that caused it is left
# in build/fuzz/findings/. FUZZ_SECONDS sets the time per target (60).
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${FUZZ_SECONDS:-60}"
targets=(whole_run_fuzzer registry_reading_fuzzer)

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

export ASAN_OPTIONS="detect_leaks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
mkdir -p build/fuzz/findings
status=0
for target in "${targets[@]}"; do
  # New inputs go to a working corpus, so that the committed seeds stay as
  # they are.
  work="build/fuzz/corpus/${target}"
  mkdir -p "${work}"
  log="build/fuzz/${target}.log"
  echo "== ${target}: ${seconds} s"
  if build/fuzz/fuzz/"${target}" -max_total_time="${seconds}" -print_final_stats=1 \
      -artifact_prefix="build/fuzz/findings/${target}-" \
      "${work}" "fuzz/corpus/${target}" >"${log}" 2>&1; then
    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "${log}")
    echo "${target}: ${executions} executions, no finding"
  else
    status=1
    grep -E "breach|argument|ERROR|runtime error|SUMMARY|Test unit written" "${log}" || tail -n 40 "${log}"
    echo "${target}: FINDING (log in ${log})"
  fi
done
exit "${status}"
