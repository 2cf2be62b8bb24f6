#!/bin/bash
# Runs the frame-time bench for both scenes at 1280x720 and 1920x1080,
# without multisampling and at 4x, under a virtual display.
# Usage: bench/frames/run.sh BUILD_DIR [extra zentrix-frames options]
set -euo pipefail
build=$(cd "${1:?usage: run.sh BUILD_DIR}" && pwd)
shift
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/data"
ln -s "$build/data/assets.ass" "$work/data/assets.ass"
cd "$work"
for scene in typical heavy; do
    for size in 1280x720 1920x1080; do
        for msaa in 0 4; do
            xvfb-run -a -s "-screen 0 1920x1080x24" "$build/zentrix-frames" --scene "$scene" \
                --size "$size" --msaa "$msaa" "$@" 2>/dev/null
        done
    done
done
