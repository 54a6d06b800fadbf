#!/usr/bin/env bash
# Installs what is missing, builds, creates the demo database if it is absent, starts the program.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

install_missing_packages
BUILD_DIR="${TARVIK_BUILD_DIR:-$TOP/build}"
build "$BUILD_DIR" -DTARVIK_BUILD_TESTS=OFF -DTARVIK_BUILD_BENCH=OFF

DATA_DIR="${TARVIK_DATA_DIR:-${XDG_DATA_HOME:-$HOME/.local/share}/tarvik/demo}"
if [ -x "$BUILD_DIR/bin/tarvik-demo-db" ] && [ ! -f "$DATA_DIR/Patient_data.sqlite" ]; then
  echo "Creating the demo database in $DATA_DIR (a few minutes, once)..." >&2
  "$BUILD_DIR/bin/tarvik-demo-db" --out "$DATA_DIR"
elif [ -x "$BUILD_DIR/bin/tarvik-demo-db" ] && [ -z "${TARVIK_DATA_DIR:-}" ]; then
  # The demo folder made by an earlier checkout gets this checkout's stored procedures (its data
  # stays). A folder named by TARVIK_DATA_DIR may be a hospital's own: it is left alone.
  "$BUILD_DIR/bin/tarvik-demo-db" --out "$DATA_DIR" --install-procedures
fi

if [ -x "$BUILD_DIR/bin/tarvik-reports" ]; then
  exec "$BUILD_DIR/bin/tarvik-reports" "$@"
fi
echo "Built in $BUILD_DIR/bin; the program itself is not part of this build yet." >&2
ls "$BUILD_DIR/bin"
