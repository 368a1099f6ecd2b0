#!/usr/bin/env bash
# shellcheck disable=SC2154  # timeit sets floor, first, ... by name
# Times ambrine-leaf search over a folder of small leaves against gpg1 alone
# decrypting the same leaves, in the same run.
#   bench/search_bench.sh [path/to/ambrine-leaf]   (default: build/ambrine-leaf)
#   SEARCH_BENCH_LEAVES=1000   how many leaves (default 1000)
# Needs gpg1 and GNU time (/usr/bin/time, Debian package "time").
#
# Each leaf is encrypted to the own key and signed, as the window saves it:
# the default form's page and a filled form text (title, date, category,
# body, three rows), no attachment.
# floor:    gpg1 alone decrypting and verifying every leaf, one process per
#           leaf, as many at once as the machine has cores (xargs -P); timed
#           before and after the searches, the faster run counts.
# first:    the first search (no index yet): every leaf is read, then the
#           index is written. Goal: at most 1.2 times the floor.
# repeated: the same search again after one leaf in a hundred was saved
#           anew: the index and the changed leaves are read. Goal: < 1 s.
# unchanged: the search once more with nothing changed.
set -eEuo pipefail
here=$(cd "$(dirname "$0")" && pwd)
tool=$(realpath "${1:-$here/../build/ambrine-leaf}")
count=${SEARCH_BENCH_LEAVES:-1000}
cores=$(nproc)
[ -x "$tool" ] || { echo "no ambrine-leaf at $tool" >&2; exit 1; }
# shellcheck source=bench/bench_common.sh
source "$here/bench_common.sh"

bench_enter_scratch
trap 'echo "failed; the last lines of ambrine-leaf and gpg:" >&2; tail -5 tool.log gpg.log >&2' ERR
bench_make_key
cp "$here/../preset/index.html" page.html
mkdir leaves

# form_text N WORD: the default form's text for record N (non-ASCII escaped
# as the form writes it), with WORD in its body.
form_text() {
  printf 'ambrine-form 1\n{"title":"Record %s \\u65e5\\u8a18","date":"2026-01-%02d","category":"\\u5065\\u5eb7","body":"Visited the clinic; blood pressure %s. %s","rows":[{"item":"fee","amount":"%s","memo":"\\u75c5\\u9662"},{"item":"medicine","amount":"12","memo":""},{"item":"","amount":"","memo":""}]}' \
    "$1" "$(( $1 % 28 + 1 ))" "$(( 110 + $1 % 40 ))" "$2" "$(( 1000 + $1 ))"
}
# make_leaf N WORD
make_leaf() {
  form_text "$1" "$2" > "form-$1.txt"
  "$tool" create --homedir home --recipient "$fpr" --document page.html \
    --form "form-$1.txt" -o "leaves/record-$1.gpg" 2>>tool.log
  rm -f "form-$1.txt"
}
export -f form_text make_leaf
export tool fpr
echo "making $count leaves..." >&2
seq 1 "$count" | xargs -P "$cores" -I{} bash -c 'make_leaf {} "routine"'
make_leaf 7 "needle"

search() { "$tool" search --homedir home "$@" -- leaves > found.json 2>>tool.log || true; }

# gpg1 alone: each leaf decrypted and verified by a process of its own.
gpg_each() { ls leaves/*.gpg | xargs -P "$cores" -n 1 "${gpg[@]}" --yes -o /dev/null --decrypt 2>>gpg.log; }
timeit floor gpg_each

rm -f home/search-index
timeit first search needle
grep -q 'record-7.gpg' found.json || { echo "the first search did not find the leaf" >&2; exit 1; }
[ -s home/search-index ] || { echo "no index was written" >&2; exit 1; }

changed=$(( count / 100 ))
for n in $(seq 11 100 $(( 11 + 100 * (changed - 1) ))); do make_leaf "$n" "needle"; done
timeit repeated search needle
[ "$(grep -c . found.json)" -eq $(( changed + 1 )) ] \
  || { echo "the repeated search did not find the changed leaves" >&2; cat found.json >&2; exit 1; }
timeit unchanged search needle
# gpg1 alone once more: the smaller of the two floors counts, so load from
# other work on the machine cannot flatter the ratio.
timeit floor_again gpg_each
floor=$(awk -v a="$floor" -v b="$floor_again" 'BEGIN { print (a < b ? a : b) }')

printf '%s leaves, %s gpg processes at once\n' "$count" "$cores"
printf '%-34s %8s %8s %8s\n' "" "seconds" "ratio" "goal"
printf '%-34s %8.2f\n' "gpg1 alone, decrypt every leaf" "$floor"
printf '%-34s %8.2f %8.2f %8s\n' "first search (builds the index)" "$first" "$(calc "$first / $floor")" "<= 1.2"
printf '%-34s %8.2f %8s %8s\n' "repeated, $changed leaves changed" "$repeated" "" "< 1 s"
printf '%-34s %8.2f\n' "repeated, nothing changed" "$unchanged"
printf 'index: %s bytes for %s leaves\n' "$(stat -c %s home/search-index)" "$count"
