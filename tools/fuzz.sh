#!/usr/bin/env bash
# Runs every libFuzzer target for a bounded time each.
#
#   tools/fuzz.sh [seconds-per-target] [build-folder]
#
# Builds the targets with clang in their own folder (default build-fuzz, configured with
# KX_FUZZ=ON and KX_TESTS_ONLY=ON), seeds each corpus from a few valid inputs, then runs each
# target for the given time (default 60 s). Corpora and any crash inputs stay under
# <build-folder>/fuzz/<target>/. The script fails when a target finds a crash.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
build=${2:-build-fuzz}
targets=(kx_fuzz_stream_loader kx_fuzz_cache_header)

CC=clang CXX=clang++ cmake -S . -B "${build}" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKX_FUZZ=ON -DKX_TESTS_ONLY=ON >/dev/null
cmake --build "${build}" -j 2 --target "${targets[@]}"

status=0
for target in "${targets[@]}"; do
  work="$(pwd)/${build}/fuzz/${target}"
  mkdir -p "${work}/corpus" "${work}/crashes"
  # Seeds: an empty file, and a valid cache of the test asset (version 3, no source time,
  # value 1234, three elements, label 'g').
  printf '' >"${work}/corpus/empty"
  printf '\x03\x00\xff\xff\xff\xff\xff\xff\xff\xff\xd2\x04\x00\x00\x03\x00\x00\x00\x0a\x00\x00\x00\x14\x00\x00\x00\x1e\x00\x00\x00g' \
    >"${work}/corpus/valid-cache"
  echo "=== ${target}: ${seconds} s"
  if ! "${build}/tests/streams/fuzz/${target}" -max_total_time="${seconds}" -max_len=4096 \
      -rss_limit_mb=1024 -artifact_prefix="${work}/crashes/" -print_final_stats=1 \
      "${work}/corpus" 2>"${work}/log.txt"; then
    echo "!!! ${target} found a fault: see ${work}/crashes/ and ${work}/log.txt"
    status=1
  fi
  grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb)|^#[0-9]+ *DONE' "${work}/log.txt" || true
done
# The map and model readers: seeded with small generated files, the generated Resources tree
# (when a default build folder made one) and the shared real files (when present).
loader_targets=(kx_fuzz_bsp_reader kx_fuzz_md2_reader kx_fuzz_3ds_reader)
cmake --build "${build}" -j 2 --target "${loader_targets[@]}" kx_fuzz_loader_seeds
shared=../shared/testdata
for target in "${loader_targets[@]}"; do
  work="$(pwd)/${build}/fuzz/${target}"
  mkdir -p "${work}/corpus" "${work}/crashes"
done
"${build}/tests/loaders/fuzz/kx_fuzz_loader_seeds" "${build}/fuzz/kx_fuzz_bsp_reader/corpus" \
  "${build}/fuzz/kx_fuzz_md2_reader/corpus" "${build}/fuzz/kx_fuzz_3ds_reader/corpus"
seed() { for f in "${@:2}"; do [ -f "$f" ] && cp "$f" "${build}/fuzz/$1/corpus/" || true; done; }
seed kx_fuzz_bsp_reader build/Resources/maps/bwcity2.bsp "${shared}/q2map/mp_lobby_q2.bsp"
seed kx_fuzz_md2_reader build/Resources/Models/monsters/infantry/tris.md2 "${shared}"/models/*.md2
seed kx_fuzz_3ds_reader build/Resources/Models/crate.3ds "${shared}"/models/*.3ds "${shared}"/models/*.3DS
for target in "${loader_targets[@]}"; do
  work="$(pwd)/${build}/fuzz/${target}"
  echo "=== ${target}: ${seconds} s"
  if ! "${build}/tests/loaders/fuzz/${target}" -max_total_time="${seconds}" -max_len=65536 \
      -rss_limit_mb=2048 -timeout=10 -artifact_prefix="${work}/crashes/" -print_final_stats=1 \
      "${work}/corpus" 2>"${work}/log.txt"; then
    echo "!!! ${target} found a fault: see ${work}/crashes/ and ${work}/log.txt"
    status=1
  fi
  grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb)|^#[0-9]+ *DONE' "${work}/log.txt" || true
done
exit "${status}"
