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

# The Debian package, built as users get it (no tests, benchmarks or sanitizers), unpacked into a
# throw-away root and run from there. TARVIK_SKIP_PACKAGE=1 leaves it out of a local run.
if [ -z "${TARVIK_SKIP_PACKAGE:-}" ]; then
  started=$SECONDS
  deb=$(bash "$TOP/scripts/package.sh" | tail -n 1)
  bash "$TOP/scripts/check-package.sh" "$deb"
  echo "Package built and checked in $((SECONDS - started)) s" >&2
fi
