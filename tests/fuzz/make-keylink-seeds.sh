#!/usr/bin/env bash
# Writes the store-file seeds whose key link (property 2, in the self-relative form) lists
# parameters that all claim the same bytes: together they would take 2^32 + 48 bytes of
# structure (keylink-wraps.sst, 16,384 parameters), or about 1 GB to copy for every
# reading (keylink-costly.sst, 8,192 parameters). Each is one certificate (ec.der of the
# certificate corpus) with that property, byte by byte from the serialized format.
#   tests/fuzz/make-keylink-seeds.sh
set -euo pipefail
cd "$(dirname "$0")"

# Little-endian 32-bit values, as printf escapes.
dwords() {
  local v
  for v in "$@"; do
    printf '\\x%02x\\x%02x\\x%02x\\x%02x' $((v & 255)) $((v >> 8 & 255)) $((v >> 16 & 255)) $((v >> 24 & 255))
  done
}

# seed FILE COUNT DATA-LENGTH: the fixed part (no names, type 75, the parameter table right
# after it, AT_KEYEXCHANGE), then COUNT parameters each pointing at offset 0.
seed() {
  local file=$1 count=$2 length=$3 value=$((28 + 16 * $2))
  local certificate=corpus/certificate/ec.der
  {
    printf "\\0\\0\\0\\0CERT$(dwords 2 1 "$value")"
    printf "$(dwords 0 0 75 0 "$count" 28 1)"
    # printf repeats its format for each argument: one parameter per number.
    printf "$(dwords 1 0 "$length" 0)%.0s" $(seq "$count")
    printf "$(dwords 32 1 "$(stat -c %s "$certificate")")"
    cat "$certificate"
    printf "$(dwords 0 0 0)"
  } >"corpus/storefile/$file"
}

# 48 bytes of structure, 16,384 parameters of 24 and 16,384 × 262,120 bytes: 2^32 + 48.
seed keylink-wraps.sst 16384 262120
seed keylink-costly.sst 8192 131100
