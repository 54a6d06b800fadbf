#!/usr/bin/env bash
# Builds the Debian package: only what it holds (no tests, no benchmarks, no sanitizers), then
# `cpack -G DEB`. Prints the package's path on the last line.
#   scripts/package.sh             -> build-package/package/tarvik-reports_<version>-1_<arch>.deb
#   TARVIK_PACKAGE_BUILD_DIR=DIR scripts/package.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

install_missing_packages
BUILD_DIR="${TARVIK_PACKAGE_BUILD_DIR:-$TOP/build-package}"
BUILD_TYPE=Release build "$BUILD_DIR" -DTARVIK_BUILD_TESTS=OFF -DTARVIK_BUILD_BENCH=OFF \
  -DTARVIK_SANITIZE=OFF -DTARVIK_MAN_PAGES=ON >&2
rm -f "$BUILD_DIR"/package/*.deb
(cd "$BUILD_DIR" && cpack -G DEB >&2)
deb=$(ls "$BUILD_DIR"/package/*.deb)
dpkg-deb --info "$deb" >&2
echo "$deb"
