#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time (seconds,
# default 60) on its seed corpus. New inputs go to a scratch folder, so the committed
# corpus changes only by hand; a crash stops the script with the input saved under
# build-fuzz/crashes/ — add it to the target's regression tests.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKOVA_FUZZ=ON -DKOVA_BUILD_TESTS=OFF -DKOVA_BUILD_BENCH=OFF -DKOVA_BUILD_UI=OFF >/dev/null
cmake --build build-fuzz -j "$(nproc)"
mkdir -p build-fuzz/crashes
shopt -s nullglob
for exe in build-fuzz/bin/*_fuzz; do
  name=$(basename "$exe" _fuzz)
  seeds=fuzz/corpus/$name
  scratch=build-fuzz/corpus-$name
  mkdir -p "$scratch" "$seeds"
  echo "fuzzing $name for ${seconds}s"
  "$exe" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=30 \
    -artifact_prefix=build-fuzz/crashes/"$name"- "$scratch" "$seeds" 2>build-fuzz/"$name".log \
    || { tail -n 40 build-fuzz/"$name".log; exit 1; }
  tail -n 1 build-fuzz/"$name".log
done
