#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it in its data folder
# (TAVO_VEZI_HOME, default ~/TAVO_Vezi), which survives rebuilds.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

"$here/scripts/install-deps.sh"
cmake -S "$here" -B "$here/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAVO_BENCH=OFF >/dev/null
cmake --build "$here/build/release" --target tavo-vezi tavo-import tavo-analyze tavo-recorder-sim tavo-strip

export TAVO_VEZI_HOME=${TAVO_VEZI_HOME:-$HOME/TAVO_Vezi}
"$here/scripts/lay-out-home.sh" "$TAVO_VEZI_HOME"
exec "$here/build/release/src/app/tavo-vezi" "$@"
