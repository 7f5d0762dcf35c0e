#!/usr/bin/env bash
# Makes on the host what the Windows build of the tests reads: the test certificates of
# tests/data, and the factory's certificates and answers (tests/windows/fixtures.cpp).
#   make-fixtures.sh SOURCE_DIR DATA_DIR
set -euo pipefail
source_dir=$1
data=$2
bash "$source_dir/tests/data/make-test-certs.sh" "$data"
tool=$(mktemp -d)
trap 'rm -rf "$tool"' EXIT
# The host's compiler, whatever the cross build was given.
g++ -std=c++17 -O1 -I"$source_dir/tests/support" -I"$source_dir/tests/windows" -o "$tool/fixtures" \
  "$source_dir/tests/windows/fixtures.cpp" "$source_dir/tests/support/certfactory.cpp" -lcrypto
rm -rf "$data/made"
"$tool/fixtures" "$data"
