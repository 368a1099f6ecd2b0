#!/usr/bin/env bash
# Installs the build into a scratch DESTDIR and checks the installed tree:
# the program folder laid out as the program expects it, the launchers, the
# desktop entry, the icons, the AppStream data and the man pages (each
# validated by its own tool); then runs the installed ambrine-leaf through
# its launcher, which must find the INSTALL marker and use the per-user
# conf folder.
# Usage: install_test.sh CMAKE BUILD_DIR SOURCE_DIR SCRATCH_DIR VERSION APP_ID
set -u
cmake=$1 build=$2 source=$3 scratch=$4 version=$5 id=$6
prefix=/usr
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

for tool in desktop-file-validate appstreamcli man groff; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing (scripts/setup.sh installs it)" >&2; exit 1; }
done

rm -rf "$scratch"
mkdir -p "$scratch"
dest=$scratch/root
if ! DESTDIR="$dest" "$cmake" --install "$build" --prefix "$prefix" >"$scratch/install.log" 2>&1; then
  cat "$scratch/install.log" >&2
  echo "FAIL: cmake --install" >&2
  exit 1
fi
root=$dest$prefix
program=$root/lib/ambrine

# The program folder.
for exe in ambrine ambrine-leaf; do
  [ -f "$program/$exe" ] && [ ! -L "$program/$exe" ] && [ -x "$program/$exe" ] ||
    fail "$program/$exe is not an executable file"
  if missing=$(ldd "$program/$exe" 2>&1 | grep 'not found'); then
    fail "$exe: libraries not found: $missing"
  fi
done
if [ -L "$program/bin/gpg" ]; then
  [ "$(readlink "$program/bin/gpg")" = "$(readlink "$build/bin/gpg")" ] ||
    fail "bin/gpg links to $(readlink "$program/bin/gpg"), the build's to $(readlink "$build/bin/gpg")"
  [ -x "$program/bin/gpg" ] || fail "bin/gpg does not lead to an executable"
else
  fail "bin/gpg is not a link"
