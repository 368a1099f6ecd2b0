#!/usr/bin/env bash
# shellcheck disable=SC2154  # timeit sets w1, r1, ... by name
# Times the real window on a leaf with one 64 MiB random attachment: start-up
# to the ready default form, File > Open and File > Save, next to
# ambrine-leaf create and show --reencrypt of the same leaf and gpg1 alone
# doing the same steps, all in the same run.
#   bench/window_bench.sh [BUILD_DIR]   (default: build/; needs ambrine-leaf and
#                                        ambrine-window-bench there, built with
#                                        AMBRINE_BUILD_TESTS=ON)
#   WINDOW_BENCH_MIB=64                 the attachment's size in MiB
#   WINDOW_BENCH_PAGE_MIB=0             grows the page by this many MiB (an HTML
#                                       comment in the default form), to see
#                                       what a large page costs the save
# Without a DISPLAY it runs itself under xvfb-run. Needs gpg1, GNU time.
#
# start-up: from the launch of the driver (ambrine-window-bench, the window
#           with the flow tests' harness) to the default form loaded, the
#           window shown and the page answering a script call.
# open:     from the file dialog's OK to the record on screen (the leaf is the
#           current one, the page lists the attachment); the time the
#           signature question was up is not counted (it is answered at once).
# save:     from the save options dialog's OK to the new leaf in place.
# floors:   gpg1 alone with its default options, each step timed by itself:
#           open = max(decrypt the leaf, encrypt the attachment);
#           create = encrypt the attachment + max(decrypt that file, sign+encrypt
#           the leaf's plaintext message); save = that max() alone. Each
#           also with the working copies stored -z 0, as the program stores
#           them (the "-z 0" floors).
set -eEuo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=bench/bench_common.sh
source "$here/bench_common.sh"
bench_on_display "$0" "$@"
build=$(realpath "${1:-$here/../build}")
mib=${WINDOW_BENCH_MIB:-64}
page_mib=${WINDOW_BENCH_PAGE_MIB:-0}
tool=$build/ambrine-leaf
[ -x "$tool" ] || { echo "no ambrine-leaf in $build" >&2; exit 1; }
bench_driver "$build" ambrine-window-bench

bench_enter_scratch
trap 'echo "failed; the last lines of ambrine-leaf and gpg:" >&2; tail -n 5 tool.log gpg.log >&2' ERR
bench_make_key
random_file attachment.bin "$mib"
# The default form as the page, with a form text it restores; a larger page
# carries a comment of page_mib MiB before </body>.
printf 'ambrine-form 1\n{"title":"bench","body":"window benchmark"}' > form.txt
page=$here/../preset/index.html
if [ "$page_mib" -gt 0 ]; then
  page=$work/page.html
  {
    sed -n '1,/<\/body>/{/<\/body>/!p}' "$here/../preset/index.html"
    printf '<!--\n'
    # yes ends by SIGPIPE once head has its bytes; that is not a failure.
    (yes 'page padding for the window benchmark' || true) | head -c $((page_mib * 1024 * 1024))
    printf '\n-->\n'
    sed -n '/<\/body>/,$p' "$here/../preset/index.html"
  } > "$page"
fi

/usr/bin/time -v -o create.time "$tool" create --homedir home --recipient "$fpr" \
  --document "$page" --form form.txt --attach attachment.bin -o leaf.gpg 2>>tool.log
/usr/bin/time -v -o open.time "$tool" show --reencrypt --homedir home leaf.gpg > show.json 2>>tool.log
attachment_intact show.json attachment.bin || { echo "the attachment did not read back intact" >&2; exit 1; }

# gpg1 alone, each step timed by itself, and the attachment steps again with
# -z 0 working copies.
time_gpg_steps leaf.gpg attachment.bin
time_gpg_steps_uncompressed attachment.bin
rm -f temp*.gpg signed.gpg message.txt

# The window: start, open leaf.gpg, save it as saved.gpg.
# The web engine's chatter goes to window.err, shown when the driver fails.
if ! AMB_BENCH_T0=$(date +%s.%N) "$driver" --keys "$work/home" --leaf "$work/leaf.gpg" \
     --save-to "$work/saved.gpg" --attachment attachment.bin > window.txt 2> window.err; then
  grep -v '^ *\*\|^$' window.err >&2 || true
  exit 1
fi
"$tool" show --homedir home saved.gpg > saved.json 2>>tool.log
attachment_intact saved.json attachment.bin \
  || { echo "the window's saved leaf does not hold the attachment intact" >&2; exit 1; }

