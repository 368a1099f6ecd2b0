#!/usr/bin/env bash
# Times ambrine-leaf writing and reading a leaf with one 64 MiB attachment
# against gpg1 alone doing the same crypto work, in the same run.
#   bench/leaf_bench.sh [path/to/ambrine-leaf]   (default: build/ambrine-leaf)
# Needs gpg1 and GNU time (/usr/bin/time, Debian package "time").
set -euo pipefail
tool=$(realpath "${1:-$(dirname "$0")/../build/ambrine-leaf}")
size_mib=${LEAF_BENCH_MIB:-64}
[ -x "$tool" ] || { echo "no ambrine-leaf at $tool" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "install GNU time (apt-get install time)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
export TMPDIR="$work"
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
# The options every gpg run of the program uses.
gpg=(gpg1 --no-random-seed-file --no-default-keyring --always-trust --utf8-strings
     --cipher-algo AES256 --no-tty --force-mdc --homedir=home
     --keyring=home/pubring.gpg --secret-keyring=home/secring.gpg --batch)
gpg1 --homedir home --batch --no-tty --quick-random --gen-key keyparams 2>/dev/null
fpr=$("${gpg[@]}" --with-colons --fingerprint 2>/dev/null | awk -F: '/^fpr/{print $10; exit}')

head -c $((size_mib * 1024 * 1024)) /dev/urandom > attachment.bin
printf '<!DOCTYPE html><html><body><form></form></body></html>' > page.html
printf 'field=value' > form.txt
echo "BENCHPASS" > pass

calc() { awk "BEGIN { print $1 }"; }
# Seconds of wall time of a command.
seconds() {
  local start end
  start=$(date +%s.%N)
  "$@"
  end=$(date +%s.%N)
  calc "$end - $start"
}

# ambrine-leaf: attach (encrypt to a temporary file), then save (decrypt it
# while signing and encrypting the message).
/usr/bin/time -v -o write.time "$tool" create --homedir home --recipient "$fpr" \
  --document page.html --form form.txt --attach attachment.bin -o leaf.gpg
# ambrine-leaf: open (decrypt and verify, re-encrypt the attachment into a
# temporary file) and report digests.
/usr/bin/time -v -o read.time "$tool" show --reencrypt --homedir home leaf.gpg > show.json

# gpg1 alone doing the same work, one step after the other.
"${gpg[@]}" --decrypt leaf.gpg > message.txt 2>/dev/null  # the leaf's plaintext, for its size
w1=$(seconds sh -c "$(printf '%q ' "${gpg[@]}") --passphrase-fd 3 -o temp.gpg --symmetric attachment.bin 3<pass")
w2=$(seconds sh -c "$(printf '%q ' "${gpg[@]}") --passphrase-fd 3 --decrypt temp.gpg 3<pass >/dev/null 2>&1")
w3=$(seconds sh -c "$(printf '%q ' "${gpg[@]}") -r $fpr --sign --encrypt < message.txt > base.gpg 2>/dev/null")
r1=$(seconds sh -c "$(printf '%q ' "${gpg[@]}") --decrypt leaf.gpg > /dev/null 2>&1")
r2=$(seconds sh -c "$(printf '%q ' "${gpg[@]}") --passphrase-fd 3 --symmetric < attachment.bin > temp2.gpg 3<pass")

elapsed() {  # "Elapsed (wall clock) time (h:mm:ss or m:ss): 0:01.23" -> seconds
  awk -F': ' '/Elapsed/{n=split($2,p,":"); s=0; for(i=1;i<=n;i++) s=s*60+p[i]; print s}' "$1"
}
peak() { awk -F': ' '/Maximum resident/{printf "%.1f", $2/1024}' "$1"; }
tw=$(elapsed write.time)
tr=$(elapsed read.time)
bw=$(calc "$w1 + $w2 + $w3")
br=$(calc "$r1 + $r2")
want=$(sha256sum attachment.bin | cut -d' ' -f1)
grep -q "\"bytes\": $((size_mib * 1024 * 1024)), \"sha256\": \"$want\"" show.json \
  || { echo "the attachment did not read back intact" >&2; exit 1; }

printf 'attachment: %d MiB, leaf: %d bytes, message: %d bytes\n' "$size_mib" \
  "$(stat -c %s leaf.gpg)" "$(stat -c %s message.txt)"
printf 'write: ambrine-leaf %.2f s, gpg1 alone %.2f s (encrypt %.2f + decrypt %.2f + sign+encrypt %.2f), ratio %.2f, peak %s MiB\n' \
  "$tw" "$bw" "$w1" "$w2" "$w3" "$(calc "$tw / $bw")" "$(peak write.time)"
printf 'read:  ambrine-leaf %.2f s, gpg1 alone %.2f s (decrypt %.2f + encrypt %.2f), ratio %.2f, peak %s MiB\n' \
  "$tr" "$br" "$r1" "$r2" "$(calc "$tr / $br")" "$(peak read.time)"
