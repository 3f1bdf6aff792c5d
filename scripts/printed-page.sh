#!/usr/bin/env bash
# Prints a page of a session window to a PDF file, the way File > Print
# Current Page does without a print queue, and saves it as
# docs/printed-page.png for the README.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
PARLANE_PRINTED_PAGE="$tmp/page.pdf" QT_QPA_PLATFORM=offscreen \
  "$build/tests/app/test_app_shell" --gtest_filter='PrintTest.WithoutAQueuePrintingGoesToAPdfFile' >/dev/null
pdftoppm -png -r 60 -singlefile "$tmp/page.pdf" "$tmp/page"
cp "$tmp/page.png" docs/printed-page.png
echo "docs/printed-page.png"
