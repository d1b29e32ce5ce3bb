#!/usr/bin/env bash
# Runs one fuzz target for longer: scripts/fuzz.sh TARGET [SECONDS]
# TARGET is a reader under fuzz/ (listfile, imap, skin, ...; "list" names
# them), SECONDS 300 by default. The targets are built with clang, ASan and
# UBSan in build-fuzz/ (ORVANE_FUZZ_BUILD_DIR picks another folder). The
# regression inputs are replayed first; the run starts from the seeds in
# fuzz/corpus/TARGET and keeps what it learns in build-fuzz/corpus/TARGET.
# A finding is written to build-fuzz/findings/TARGET/ and ends the run: mend
# it and add the input to fuzz/regressions/TARGET/.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${ORVANE_FUZZ_BUILD_DIR:-$repo/build-fuzz}
target=${1:?usage: scripts/fuzz.sh TARGET [SECONDS]}
seconds=${2:-300}

if [[ $target == list ]]; then
  for source in "$repo"/fuzz/fuzz_*.cpp; do
    name=${source##*/fuzz_}
    echo "${name%.cpp}"
  done
  exit 0
fi
if [[ ! -f $repo/fuzz/fuzz_$target.cpp ]]; then
  echo "no fuzz target '$target' (scripts/fuzz.sh list names them)" >&2
  exit 2
fi

# shellcheck source=scripts/packages.sh
source "$repo/scripts/packages.sh"
orvane_install_packages "${ORVANE_BUILD_PACKAGES[@]}" "${ORVANE_FUZZ_PACKAGES[@]}"

if [[ ! -f $build/CMakeCache.txt ]]; then
  CC=clang CXX=clang++ cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DORVANE_FUZZ=ON -DORVANE_BUILD_TESTS=OFF
fi
cmake --build "$build" --target "fuzz_$target"

# Each input is bounded: a reader that asks for more than 512 MB at once or
# takes more than 10 s for one input is a finding. The process as a whole
# may grow to 2 GB. A 16 MB quarantine still holds far more than one input
# frees, so a use after free within an input is caught.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:quarantine_size_mb=16}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$repo/fuzz/lsan.supp}
# Inputs up to 64 KB, the largest reply a checker takes; a command line is
# one line of a desktop entry or a setting, and longer ones only slow the
# run down.
max_len=65536
[[ $target == commandline ]] && max_len=4096
options=(-rss_limit_mb=2048 -malloc_limit_mb=512 -timeout=10 -max_len=$max_len)
[[ -f $repo/fuzz/dict/$target.dict ]] && options+=("-dict=$repo/fuzz/dict/$target.dict")
program=$build/fuzz/fuzz_$target

regressions=$repo/fuzz/regressions/$target
if compgen -G "$regressions/*" >/dev/null; then
  "$program" "${options[@]}" "$regressions"/*
fi

# A long run goes in rounds of at most a million inputs, each a fresh
# process starting from the corpus the last one left: the sanitizers'
# allocator makes a long-lived process grow past the 2 GB bound and slow
# down several times, which would end the run with a finding that is not.
mkdir -p "$build/corpus/$target" "$build/findings/$target"
end=$((SECONDS + seconds))
while ((SECONDS < end)); do
  nice -n 10 "$program" "${options[@]}" -runs=1000000 -max_total_time=$((end - SECONDS)) \
    -print_final_stats=1 -artifact_prefix="$build/findings/$target/" \
    "$build/corpus/$target" "$repo/fuzz/corpus/$target"
done
