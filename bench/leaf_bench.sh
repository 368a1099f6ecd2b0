#!/usr/bin/env bash
# shellcheck disable=SC2154  # timeit sets w1, r1, ... by name
# Times ambrine-leaf creating and opening a leaf with one large random
# attachment against gpg1 alone doing the same work, timed in the same run.
#   bench/leaf_bench.sh [path/to/ambrine-leaf]   (default: build/ambrine-leaf)
#   LEAF_BENCH_MIB="64 256"   attachment sizes in MiB (default both; e.g. 64)
#   LEAF_BENCH_UNCOMPRESSED=0 skips the extra floors with -z 0 working copies
# Needs gpg1 and GNU time (/usr/bin/time, Debian package "time").
#
# create = ambrine-leaf create --attach: the attachment is encrypted into a
#          temporary file (attach), then that file is decrypted while the
#          message is signed and encrypted (save).
# open   = ambrine-leaf show --reencrypt: the leaf is decrypted and verified
#          while the attachment is encrypted again into a temporary file.
# gpg1 in a row: the same gpg1 steps, one after the other.
# floor:  create = encrypt attachment + max(decrypt that file, sign+encrypt
#         the leaf's plaintext message); open = max(decrypt the leaf,
#         encrypt the attachment): what running gpg's steps side by side
#         could reach at best. gpg1 with its default options (compression
#         on), plus the program's fixed options.
# peak:   GNU time's maximum resident set of ambrine-leaf (gpg is a child it
#         waits for, so its memory is not in the figure); "above baseline"
#         subtracts the same command's peak on a 4 KiB attachment.
set -eEuo pipefail
here=$(cd "$(dirname "$0")" && pwd)
tool=$(realpath "${1:-$here/../build/ambrine-leaf}")
sizes=${LEAF_BENCH_MIB:-64 256}
uncompressed=${LEAF_BENCH_UNCOMPRESSED:-1}
[ -x "$tool" ] || { echo "no ambrine-leaf at $tool" >&2; exit 1; }
# shellcheck source=bench/bench_common.sh
source "$here/bench_common.sh"

bench_enter_scratch
trap 'echo "failed; the last lines of ambrine-leaf and gpg:" >&2; tail -5 tool.log gpg.log >&2' ERR
bench_make_key
printf '<!DOCTYPE html><html><body><form></form></body></html>' > page.html
printf 'field=value' > form.txt

# tool_create TIMEFILE ATTACHMENT LEAF / tool_open TIMEFILE LEAF JSON
tool_create() {
  /usr/bin/time -v -o "$1" "$tool" create --homedir home --recipient "$fpr" \
    --document page.html --form form.txt --attach "$2" -o "$3" 2>>tool.log
}
tool_open() { /usr/bin/time -v -o "$1" "$tool" show --reencrypt --homedir home "$2" > "$3" 2>>tool.log; }

# The baseline: the same two commands with a 4 KiB attachment.
head -c 4096 /dev/urandom > small.bin
tool_create base-create.time small.bin small.gpg
tool_open base-open.time small.gpg small.json
attachment_intact small.json small.bin || { echo "the small attachment did not read back intact" >&2; exit 1; }
base_create=$(peak base-create.time)
base_open=$(peak base-open.time)

table=()
for mib in $sizes; do
  random_file attachment.bin "$mib"
  tool_create create.time attachment.bin leaf.gpg
  tool_open open.time leaf.gpg show.json
  attachment_intact show.json attachment.bin \
    || { echo "the $mib MiB attachment did not read back intact" >&2; exit 1; }

  # gpg1 alone, each step timed by itself; with -z 0 working copies too.
  time_gpg_steps leaf.gpg attachment.bin
  [ "$uncompressed" = 0 ] || time_gpg_steps_uncompressed attachment.bin

  tc=$(elapsed create.time)
  to=$(elapsed open.time)
  seq_c=$(calc "$w1 + $w2 + $w3")
  seq_o=$(calc "$r1 + $r2")
  pc=$(peak create.time)
  po=$(peak open.time)

  printf '\n%d MiB attachment: leaf %.1f MiB, plaintext message %.1f MiB\n' "$mib" \
    "$(calc "$(stat -c %s leaf.gpg) / 1048576")" "$(calc "$(stat -c %s message.txt) / 1048576")"
  printf '  create: ambrine-leaf %.2f s | gpg1 steps in a row %.2f s, ratio %.2f | floor %.2f s, ratio %.2f | peak %s MiB (%+.1f above baseline)\n' \
    "$tc" "$seq_c" "$(calc "$tc / $seq_c")" "$floor_c" "$(calc "$tc / $floor_c")" "$pc" "$(calc "$pc - $base_create")"
  printf '          gpg1: encrypt attachment %.2f s, decrypt it %.2f s, sign+encrypt message %.2f s\n' "$w1" "$w2" "$w3"
  printf '  open:   ambrine-leaf %.2f s | gpg1 steps in a row %.2f s, ratio %.2f | floor %.2f s, ratio %.2f | peak %s MiB (%+.1f above baseline)\n' \
    "$to" "$seq_o" "$(calc "$to / $seq_o")" "$floor_o" "$(calc "$to / $floor_o")" "$po" "$(calc "$po - $base_open")"
  printf '          gpg1: decrypt leaf %.2f s, encrypt attachment %.2f s\n' "$r1" "$r2"
  table+=("$(printf '| %d MiB | create | %.2f s | %.2f s | %.2f | %.2f s | %.2f | %s MiB (%+.1f) |' \
    "$mib" "$tc" "$seq_c" "$(calc "$tc / $seq_c")" "$floor_c" "$(calc "$tc / $floor_c")" "$pc" "$(calc "$pc - $base_create")")")
  table+=("$(printf '| %d MiB | open | %.2f s | %.2f s | %.2f | %.2f s | %.2f | %s MiB (%+.1f) |' \
    "$mib" "$to" "$seq_o" "$(calc "$to / $seq_o")" "$floor_o" "$(calc "$to / $floor_o")" "$po" "$(calc "$po - $base_open")")")

  if [ "$uncompressed" != 0 ]; then
    # Extra: the floors when the working copies are stored with -z 0, as
    # the program stores its temporary attachment files.
    printf '  extra, working copies with -z 0: create floor %.2f s (encrypt %.2f, decrypt %.2f), ratio %.2f | open floor %.2f s (encrypt %.2f), ratio %.2f\n' \
      "$floor_cz" "$w1z" "$w2z" "$(calc "$tc / $floor_cz")" "$floor_oz" "$r2z" "$(calc "$to / $floor_oz")"
  fi
  rm -f attachment.bin leaf.gpg message.txt signed.gpg temp*.gpg show.json
done

printf '\nbaseline peak (4 KiB attachment): create %s MiB, open %s MiB\n\n' "$base_create" "$base_open"
echo '| attachment | operation | ambrine-leaf | gpg1 steps in a row | ratio | floor | ratio to floor | peak (above baseline) |'
echo '|---|---|---|---|---|---|---|---|'
printf '%s\n' "${table[@]}"
