#!/usr/bin/env bash
# Configures and builds Quindle into build/ (pass extra CMake targets as arguments).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja >/dev/null
cmake --build build -j"$(nproc)" ${1:+--target "$@"}