get() { awk -F= -v k="$1" '$1 == k { print $2 }' window.txt; }
tc=$(elapsed create.time)
to=$(elapsed open.time)
floor_s=$(max "$w2" "$w3")
floor_sz=$(max "$w2z" "$w3")
start_launch=$(get startup_from_launch_s)
start_main=$(get startup_from_main_s)
wo=$(get open_s)
ws=$(get save_s)

printf '%d MiB attachment, page %.1f MiB, leaf %.1f MiB\n' "$mib" \
  "$(calc "$(stat -c %s "$page") / 1048576")" "$(calc "$(stat -c %s leaf.gpg) / 1048576")"
printf 'window start-up to the ready default form: %.2f s from launch (%.2f s from main())\n' \
  "$start_launch" "$start_main"
printf 'window open: %.2f s (until the signature question %.2f s, until the leaf is the current one %.2f s; the question, answered at once, not counted: %.3f s)\n' \
  "$wo" "$(get open_decrypt_s)" "$(get open_leaf_current_s)" "$(get open_confirm_wait_s)"
printf '             ratio %.2f to ambrine-leaf show --reencrypt (%.2f s), %.2f to the open floor (%.2f s)\n' \
  "$(calc "$wo / $to")" "$to" "$(calc "$wo / $floor_o")" "$floor_o"
printf 'window save: %.2f s, ratio %.2f to the save floor (%.2f s); ambrine-leaf create (attach included) %.2f s\n' \
  "$ws" "$(calc "$ws / $floor_s")" "$floor_s" "$tc"
printf 'floors: open = max(decrypt leaf %.2f, encrypt attachment %.2f) = %.2f s; create = encrypt %.2f + max(decrypt it %.2f, sign+encrypt message %.2f) = %.2f s, ambrine-leaf create ratio %.2f\n' \
  "$r1" "$r2" "$floor_o" "$w1" "$w2" "$w3" "$floor_c" "$(calc "$tc / $floor_c")"
printf 'floors with -z 0 working copies: open = max(decrypt leaf %.2f, encrypt attachment %.2f) = %.2f s, window open ratio %.2f, show --reencrypt ratio %.2f; create = encrypt %.2f + max(decrypt it %.2f, sign+encrypt message %.2f) = %.2f s, ambrine-leaf create ratio %.2f; save = %.2f s, window save ratio %.2f
' \
  "$r1" "$r2z" "$floor_oz" "$(calc "$wo / $floor_oz")" "$(calc "$to / $floor_oz")" \
  "$w1z" "$w2z" "$w3" "$floor_cz" "$(calc "$tc / $floor_cz")" "$floor_sz" "$(calc "$ws / $floor_sz")"
printf 'progress dialogs shown: %s during the open, %s during the save\n' \
  "$(get open_progress_dialogs)" "$(get save_progress_dialogs)"
printf 'window process peak memory: %s MiB when ready, %s MiB after the open, %s MiB after the save (web engine helpers not counted)\n\n' \
  "$(get rss_ready_mib)" "$(get peak_rss_open_mib)" "$(get peak_rss_save_mib)"
if [ -n "$(get save_own_peak_rss_mib)" ]; then
  printf 'the save alone: %s MiB resident before it, peak %s MiB during it (%.1f MiB above)\n\n' \
    "$(get rss_before_save_mib)" "$(get save_own_peak_rss_mib)" \
    "$(calc "$(get save_own_peak_rss_mib) - $(get rss_before_save_mib)")"
fi
echo "| $mib MiB leaf | window | ambrine-leaf | gpg1 floor | -z 0 floor | window / ambrine-leaf | window / floor | window / -z 0 floor |"
echo '|---|---|---|---|---|---|---|---|'
printf '| start-up to ready form | %.2f s | | | | | | |\n' "$start_launch"
printf '| open | %.2f s | %.2f s (show --reencrypt) | %.2f s | %.2f s | %.2f | %.2f | %.2f |\n' \
  "$wo" "$to" "$floor_o" "$floor_oz" "$(calc "$wo / $to")" "$(calc "$wo / $floor_o")" "$(calc "$wo / $floor_oz")"
printf '| save | %.2f s | %.2f s (create, attach included) | %.2f s (save) | %.2f s | | %.2f | %.2f |\n' \
  "$ws" "$tc" "$floor_s" "$floor_sz" "$(calc "$ws / $floor_s")" "$(calc "$ws / $floor_sz")"
