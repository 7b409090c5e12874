#!/usr/bin/env bash
# Sets up, builds and runs every test; CTest prints its summary. A throw-away PostgreSQL cluster runs for the
# tests that need a server (scripts/pg-test-cluster.sh) and is always stopped at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
root=$(pwd)
trap '"$root/scripts/pg-test-cluster.sh" stop' EXIT
eval "$("$root/scripts/pg-test-cluster.sh" start)"
export QUELMAR_TEST_PG_URI
cd build
ctest --output-on-failure -j"$(nproc)"