fi
cmp -s "$program/preset/index.html" "$source/preset/index.html" || fail "preset/index.html differs or is missing"
for ring in "$source"/preset/*.gpg; do
  [ -e "$ring" ] || continue
  cmp -s "$program/preset/${ring##*/}" "$ring" || fail "preset/${ring##*/} differs or is missing"
done
cmp -s "$program/manual.html" "$source/docs/manual.html" || fail "manual.html differs or is missing"
[ -f "$program/INSTALL" ] || fail "the INSTALL marker is missing"
[ ! -e "$program/conf" ] || fail "the program folder holds a conf folder"

# Launchers.
for exe in ambrine ambrine-leaf; do
  if [ -L "$root/bin/$exe" ]; then
    [ "$(readlink -f "$root/bin/$exe")" = "$(readlink -f "$program/$exe")" ] ||
      fail "bin/$exe leads to $(readlink -f "$root/bin/$exe")"
  else
    fail "bin/$exe is not a link"
  fi
done

# Desktop entry.
desktop=$root/share/applications/$id.desktop
if [ -f "$desktop" ]; then
  out=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $out"
  grep -qx 'Exec=ambrine %f' "$desktop" || fail "the desktop entry does not run 'ambrine %f'"
  grep -qx "Icon=$id" "$desktop" || fail "the desktop entry's icon is not $id"
  grep -q '^Name\[ja\]=' "$desktop" && grep -q '^Comment\[ja\]=' "$desktop" ||
    fail "the desktop entry has no Japanese name or comment"
else
  fail "$desktop is missing"
fi

# Icons: the SVG and a PNG of each size, really of that size.
icons=$root/share/icons/hicolor
[ -f "$icons/scalable/apps/$id.svg" ] || fail "the SVG icon is missing"
for size in 16 32 48 64 128 256; do
  png=$icons/${size}x${size}/apps/$id.png
  if [ -f "$png" ]; then
    # A PNG starts with its 8-byte signature; the IHDR chunk's width and
    # height are the big-endian words at offsets 16 and 20.
    read -r -a b <<<"$(od -An -tu1 -w24 -N24 "$png")"
    [ "${b[1]} ${b[2]} ${b[3]}" = "80 78 71" ] || fail "$png is not a PNG"
    w=$(( (b[16] << 24) | (b[17] << 16) | (b[18] << 8) | b[19] ))
    h=$(( (b[20] << 24) | (b[21] << 16) | (b[22] << 8) | b[23] ))
    [ "$w" = "$size" ] && [ "$h" = "$size" ] || fail "$png is ${w}x${h}"
  else
    fail "$png is missing"
  fi
done

# AppStream data: the file alone, then with the desktop entry and icons it
# names; its newest release is this version.
metainfo=$root/share/metainfo/$id.metainfo.xml
if [ -f "$metainfo" ]; then
  out=$(appstreamcli validate --no-net "$metainfo" 2>&1) || fail "appstreamcli validate: $out"
  out=$(appstreamcli validate-tree --no-net "$dest$prefix" 2>&1) || fail "appstreamcli validate-tree: $out"
  first=$(grep -o '<release version="[^"]*"' "$metainfo" | head -n 1)
  [ "$first" = "<release version=\"$version\"" ] || fail "the newest release is ($first), not $version"
else
  fail "$metainfo is missing"
fi

# Man pages: present, parsed without warnings, named after their program.
for page in ambrine ambrine-leaf; do
  file=$root/share/man/man1/$page.1
  if [ ! -f "$file" ]; then
    fail "$file is missing"
    continue
  fi
  warnings=$(groff -man -ww -z "$file" 2>&1)
  [ -z "$warnings" ] || fail "groff warns on $page.1: $warnings"
  text=$(LC_ALL=C.UTF-8 MANWIDTH=80 MANPAGER=cat man --warnings -l "$file" 2>"$scratch/man.err") ||
    fail "man -l $page.1 failed"
  [ ! -s "$scratch/man.err" ] || fail "man warns on $page.1: $(cat "$scratch/man.err")"
  grep -q "^ *$page - " <<<"$text" || fail "$page.1 has no NAME line for $page"
  grep -q "Ambrine $version" <<<"$text" || fail "$page.1 is not marked with version $version"
done

# The installed tool through its launcher.
leaf=$root/bin/ambrine-leaf
help=$("$leaf" --help 2>&1) || fail "ambrine-leaf --help failed: $help"
grep -q '^Usage:' <<<"$help" || fail "ambrine-leaf --help printed: $help"
[ "$("$leaf" --version 2>&1)" = "ambrine-leaf $version" ] || fail "ambrine-leaf --version is not $version"
# Beside the INSTALL marker the default conf folder is the user's: create
# names it when it finds no key there to sign with.
xdg="$scratch/data home"
mkdir -p "$xdg" "$scratch/work dir"
printf '<html><body>x</body></html>' >"$scratch/work dir/page one.html"
printf 'secret\n' >"$scratch/work dir/pass"
out=$(cd "$scratch/work dir" && env -u HOME XDG_DATA_HOME="$xdg" "$leaf" create --symmetric \
      --passphrase-file pass --document "page one.html" -o "leaf one.gpg" 2>&1)
status=$?
[ "$status" = 1 ] || fail "create without a key ended with $status: $out"
grep -qF "no secret key to sign with in $xdg/Ambrine/conf" <<<"$out" ||
  fail "the installed tool did not use \$XDG_DATA_HOME/Ambrine/conf: $out"
[ ! -e "$scratch/work dir/leaf one.gpg" ] || fail "a failed create left a leaf"
[ ! -e "$program/conf" ] || fail "the installed tool made a conf folder in the program folder"

if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "installed tree under $dest is complete"
