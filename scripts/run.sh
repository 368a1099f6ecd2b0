#!/usr/bin/env bash
# Builds Ambrine and starts it from its program folder (build/).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cd build
# The web view refuses to start its sandbox as root.
[ "$(id -u)" = 0 ] && export QTWEBENGINE_DISABLE_SANDBOX=1
exec ./ambrine
