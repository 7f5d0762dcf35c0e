#!/usr/bin/env bash
# Cross-builds the certificate services for 32-bit and 64-bit Windows with MinGW-w64, against
# the SDK headers and libraries that come with it, and links a program that calls them all.
#   windows-build.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
source_dir=$1
build_dir=$2
for arch in i686 x86_64; do
  out="$build_dir/windows-crypto-$arch"
  cmake -S "$source_dir/cmake/windows-crypto" -B "$out" \
    -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/toolchain-mingw.cmake" -DMINGW_ARCH="$arch" -DCMAKE_BUILD_TYPE=Release >/dev/null
  rm -f "$out/linkcheck.exe"
  cmake --build "$out" -- -j2
  test -s "$out/linkcheck.exe"
  echo "crypto for $arch Windows: $(basename "$out")/linkcheck.exe linked"
done
