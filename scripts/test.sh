#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer and UBSan, and runs every test.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

install_missing_packages
BUILD_DIR="${TARVIK_TEST_BUILD_DIR:-$TOP/build-test}"
WERROR=OFF
if [ -n "${CI:-}" ]; then WERROR=ON; fi
BUILD_TYPE=Debug build "$BUILD_DIR" -DTARVIK_SANITIZE=ON -DTARVIK_WERROR=$WERROR -DTARVIK_BUILD_BENCH=ON

if [ -x "$TOP/tests/engine/cups-pdf-setup.sh" ]; then
  "$TOP/tests/engine/cups-pdf-setup.sh"
fi

# Qt and fontconfig keep caches for the life of the process; leak reports about them are noise.
export ASAN_OPTIONS="detect_leaks=0:abort_on_error=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$BUILD_DIR" --output-on-failure -j2 "$@"

# The libFuzzer targets (tests/fuzz), built by clang in a folder of their own and run for
# TARVIK_FUZZ_SECONDS each (60 by default, 0 skips them): a crash, a hang or a sanitizer report
# fails the run. New inputs go to a throw-away corpus; the seeds are the repository's.
FUZZ_SECONDS="${TARVIK_FUZZ_SECONDS:-60}"
if [ "$FUZZ_SECONDS" -gt 0 ]; then
  FUZZ_DIR="${TARVIK_FUZZ_BUILD_DIR:-$TOP/build-fuzz}"
  CC=clang CXX=clang++ cmake -S "$TOP" -B "$FUZZ_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVIK_FUZZ=ON \
    -DTARVIK_SANITIZE=ON -DTARVIK_BUILD_BENCH=OFF "-DTARVIK_ONLY=src/db;src/report_engine;tests/fuzz" >/dev/null
  cmake --build "$FUZZ_DIR" -j2 --target fuzz_definition fuzz_command_text fuzz_sheet_writers
  export ASAN_OPTIONS="detect_leaks=0:abort_on_error=1"
  for target in fuzz_definition fuzz_command_text fuzz_sheet_writers; do
    case $target in
      fuzz_definition) seeds="$TOP/REPORTS" ;;
      fuzz_command_text) seeds="$TOP/tests/fuzz/seeds/command_text" ;;
      fuzz_sheet_writers) seeds="$TOP/tests/fuzz/seeds/sheet_writers" ;;
    esac
    corpus="$(mktemp -d)"
    mkdir "$corpus/inputs"
    cp "$seeds"/* "$corpus/inputs/" # the fuzzer adds to its corpus: never to the repository's files
    echo "Fuzzing $target for $FUZZ_SECONDS s" >&2
    # Run inside the corpus folder, where a crash leaves its input.
    if (cd "$corpus" && "$FUZZ_DIR/bin/$target" -max_total_time="$FUZZ_SECONDS" -timeout=25 -print_final_stats=1 \
          "$corpus/inputs" >"$corpus/log" 2>&1); then
      tail -n 12 "$corpus/log" >&2
      rm -rf "$corpus"
    else
      tail -n 60 "$corpus/log" >&2
      echo "$target failed; its input and log are in $corpus" >&2
      exit 1
    fi
  done
fi

# The Debian package, built as users get it (no tests, benchmarks or sanitizers), unpacked into a
# throw-away root and run from there. TARVIK_SKIP_PACKAGE=1 leaves it out of a local run.
if [ -z "${TARVIK_SKIP_PACKAGE:-}" ]; then
  started=$SECONDS
  deb=$(bash "$TOP/scripts/package.sh" | tail -n 1)
  bash "$TOP/scripts/check-package.sh" "$deb"
  echo "Package built and checked in $((SECONDS - started)) s" >&2
fi
