#!/usr/bin/env bash
# The release: installs what is missing, builds the 32-bit and the 64-bit program, and puts their zips
# (the exe and the Russian user guide each) with a SHA256SUMS file into build/release.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
for preset in win32 win64; do
  [ -f "build/$preset/CMakeCache.txt" ] || cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" --target release_zip
done
rm -rf build/release
mkdir -p build/release
cp build/win32/release/*.zip build/win64/release/*.zip build/release/
(cd build/release && sha256sum -- *.zip >SHA256SUMS)
echo "package: build/release holds"
(cd build/release && cat SHA256SUMS)
