#!/bin/bash
# Runs the frame-time bench without multisampling and at 4x under a virtual
# display. Usage: bench/frames/run.sh BUILD_DIR [extra zentrix-frames options]
set -euo pipefail
build=$(cd "${1:?usage: run.sh BUILD_DIR}" && pwd)
shift
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/data"
ln -s "$build/data/assets.ass" "$work/data/assets.ass"
cd "$work"
for msaa in 0 4; do
    xvfb-run -a -s "-screen 0 1920x1080x24" "$build/zentrix-frames" --msaa "$msaa" "$@"
done
