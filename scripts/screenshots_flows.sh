#!/usr/bin/env bash
# Screenshots of the whole path for the documentation: a first start makes a
# key, the default form is filled, two files are attached, the leaf is saved;
# the program starts again, opens the leaf and shows everything back, then
# the manual, an attachment in the viewer and the search dialog. The
# pictures go to docs/screenshots/. Runs in a virtual X server.
set -euo pipefail
cd "$(dirname "$0")/.."
for p in xdotool imagemagick; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' ||
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "$p"
done
root=$(pwd)
build=${BUILD_DIR:-build}
[ -f "$build/build.ninja" ] || cmake -S . -B "$build" -G Ninja
cmake --build "$build" --target flows_screenshot_tour
out="$root/docs/screenshots"
mkdir -p "$out"
export QTWEBENGINE_DISABLE_SANDBOX=1
xvfb-run -a -s "-screen 0 1280x1024x24" "$build/flows_screenshot_tour" "$out"
