#!/usr/bin/env bash
# Line coverage of src/ by the whole test suite: a gcc build with --coverage
# in build/coverage, every test run once, and gcovr's summary. The figure is
# the "lines:" percentage; build/coverage/coverage.txt lists it per file.
#   scripts/coverage.sh            build, test, report
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"

"$here/scripts/install-deps.sh" || exit 1
export QT_QPA_PLATFORM=offscreen
build=$here/build/coverage

cleanup() { "$here/scripts/test-postgres.sh" stop >/dev/null 2>&1 || true; }
trap cleanup EXIT
eval "$("$here/scripts/test-postgres.sh" start)" || { echo "PostgreSQL did not start"; exit 1; }

cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTAVO_BENCH=OFF \
  -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++ \
  -DCMAKE_CXX_FLAGS="--coverage" -DCMAKE_C_FLAGS="--coverage" \
  -DCMAKE_EXE_LINKER_FLAGS="--coverage" >/dev/null || exit 1
cmake --build "$build" -j "$(nproc)" || exit 1
find "$build" -name '*.gcda' -delete
ctest --test-dir "$build" -j "$(nproc)" --timeout 900 >"$build/ctest.log" 2>&1
tests_status=$?
tail -3 "$build/ctest.log"

gcovr --root "$here" --object-directory "$build" --filter "$here/src/" \
  --exclude-unreachable-branches --txt "$build/coverage.txt" --print-summary 2>/dev/null | grep -E '^(lines|branches):'
exit $tests_status
