#!/usr/bin/env bash
# The README's "Many data sets" recipe: GNU parallel runs `KalemirQ run --threads 1` in
# several folders at once. Each folder's report must equal, date lines aside, the report of
# the same run made alone; a folder whose run fails must fail parallel's status and leave
# the other runs' results whole; no lock or work folder may outlive the runs.
#   many-data-sets.sh KALEMIRQ EXAMPLES_DIR
set -euo pipefail
kalemirq=$1
examples=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export HOME=$scratch/home   # parallel keeps its own files under HOME
mkdir -p "$HOME"

fail() { echo "many data sets: $*" >&2; exit 1; }
tables=(BZR01 BZR01d2d.des BZR01fpc.des BZR01vfr.des)
for set in a b c d; do
    mkdir -p "$scratch/sets/$set"
    cp "$examples"/BZR01* "$scratch/sets/$set/"
done
# Folder c loses its fragment table: its run must be refused, the others must not notice.
rm "$scratch/sets/c/BZR01vfr.des"
mkdir -p "$scratch/alone"
cp "$examples"/BZR01* "$scratch/alone/"
"$kalemirq" run --threads 1 --quiet -C "$scratch/alone" "${tables[@]}" \
    || fail "the run alone failed"

status=0
parallel --jobs 4 --halt never --tag \
    "$kalemirq" run --threads 1 --quiet -C {} "${tables[@]}" ::: "$scratch"/sets/* \
    > "$scratch/parallel.out" 2>&1 || status=$?
[ "$status" -eq 1 ] || { cat "$scratch/parallel.out"; fail "parallel status $status, not 1 (one failed run)"; }

undated() { grep -av -e '^Date' -e '^Time' -e '[0-9][0-9]:[0-9][0-9]:[0-9][0-9]' "$1"; }
for set in a b d; do
    dir=$scratch/sets/$set
    for file in BZR01qspr.rez BZR01-results.json BZR01-validation.txt BZR01-EST; do
        [ -f "$dir/$file" ] || fail "$set: no $file"
    done
    cmp -s <(undated "$dir/BZR01qspr.rez") <(undated "$scratch/alone/BZR01qspr.rez") \
        || fail "$set: report differs from the run alone"
    cmp -s "$dir/BZR01-validation.txt" "$scratch/alone/BZR01-validation.txt" \
        || fail "$set: validation text differs from the run alone"
done
[ ! -e "$scratch/sets/c/BZR01qspr.rez" ] || fail "c: a refused run wrote a report"
leftovers=$(find "$scratch/sets" -name '.kalemir*')
[ -z "$leftovers" ] || fail "left behind: $leftovers"
echo "many data sets: 3 runs in parallel equal the run alone, the refused one failed parallel"
