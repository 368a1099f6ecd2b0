#!/usr/bin/env bash
# Builds Ambrine with its tests and runs every test: a bounded fuzz run of
# the leaf reader, then the test suite, whose window tests run in a virtual
# X server.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh -DAMBRINE_BUILD_TESTS=ON

# libFuzzer with AddressSanitizer, in a separate clang build; new inputs go to
# build-fuzz/corpus, the committed seeds in tests/leaf/corpus stay as they are.
CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DAMBRINE_FUZZ=ON -DAMBRINE_BUILD_GUI=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build-fuzz --parallel "$(nproc)" --target fuzz_leaf_reader
mkdir -p build-fuzz/corpus
build-fuzz/fuzz_leaf_reader -max_total_time=30 -runs=5000000 -artifact_prefix=build-fuzz/ \
  build-fuzz/corpus tests/leaf/corpus

export QTWEBENGINE_DISABLE_SANDBOX=1
export QT_QPA_PLATFORM=xcb
xvfb-run -a -s "-screen 0 1280x1024x24" \
  ctest --test-dir build --output-on-failure --timeout 600
