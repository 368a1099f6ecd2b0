# What the benchmark scripts share: a scratch folder, a key pair, the virtual
# display and the drivers of the window ones, the gpg1 command line the
# program uses, timing and GNU time readings.
# Sourced, not run.
# shellcheck shell=bash disable=SC2034  # fpr and gpg are for the caller

[ -x /usr/bin/time ] || { echo "install GNU time (apt-get install time)" >&2; exit 1; }
command -v gpg1 >/dev/null || { echo "install gpg1 (apt-get install gnupg1)" >&2; exit 1; }

# For the window benchmarks: without a DISPLAY, runs the calling script
# again under xvfb-run (bench_on_display "$0" "$@"); with one, the window
# uses it.
bench_on_display() {
  if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$@"
  fi
  export QT_QPA_PLATFORM=xcb
}

# bench_driver BUILD NAME: sets `driver` to the benchmark driver BUILD/NAME,
# or ends the script when it was not built.
bench_driver() {
  driver=$1/$2
  [ -x "$driver" ] || { echo "no $2 in $1 (build with -DAMBRINE_BUILD_TESTS=ON)" >&2; exit 1; }
}

# Makes the scratch folder, enters it and removes it on exit. gpg's and the
# tool's temporary files land there too, their messages in gpg.log and tool.log
# (so a terminal progress line does not change what is timed).
bench_enter_scratch() {
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  cd "$work" || exit 1
  export TMPDIR="$work"
  : > gpg.log
  : > tool.log
}

# A DSA 1024 / ElGamal 2048 key pair without a passphrase in home/ (the key
# the window makes on first start); sets `fpr` and `gpg`, the options every
# gpg run of the program uses.
bench_make_key() {
  mkdir -m 700 home
  cat > keyparams <<'PARAMS'
Key-Type: DSA
Key-Length: 1024
Subkey-Type: ELG-E
Subkey-Length: 2048
Name-Real: Bench
%secring home/secring.gpg
%pubring home/pubring.gpg
%commit
PARAMS
  gpg=(gpg1 --no-random-seed-file --no-default-keyring --always-trust --utf8-strings
       --cipher-algo AES256 --no-tty --force-mdc --homedir=home
       --keyring=home/pubring.gpg --secret-keyring=home/secring.gpg --batch)
  gpg1 --homedir home --batch --no-tty --quick-random --gen-key keyparams 2>>gpg.log
  fpr=$("${gpg[@]}" --with-colons --fingerprint 2>>gpg.log | awk -F: '/^fpr/{print $10; exit}')
  echo "BENCHPASS" > pass
}

# gpg1 with the program's options; its messages go to gpg.log.
run_gpg() { "${gpg[@]}" "$@" 2>>gpg.log; }

calc() { awk "BEGIN { print $1 }"; }
max() { awk -v a="$1" -v b="$2" 'BEGIN { print (a > b ? a : b) }'; }

# timeit VAR COMMAND...: runs COMMAND and puts its wall time in seconds in
# VAR (stdout and redirections stay the command's).
timeit() {
  local var=$1 start end
  shift
  start=$(date +%s.%N)
  "$@"
  end=$(date +%s.%N)
  printf -v "$var" '%s' "$(calc "$end - $start")"
}

# From a GNU time -v report: wall seconds, and maximum resident set in MiB.
elapsed() {  # "Elapsed (wall clock) time (h:mm:ss or m:ss): 0:01.23" -> seconds
  awk -F': ' '/Elapsed/{n=split($2,p,":"); s=0; for(i=1;i<=n;i++) s=s*60+p[i]; print s}' "$1"
}
peak() { awk -F': ' '/Maximum resident/{printf "%.1f", $2/1024}' "$1"; }

# random_file PATH MIB
random_file() { head -c $(($2 * 1024 * 1024)) /dev/urandom > "$1"; }

# attachment_intact SHOW_JSON FILE: the tool's show output lists FILE's size
# and SHA-256.
attachment_intact() {
  local want
  want=$(sha256sum "$2" | cut -d' ' -f1)
  grep -q "\"bytes\": $(stat -c %s "$2"), \"sha256\": \"$want\"" "$1"
}

# time_gpg_steps LEAF ATTACHMENT: gpg1 alone, each step the program's
# create and open need, timed by itself: w1 encrypt the attachment, w2
# decrypt that file, w3 sign+encrypt the leaf's plaintext message, r1
# decrypt the leaf, r2 encrypt the attachment from a pipe. Sets the floors
# too: floor_c = w1 + max(w2, w3) for create, floor_o = max(r1, r2) for open.
time_gpg_steps() {
  run_gpg --decrypt "$1" > message.txt  # the leaf's plaintext message (not timed)
  timeit w1 run_gpg --passphrase-fd 3 -o temp.gpg --symmetric "$2" 3<pass
  timeit w2 run_gpg --passphrase-fd 3 --decrypt temp.gpg 3<pass >/dev/null
  timeit w3 run_gpg -r "$fpr" --sign --encrypt < message.txt > signed.gpg
  timeit r1 run_gpg --decrypt "$1" > /dev/null
  timeit r2 run_gpg --passphrase-fd 3 --symmetric < "$2" > temp2.gpg 3<pass
  floor_c=$(calc "$w1 + $(max "$w2" "$w3")")
  floor_o=$(max "$r1" "$r2")
}

# time_gpg_steps_uncompressed ATTACHMENT: the attachment steps of
# time_gpg_steps again with the working copy stored -z 0, as the program
# stores its temporary attachment files: w1z, w2z and r2z (w3 and r1 do not
# change), and the floors with them, floor_cz and floor_oz. Call after
# time_gpg_steps.
time_gpg_steps_uncompressed() {
  timeit w1z run_gpg -z 0 --passphrase-fd 3 -o tempz.gpg --symmetric "$1" 3<pass
  timeit w2z run_gpg --passphrase-fd 3 --decrypt tempz.gpg 3<pass >/dev/null
  timeit r2z run_gpg -z 0 --passphrase-fd 3 --symmetric < "$1" > tempz2.gpg 3<pass
  floor_cz=$(calc "$w1z + $(max "$w2z" "$w3")")
  floor_oz=$(max "$r1" "$r2z")
}
