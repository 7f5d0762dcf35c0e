#!/usr/bin/env bash
# Builds and runs the bridge benchmark in BUILD_DIR (configured from this repository) and
# prints its row of the benchmark table on standard output; progress, each round's rates
# and their spread go to standard error.
#   bench/bridge/run.sh BUILD_DIR [JAVA OPTIONS...]
# e.g. -Dbench.rounds=5 -Dbench.seconds=1 (the defaults).
set -euo pipefail
if [ $# -lt 1 ]; then
  echo "usage: $0 BUILD_DIR [JAVA OPTIONS...]" >&2
  exit 2
fi
build=$1
shift

cmake --build "$build" --target bench_bridge >&2
# shellcheck source=/dev/null
. "$build/bench/bridge/paths.sh"

# Debian's JNA finds its native part in the system's JNI folder.
jni_dir=/usr/lib/$(gcc -print-multiarch 2>/dev/null || echo x86_64-linux-gnu)/jni
exec "$java" "-Djava.library.path=$library_path:$jni_dir" "-Dquorbel.bench.fake=$fake" \
  -cp "$class_path" "$@" ru.norvel.davo.bench.BridgeBenchmark
