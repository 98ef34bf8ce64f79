#!/usr/bin/env bash
# Runs fuzz targets of a fuzz build for a bounded time each, from the project's test data,
# and fails on any finding (crash, sanitizer report, leak, timeout). Inputs found along the
# way stay in BUILD/fuzz-corpus/TARGET for the next run; a finding lands in BUILD/fuzz-findings.
# Usage: fuzz/run.sh BUILD SECONDS [TARGET...]   (targets: rtf dump profile navbar)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$1
seconds=$2
shift 2
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(rtf dump profile navbar)

seeds() {
  case $1 in
    rtf) ls testdata/rtf/*/*.rtf ;;
    dump) ls testdata/store/*.qdm testdata/store/*.qda ;;
    profile) ls fuzz/seeds/profile/* ;;
    navbar) ls ui/FEGXOutlookBar1.layout ;;
  esac
}

options() {
  case $1 in
    rtf) echo "-dict=fuzz/rtf.dict -max_len=10001" ;; # a body's field
    dump) echo "-max_len=40000" ;;                     # two message records and a piece
    profile) echo "-max_len=4096" ;;
    navbar) echo "-dict=fuzz/navbar.dict -max_len=8192" ;;
  esac
}

export QT_QPA_PLATFORM=offscreen
export LSAN_OPTIONS=suppressions=$PWD/fuzz/lsan.supp
mkdir -p "$build/fuzz-findings"
status=0
for t in "${targets[@]}"; do
  corpus="$build/fuzz-corpus/$t"
  mkdir -p "$corpus"
  echo "fuzz_$t: $seconds s"
  # shellcheck disable=SC2046
  if ! "$build/fuzz/fuzz_$t" "$corpus" -seed_inputs="$(seeds "$t" | paste -sd,)" $(options "$t") \
      -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
      -artifact_prefix="$build/fuzz-findings/$t-" >"$build/fuzz-findings/$t.log" 2>&1; then
    status=1
    echo "fuzz_$t: FINDING, see $build/fuzz-findings/$t.log" >&2
    grep -E "ERROR|SUMMARY|runtime error|Test unit written|abort|==[0-9]+==" "$build/fuzz-findings/$t.log" | head -20 >&2 || true
  fi
  grep -E "stat::number_of_executed_units|stat::peak_rss_mb" "$build/fuzz-findings/$t.log" | sed "s/^/  /" || true
done
exit $status
