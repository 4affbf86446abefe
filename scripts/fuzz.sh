#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (in build-fuzz/) and runs them on their
# committed inputs (fuzz/corpus/<target>/, seeds and regressions/ together).
#
#   scripts/fuzz.sh SECONDS [TARGET...]   open-ended fuzzing for developers: each target
#                                         (default: all) for SECONDS. Run it for ten
#                                         minutes a target whenever a reader, the compiler
#                                         or the geometry changes.
#   scripts/fuzz.sh --repeatable [TARGET...]
#                                         what CI runs: every committed input replayed,
#                                         then a fixed number of mutations from a fixed
#                                         seed, so a commit passes or fails the same way
#                                         on every machine.
#
# New inputs of open-ended runs collect in build-fuzz/corpus-<target>/ (kept between
# runs; the committed corpus changes only by hand). A crash stops the script with the
# input saved under build-fuzz/crashes/: fix it, then copy the input into
# fuzz/corpus/<target>/regressions/, which the tests and every later run replay.
set -euo pipefail
cd "$(dirname "$0")/.."

usage() {
  echo "usage: $0 SECONDS [TARGET...] | $0 --repeatable [TARGET...]" >&2
  exit 64
}
[[ $# -ge 1 ]] || usage
mode=$1
shift
if [[ $mode != --repeatable && ! $mode =~ ^[0-9]+$ ]]; then usage; fi

# Mutations per target in a repeatable run: each takes about a minute or less on one
# busy core.
declare -A repeatable_runs=([problem_file]=5000 [expression]=50000 [geometry]=15000
                            [editing]=2000)
repeatable_seed=1
# Some of the code's paths depend on where the allocator puts things, so a repeatable
# run also turns off address randomisation where the system lets it.
fixed_addresses=()
if setarch "$(uname -m)" -R true 2>/dev/null; then fixed_addresses=(setarch "$(uname -m)" -R); fi

CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKOVA_FUZZ=ON -DKOVA_BUILD_TESTS=OFF -DKOVA_BUILD_BENCH=OFF -DKOVA_BUILD_UI=OFF >/dev/null
cmake --build build-fuzz -j "$(nproc)"
mkdir -p build-fuzz/crashes

targets=("$@")
if [[ ${#targets[@]} -eq 0 ]]; then
  for exe in build-fuzz/bin/*_fuzz; do targets+=("$(basename "$exe" _fuzz)"); done
fi

for name in "${targets[@]}"; do
  exe=build-fuzz/bin/${name}_fuzz
  [[ -x $exe ]] || { echo "no fuzz target named $name" >&2; exit 64; }
  inputs=fuzz/corpus/$name
  mkdir -p "$inputs"
  if [[ $mode == --repeatable ]]; then
    runs=${repeatable_runs[$name]:-5000}
    # A fresh scratch folder each time: what the run finds must not feed the next one.
    scratch=build-fuzz/repeatable-$name
    rm -rf "$scratch"
    mkdir -p "$scratch"
    echo "fuzzing $name: committed inputs, then $runs runs from seed $repeatable_seed"
    # -reload=0: the corpus is not read again on a timer while the run goes on.
    limits=(-seed="$repeatable_seed" -runs="$runs" -reload=0)
    launch=("${fixed_addresses[@]}")
  else
    scratch=build-fuzz/corpus-$name
    mkdir -p "$scratch"
    echo "fuzzing $name for ${mode}s"
    limits=(-max_total_time="$mode")
    launch=()
  fi
  "${launch[@]}" "$exe" "${limits[@]}" -rss_limit_mb=2048 -timeout=30 \
    -artifact_prefix=build-fuzz/crashes/"$name"- "$scratch" "$inputs" 2>build-fuzz/"$name".log \
    || { tail -n 40 build-fuzz/"$name".log; exit 1; }
  tail -n 1 build-fuzz/"$name".log
done
