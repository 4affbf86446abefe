#!/usr/bin/env bash
# Times kova-batch against FreeFEM (Debian's freefem++, a measuring tool only) on the
# same structured plates: 5k, 20k, 80k and 160k unknowns, each cell split by the same
# diagonal, held at 100 on the left, cooled by h = 5 to 20 on the right. Both run as
# whole processes (reading the problem, solving, writing every nodal value), in turn,
# RUNS times each; the script prints the median wall seconds and their ratio, the
# median CPU seconds (user + system) and their ratio, which a loaded machine disturbs
# less, the median peak memory (from /usr/bin/time), and the largest difference between
# the two codes' nodal values relative to the largest value.
#
#   bench/compare-freefem.sh [BUILD_DIR] [RUNS] [CELLS...]
#   (defaults: build, 5, 70 141 282 400; make_plate and kova-batch must be built:
#    cmake --build BUILD_DIR --target make_plate kova-batch)
#   KOVA_SOLVER=band compares the band solver instead of the default sparse one.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
runs=${2:-5}
shift $(($# > 2 ? 2 : $#))
cells=("$@")
[[ ${#cells[@]} -gt 0 ]] || cells=(70 141 282 400)
solver=${KOVA_SOLVER:-sparse}
command -v FreeFem++ >/dev/null || { echo "FreeFem++ not found (apt-get install freefem++)" >&2; exit 69; }
[[ -x /usr/bin/time ]] || { echo "/usr/bin/time not found (apt-get install time)" >&2; exit 69; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# One timed run: appends "seconds peak-KB cpu-seconds" to the file $1; the command's output is kept
# in $1.out for a look after a failure.
timed() {
  local record=$1
  shift
  /usr/bin/time -f "%e %M %U %S" -o "$record.last" "$@" >>"$record.out" 2>&1 || {
    echo "failed: $*" >&2
    tail -5 "$record.out" >&2
    exit 1
  }
  awk '{ printf "%s %s %.3f\n", $1, $2, $3 + $4 }' "$record.last" >>"$record"
}

printf '%-8s %5s %8s %9s %6s %8s %9s %7s %8s %10s %10s\n' unknowns runs kova_s freefem_s ratio kova_cpu freefem_cpu cpu_ratio kova_MB freefem_MB max_rel_diff
for c in "${cells[@]}"; do
  base=p$c
  "$build/bin/make_plate" "$c" "$base"
  for ((i = 0; i < runs; ++i)); do
    timed kova.$c "$build/bin/kova-batch" solve "$base.KVX" --table "$base.csv" --solver "$solver"
    timed ff.$c FreeFem++ -nw -v 0 "$base.edp"
  done
  ks=$(cut -d' ' -f1 kova.$c | median)
  fs=$(cut -d' ' -f1 ff.$c | median)
  km=$(cut -d' ' -f2 kova.$c | median)
  fm=$(cut -d' ' -f2 ff.$c | median)
  kc=$(cut -d' ' -f3 kova.$c | median)
  fc=$(cut -d' ' -f3 ff.$c | median)
  # Agreement: the table again with ten significant digits (the most it prints)
  # against FreeFEM's values, node by node (both number the nodes alike).
  "$build/bin/kova-batch" solve "$base.KVX" --table "$base.values.csv" --format float:9 \
    --solver "$solver" >/dev/null
  diff=$(awk -F', *' 'NR == FNR { ff[FNR] = $1; next }
              { t = $4 + 0; d = t - ff[$1 + 0]; if (d < 0) d = -d; if (d > m) m = d;
                if (t < 0) t = -t; if (t > big) big = t }
              END { printf "%.1e", m / big }' "$base.ff.txt" "$base.values.csv")
  unknowns=$(grep -c . "$base.ff.txt")
  awk -v n="$unknowns" -v r="$runs" -v ks="$ks" -v fs="$fs" -v kc="$kc" -v fc="$fc" -v km="$km" \
    -v fm="$fm" -v d="$diff" \
    'BEGIN { printf "%-8d %5d %8.3f %9.3f %6.2f %8.3f %9.3f %7.2f %8.1f %10.1f %10s\n", n, r, ks, fs, ks / fs, kc, fc, kc / fc, km / 1024, fm / 1024, d }'
done
