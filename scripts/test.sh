#!/usr/bin/env bash
# Builds everything and runs every test: unit tests, sanitizer builds of the
# core, widget tests on the offscreen platform, and device tests against a
# PulseAudio server with a null sink that this script starts, and the sending
# service's storage tests against a throwaway PostgreSQL cluster, also started
# here and removed at the end.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVRT_BUILD_TESTS=ON -DVRT_BUILD_BENCH=ON >/dev/null
cmake --build build
scripts/start-sound-server.sh

pgdir=$(mktemp -d /tmp/vrt-test-pg.XXXXXX)
top=$(pwd)
trap '"$top"/scripts/test-postgres.sh stop "$pgdir"' EXIT
if scripts/test-postgres.sh start "$pgdir"; then
  export VRT_TEST_PGHOST=$pgdir
else
  echo "PostgreSQL could not start here: the service's PostgreSQL tests will be skipped" >&2
fi

cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 "$@"
(cd .. && scripts/fuzz.sh 30)
