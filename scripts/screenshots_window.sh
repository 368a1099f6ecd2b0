#!/usr/bin/env bash
# Screenshots of the window for the documentation: the key generation dialog
# of a first start, the same dialog after gpg has made the key, and the main
# window with the preset form. Runs the program from a fresh copy of its
# folder in a virtual X server; the pictures go to docs/screenshots/.
# Needs: xvfb, xdotool, imagemagick (import).
set -euo pipefail
cd "$(dirname "$0")/.."
for p in xdotool imagemagick; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' ||
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "$p"
done
root=$(pwd)
build=${BUILD_DIR:-build}
[ -x "$build/ambrine" ] || bash scripts/setup.sh
out="$root/docs/screenshots"
mkdir -p "$out"

program=$(mktemp -d /tmp/ambrine-shots-XXXXXX)
trap 'rm -rf "$program"' EXIT
cp "$build/ambrine" "$program/"
cp -r "$build/preset" "$program/preset"
rm -rf "$program/preset/CMakeFiles" "$program"/preset/*.cmake
mkdir -p "$program/bin"
ln -s "$(command -v gpg1)" "$program/bin/gpg"

cat > "$program/shoot.sh" <<'INNER'
#!/usr/bin/env bash
set -euo pipefail
program=$1 out=$2
cd "$program"
export QTWEBENGINE_DISABLE_SANDBOX=1
./ambrine > "$program/ambrine.log" 2>&1 &
pid=$!
finish() { kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; }
trap finish EXIT

shot() {  # window id, file
  sleep 1
  import -window "$1" "$out/$2"
  echo "wrote $out/$2"
}

dialog=$(timeout 60 xdotool search --sync --name "Ambrine 鍵の作成" | head -1)
xdotool windowfocus --sync "$dialog"
sleep 1
xdotool type --delay 30 "Taro Yamada"
xdotool key Tab
xdotool type --delay 30 "taro@example.org"
xdotool key Tab
xdotool type --delay 30 "home"
shot "$dialog" genkey-dialog.png

# OK starts gpg; the dialog shows its status lines until the key is made.
xdotool key Return
for _ in $(seq 1 600); do
  [ -s conf/secring.gpg ] && break
  sleep 0.5
done
sleep 3
shot "$dialog" genkey-done.png
xdotool windowfocus --sync "$dialog"
xdotool key Return

main=$(timeout 60 xdotool search --sync --name "^Ambrine - " | head -1)
sleep 4
shot "$main" main-window.png
INNER
chmod +x "$program/shoot.sh"
xvfb-run -a -s "-screen 0 1280x1024x24" "$program/shoot.sh" "$program" "$out"
