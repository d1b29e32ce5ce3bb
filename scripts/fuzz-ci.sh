#!/usr/bin/env bash
# What CI runs for the fuzz targets: every target under fuzz/ built with
# clang, ASan and UBSan in build-fuzz/ (ORVANE_FUZZ_BUILD_DIR picks another
# folder), every regression input in fuzz/regressions/ replayed, then each
# target run from its seeds for a fixed number of inputs, sized to about
# 30 s on a developer's machine. Any finding fails the run; its input is in
# build-fuzz/findings/<target>/ and, once mended, goes into
# fuzz/regressions/<target>/.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${ORVANE_FUZZ_BUILD_DIR:-$repo/build-fuzz}

# shellcheck source=scripts/packages.sh
source "$repo/scripts/packages.sh"
orvane_install_packages "${ORVANE_BUILD_PACKAGES[@]}" "${ORVANE_FUZZ_PACKAGES[@]}"

if [[ ! -f $build/CMakeCache.txt ]]; then
  CC=clang CXX=clang++ cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DORVANE_FUZZ=ON -DORVANE_BUILD_TESTS=OFF
fi
cmake --build "$build" --target fuzz

# Inputs per target: the readers that write files or parse more per input
# manage fewer a second.
declare -A runs=(
  [listfile]=60000 [profiles]=200000 [skin]=400000 [bskin]=400000 [mailclient]=200000
  [imap]=500000 [commandline]=500000 [serveraddress]=5000000 [pop3]=1500000
  [inboxcount]=10000000 [pop3session]=25000 [imapmailbox]=60000
)
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$repo/fuzz/lsan.supp}
options=(-rss_limit_mb=2048 -malloc_limit_mb=512 -timeout=10 -seed=1)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for source in "$repo"/fuzz/fuzz_*.cpp; do
  target=${source##*/fuzz_}
  target=${target%.cpp}
  program=$build/fuzz/fuzz_$target
  # Inputs up to 64 KB, the largest reply a checker takes; a command line is
  # one line of a desktop entry or a setting.
  extra=(-max_len=65536)
  [[ $target == commandline ]] && extra=(-max_len=4096)
  [[ -f $repo/fuzz/dict/$target.dict ]] && extra+=("-dict=$repo/fuzz/dict/$target.dict")
  regressions=$repo/fuzz/regressions/$target
  if compgen -G "$regressions/*" >/dev/null; then
    "$program" "${options[@]}" "$regressions"/* 2>"$work/$target.log" || {
      cat "$work/$target.log"
      echo "fuzz_$target: a regression input fails again" >&2
      exit 1
    }
  fi
  mkdir -p "$work/$target" "$build/findings/$target"
  start=$SECONDS
  "$program" "${options[@]}" "${extra[@]}" -runs="${runs[$target]:-100000}" \
    -artifact_prefix="$build/findings/$target/" "$work/$target" "$repo/fuzz/corpus/$target" \
    2>"$work/$target.log" || {
    tail -n 60 "$work/$target.log"
    echo "fuzz_$target: finding in $build/findings/$target/" >&2
    exit 1
  }
  echo "fuzz_$target: ${runs[$target]:-100000} inputs in $((SECONDS - start)) s"
done
