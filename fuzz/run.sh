#!/usr/bin/env bash
# Runs one or all fuzz targets for a while: fuzz/run.sh [TARGET|all] [SECONDS]
# Builds them first with clang (AddressSanitizer and UndefinedBehaviorSanitizer).
set -euo pipefail
cd "$(dirname "$0")/.."
target=${1:-all}
seconds=${2:-60}
if ! command -v clang++-16 >/dev/null; then
  apt-get install -y -qq --no-install-recommends clang-16 libclang-rt-16-dev >/dev/null
fi
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j2 >/dev/null
targets=(whois referral rdap bootstrap claude settings)
[[ $target != all ]] && targets=("$target")
for t in "${targets[@]}"; do
  corpus=build/fuzz/corpus/$t
  mkdir -p "$corpus" build/fuzz/crashes
  seeds=(fuzz/seeds/$t)
  [[ $t == whois || $t == referral ]] && seeds+=(tests/data/whois-answers)
  echo "== fuzz_$t for ${seconds}s"
  ./build/fuzz/fuzz/fuzz_$t -max_total_time="$seconds" -print_final_stats=1 -max_len=70000 \
      -artifact_prefix=build/fuzz/crashes/"$t"- "$corpus" "${seeds[@]}" 2>&1 \
    | grep -E "^(stat::number_of_executed_units|stat::average_exec_per_sec|stat::peak_rss_mb|#[0-9]+ +DONE)|ERROR|SUMMARY" || true
  echo "corpus: $(ls "$corpus" | wc -l) inputs"
done
