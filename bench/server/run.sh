#!/usr/bin/env bash
# Runs the upload benchmark against SQLite and a throwaway PostgreSQL cluster.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${BUILD_DIR:-build}
cmake --build "$build" --target sendd_bench vrt-sendd >/dev/null
pgdir=$(mktemp -d /tmp/vrt-bench-pg.XXXXXX)
trap 'scripts/test-postgres.sh stop "$pgdir"' EXIT
if scripts/test-postgres.sh start "$pgdir"; then
  export VRT_TEST_PGHOST=$pgdir
else
  echo "PostgreSQL could not start: measuring SQLite only" >&2
fi
"$build/bench/server/sendd_bench" "$@"
