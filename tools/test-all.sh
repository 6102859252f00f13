#!/usr/bin/env bash
# Builds everything natively and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh

cmake --preset linux -G Ninja
cmake --build --preset linux -j 2
ctest --preset linux -j 2
