#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. Two builds: the
# release build (gcc) and a sanitizer build (clang, ASan + UBSan) that also
# runs every fuzz target for a minute (ctest runs one test per core: two at a
# time on the two-core CI machine). The exit code is the result.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cd "$here"

"$here/scripts/install-deps.sh" || exit 1
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

status=0
cleanup() { "$here/scripts/test-postgres.sh" stop >/dev/null 2>&1 || true; }
trap cleanup EXIT
if [ -x "$here/scripts/test-postgres.sh" ]; then
  # Exports the PostgreSQL connection the database tests use (TAVO_TEST_PG_*).
  eval "$("$here/scripts/test-postgres.sh" start)" || { echo "PostgreSQL did not start"; exit 1; }
fi

build_and_test() {
  local dir=$1; shift
  cmake -S "$here" -B "$dir" -G Ninja "$@" || return 1
  cmake --build "$dir" -j "$jobs" || return 1
  ctest --test-dir "$dir" -j "$jobs" --output-on-failure --timeout 900
}

echo "== Release build (gcc) =="
build_and_test "$here/build/test-release" -DCMAKE_BUILD_TYPE=Release -DTAVO_BENCH=ON \
  -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++ || status=1

echo "== Sanitizer build (clang, ASan + UBSan, fuzz targets) =="
build_and_test "$here/build/test-asan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVO_SANITIZE=ON \
  -DTAVO_FUZZ=ON -DTAVO_FUZZ_SECONDS=60 -DTAVO_BENCH=OFF -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ || status=1

exit $status
