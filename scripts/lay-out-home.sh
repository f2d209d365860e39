#!/usr/bin/env bash
# Makes sure a start folder holds what the program reads from it: the language
# files, the start-screen picture and the help file. Files the user changed are
# kept; missing ones are copied from the project.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
home=${1:?usage: lay-out-home.sh START_FOLDER}

mkdir -p "$home/Language" "$home/Archive" "$home/TempData"
cp -n "$here"/resources/Language/*.ini "$home/Language/" 2>/dev/null || true
for f in "$here"/resources/home/*; do
  [ -e "$f" ] && cp -n "$f" "$home/"
done
