#!/bin/bash
# The README's recipe for a library too big for one machine, run exactly as
# the README writes it on a tree made here, then again after a lost output:
# the rerun makes that one and leaves every other output as it was.
# Usage: recipe.sh README.md BIN_DIR
set -euo pipefail
readme=$(realpath "$1")
export PATH="$(realpath "$2"):$PATH"

fail() { echo "FAIL: $*" >&2; exit 1; }

# The first sh block under the recipe's heading.
recipe=$(awk '/^### A library too big for one machine/ { under = 1 }
              under && /^```sh$/ { taking = 1; next }
              taking && /^```$/ { exit }
              taking' "$readme")
grep -q 'parallel' <<<"$recipe" || fail "no recipe under its heading in $readme"
grep -q -- '--existing skip' <<<"$recipe" || fail "the recipe does not resume"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# 1,200 tiny files in three levels, the same names in every folder, and a
# file that is not audio: more than two chunks of the recipe.
mkdir library
sox -n -r 44100 -c 1 -b 16 tone.wav synth 0.01 sine 440
sox -n -r 48000 -c 2 -b 16 tone.flac synth 0.01 sine 220
expected=()
for a in 0 1 2 3 4 5 6 7 8 9; do
    for b in 0 1 2 3 4 5 6 7 8 9; do
        d="library/set $a/kit$b"
        mkdir -p "$d"
        for n in 0 1 2 3 4 5; do
            cp tone.wav "$d/hit$n.wav"
            cp tone.flac "$d/pad$n.flac"
            expected+=("converted/set $a/kit$b/hit$n.wav" "converted/set $a/kit$b/pad$n.wav")
        done
    done
done
echo "not audio" >"library/set 0/notes.txt"

run_recipe() { (bash -euo pipefail -c "$recipe"); }

run_recipe || fail "the recipe failed"
mapfile -t made < <(find converted -type f | LC_ALL=C sort)
mapfile -t wanted < <(printf '%s\n' "${expected[@]}" | LC_ALL=C sort)
[ "${made[*]}" = "${wanted[*]}" ] || fail "the outputs do not mirror the library (${#made[@]} made)"
for f in "converted/set 3/kit7/hit5.wav" "converted/set 9/kit0/pad2.wav"; do
    [ "$(soxi -r "$f")" = 22050 ] && [ "$(soxi -c "$f")" = 1 ] || fail "$f is not 22050 Hz mono"
done

# A run that stopped short: one output lost. The rerun makes it and skips
# the rest, which keep their very files.
find converted -type f -exec touch -d '2001-01-01 00:00' {} +
rm "converted/set 5/kit5/pad3.wav"
run_recipe || fail "the rerun failed"
[ -f "converted/set 5/kit5/pad3.wav" ] || fail "the rerun did not make the lost output"
changed=$(find converted -type f -newermt '2001-01-02' | wc -l)
[ "$changed" = 1 ] || fail "the rerun wrote $changed outputs, not just the lost one"
echo "PASS: ${#made[@]} outputs, the rerun made 1"
