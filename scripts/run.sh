#!/usr/bin/env bash
# The main job: builds quillox and shows it working on a sample.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh native
cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/native -j "$(nproc)"
q=build/native/quillox
sample=/usr/share/common-licenses/GPL-3
echo "== quillox raw on $sample"
$q raw compress --method RLE <"$sample" >build/native/sample.rle
ls -l "$sample" build/native/sample.rle
