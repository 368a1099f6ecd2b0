#!/usr/bin/env bash
# The attachment viewer's memory: views a 50 MiB PDF (VIEWER_BENCH_MIB) of
# random bytes in the real window and reports the window process's resident
# memory before the view, while the PDF is shown and after its viewer is
# closed (the goal: back to the level before), the web engine's helper
# processes beside it, and whether any file held the PDF's bytes while it
# was shown (in TMPDIR, HOME and the program folder; the goal: none).
#   bench/viewer_bench.sh [BUILD_DIR]   (default: build/; needs
#                                        ambrine-viewer-bench there, built with
#                                        AMBRINE_BUILD_TESTS=ON)
#   VIEWER_BENCH_MIB=50                 the PDF's size in MiB
# Without a DISPLAY it runs itself under xvfb-run. Needs gpg1, GNU time.
set -eEuo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=bench/bench_common.sh
source "$here/bench_common.sh"
bench_on_display "$0" "$@"
build=$(realpath "${1:-$here/../build}")
mib=${VIEWER_BENCH_MIB:-50}
bench_driver "$build" ambrine-viewer-bench

bench_enter_scratch
bench_make_key

# A one-page PDF whose file is mostly an unused stream of random bytes:
# the viewer must take all of it in, and no compression can shrink it.
pdf=$work/bench.pdf
offsets=()
part() { offsets+=("$(stat -c %s "$pdf")"); printf '%s' "$1" >> "$pdf"; }
printf '%%PDF-1.4\n%%\342\343\317\323\n' > "$pdf"
part $'1 0 obj\n<< /Type /Catalog /Pages 2 0 R >>\nendobj\n'
part $'2 0 obj\n<< /Type /Pages /Kids [3 0 R] /Count 1 >>\nendobj\n'
part $'3 0 obj\n<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R >>\nendobj\n'
drawing='0.2 0.4 0.8 rg 72 400 468 300 re f'
part "4 0 obj"$'\n'"<< /Length ${#drawing} >>"$'\n'"stream"$'\n'"$drawing"$'\n'"endstream"$'\n'"endobj"$'\n'
bytes=$((mib * 1048576))
part "5 0 obj"$'\n'"<< /Length $bytes >>"$'\n'"stream"$'\n'
head -c "$bytes" /dev/urandom >> "$pdf"
printf '\nendstream\nendobj\n' >> "$pdf"
xref=$(stat -c %s "$pdf")
{
  printf 'xref\n0 6\n0000000000 65535 f \n'
  for offset in "${offsets[@]}"; do printf '%010d 00000 n \n' "$offset"; done
  printf 'trailer\n<< /Size 6 /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n' "$xref"
} >> "$pdf"

if ! "$driver" --keys "$work/home" --file "$pdf" > viewer.txt 2> viewer.err; then
  grep -v '^ *\*\|^$' viewer.err >&2 || true
  exit 1
fi
get() { awk -F= -v k="$1" '$1 == k { print $2 }' viewer.txt; }

printf '%d MiB PDF (%.1f MiB file), viewed in %.2f s\n' "$mib" "$(calc "$(stat -c %s "$pdf") / 1048576")" \
  "$(get view_s)"
echo "| window process | before the view | while shown | after closing |"
echo '|---|---|---|---|'
printf '| resident memory | %s MiB | %s MiB | %s MiB |\n' "$(get rss_before_mib)" "$(get rss_shown_mib)" \
  "$(get rss_closed_mib)"
printf '| web engine helpers (all) | %s MiB | %s MiB | %s MiB |\n' "$(get helpers_before_mib)" \
  "$(get helpers_shown_mib)" "$(get helpers_closed_mib)"
printf 'files holding the PDF'"'"'s bytes while it was shown (TMPDIR, HOME, program folder): %s\n' \
  "$(get files_holding_bytes)"
