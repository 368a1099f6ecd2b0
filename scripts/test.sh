#!/usr/bin/env bash
# Builds Ambrine with its tests and runs every test; window tests run in a
# virtual X server.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh -DAMBRINE_BUILD_TESTS=ON
export QTWEBENGINE_DISABLE_SANDBOX=1
export QT_QPA_PLATFORM=xcb
xvfb-run -a -s "-screen 0 1280x1024x24" \
  ctest --test-dir build --output-on-failure --timeout 600
