#!/usr/bin/env bash
# Compares two builds of kova-batch and kova-examples byte for byte on every generated
# example: the problem files kova-examples writes; for `solve`, the tables in all three
# layouts, the JSON summary, the status lines and the exit codes (a refused flow path
# among them); for `check` and `mesh`, what they print and write and their exit codes. The elapsed seconds in the JSON summary
# and the status lines are the only text masked. Both builds solve and mesh the same
# input files (the ones the first build wrote), in folders of the same depth, so that
# every path they print is the same.
#
#   scripts/compare-batch.sh OLD_BIN_DIR NEW_BIN_DIR     exit 0: identical, 1: not
set -euo pipefail
if [[ $# -ne 2 ]]; then
  echo "usage: $0 OLD_BIN_DIR NEW_BIN_DIR" >&2
  exit 64
fi
old=$(cd "$1" && pwd)
new=$(cd "$2" && pwd)
work=$(mktemp -d)
# COMPARE_KEEP=1 keeps the folder of outputs for a look.
if [[ -z "${COMPARE_KEEP:-}" ]]; then trap 'rm -rf "$work"' EXIT; else echo "outputs in $work"; fi

# The runs of one build, in $work/<side>/: every output file and, per run, its stdout,
# stderr and exit code.
run_build() {
  local side=$1 bin=$2
  mkdir -p "$work/$side"
  cd "$work/$side"
  "$bin/kova-examples" examples >examples.out 2>examples.err || echo $? >examples.code
  for input in "$work"/inputs/*.KVX; do
    local name
    name=$(basename "$input" .KVX)
    local -a cases=(
      "solve-json|solve ../inputs/$name.KVX --table $name.csv --json"
      "solve-txt|solve ../inputs/$name.KVX --table $name.txt --format float:6"
      "solve-dat|solve ../inputs/$name.KVX --table $name.dat --format fixed:3"
      "solve-bad-path|solve ../inputs/$name.KVX --flow-path 1,99999 --table $name-bad.csv"
      "check|check ../inputs/$name.KVX"
      "mesh-0|mesh ../inputs/$name.KVX $name-mesh0.KVX"
      "mesh-1|mesh ../inputs/$name.KVX $name-mesh1.KVX --reduce 1"
    )
    for c in "${cases[@]}"; do
      local label=${c%%|*} arguments=${c#*|}
      local code=0
      # shellcheck disable=SC2086  # the arguments are split on purpose
      "$bin/kova-batch" $arguments >"$name.$label.out" 2>"$name.$label.err" </dev/null || code=$?
      echo "$code" >"$name.$label.code"
      sed -i -E 's/"seconds":[0-9]+/"seconds":S/; s/(completed in )[0-9]+( sec)/\1S\2/' \
        "$name.$label.out" "$name.$label.err"
    done
  done
}

mkdir -p "$work/inputs"
"$old/kova-examples" "$work/inputs" >/dev/null
run_build old "$old"
run_build new "$new"

differences=0
compared=0
while IFS= read -r file; do
  compared=$((compared + 1))
  if [[ ! -e "$work/new/$file" ]]; then
    echo "only the old build wrote $file"
    differences=$((differences + 1))
  elif ! cmp -s "$work/old/$file" "$work/new/$file"; then
    echo "differs: $file"
    diff <(head -c 2000 "$work/old/$file") <(head -c 2000 "$work/new/$file") | head -n 10 || true
    differences=$((differences + 1))
  fi
done < <(cd "$work/old" && find . -type f | sed 's|^\./||' | sort)
while IFS= read -r file; do
  if [[ ! -e "$work/old/$file" ]]; then
    echo "only the new build wrote $file"
    differences=$((differences + 1))
  fi
done < <(cd "$work/new" && find . -type f | sed 's|^\./||' | sort)

examples=$(find "$work/inputs" -name '*.KVX' | wc -l)
echo "$examples examples, $compared files compared, $differences differences"
[[ $differences -eq 0 ]]
