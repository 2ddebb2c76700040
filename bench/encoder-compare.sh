#!/usr/bin/env bash
# Sets picture_bench's figures beside those of an npm encoder, @point-of-sale/receipt-printer-encoder
# 4.0.1, converting the same grey pictures (576 x 800 and 2048 x 2048) with the same method in the
# same mode: threshold, Floyd-Steinberg and Atkinson, in column and raster modes. Its Bayer matrix
# is 4 x 4 where ours is 8 x 8, so ordered dithering is not compared. The package is installed
# into a temporary folder, removed at the end; without node and npm, the comparison is skipped.
# Usage: bench/encoder-compare.sh [BUILD_DIR]   (build/ by default)
set -uo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
bench="$build/bench/picture_bench"
if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
  echo "(encoder-compare: node or npm is not installed; skipped)"
  exit 0
fi
[ -x "$bench" ] || { echo "(encoder-compare: $bench is not built)"; exit 0; }
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
if ! timeout 180 npm install --prefix "$dir" --no-audit --no-fund --silent @point-of-sale/receipt-printer-encoder@4.0.1 >/dev/null 2>&1; then
  echo "(encoder-compare: the npm package could not be installed; skipped)"
  exit 0
fi
"$bench" --write "$dir" >"$dir/ours.txt" || { echo "(encoder-compare: picture_bench could not measure)"; exit 0; }
node bench/encoder-compare.mjs "$dir" "$dir" >"$dir/theirs.txt" || { echo "(encoder-compare: the npm encoder failed)"; exit 0; }
printf '%-36s %10s %10s %8s\n' "picture, method, mode" "ours ms" "npm ms" "npm/ours"
awk -F': ' 'NR == FNR { ours[$1] = $2 + 0; next }
            ($1 in ours) { key = substr($1, 9); printf "%-36s %10.3f %10.3f %7.1fx\n", key, ours[$1], $2 + 0, ($2 + 0) / ours[$1] }' \
  "$dir/ours.txt" "$dir/theirs.txt"
