#!/usr/bin/env bash
# sloc.sh : lines of test code against lines of product code, counted over the files git tracks.
# Tests are everything under tests/ (support code, stand-ins and scripts included); the product is
# src/, include/, client/ and tools/.
set -euo pipefail
cd "$(dirname "$0")/.."
count() { git ls-files -z -- "$@" | xargs -0 -r cat | wc -l; }
tests=$(count tests)
product=$(count src include client tools)
echo "test lines:    $tests"
echo "product lines: $product"
awk -v t="$tests" -v p="$product" 'BEGIN { printf "tests/product: %.2f (target: at most 0.40)\n", t / p }'
