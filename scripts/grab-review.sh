#!/usr/bin/env bash
# Shows the review window on a fresh start folder under a virtual X display
# and saves a screen picture: the recorder simulator writes a card, tavo-import
# loads it, tavo-vezi starts with --review on the first case.
# Usage: grab-review.sh BUILD_DIR [PICTURE]   (default BUILD_DIR/review-xvfb.png)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: grab-review.sh BUILD_DIR [PICTURE]}" && pwd)
picture=${2:-$build/review-xvfb.png}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work/user TAVO_VEZI_HOME=$work/home   # its own data source and settings
mkdir -p "$HOME"
"$here/scripts/lay-out-home.sh" "$TAVO_VEZI_HOME"
"$build/tools/recorder-sim/tavo-recorder-sim" --out "$work/card" --archives 2 --minutes 30 >/dev/null
"$build/tools/import/tavo-import" --home "$TAVO_VEZI_HOME" "$work/card" >/dev/null
case_id=$(ls "$TAVO_VEZI_HOME/Archive" | head -n 1)

xvfb-run -a -s "-screen 0 1600x1000x24" bash -c '
  "$1" --review "$2" & app=$!
  sleep 2   # the window must show its case within two seconds
  import -window root "$3"
  kill $app' grab "$build/src/app/tavo-vezi" "$case_id" "$picture"
echo "$picture"
