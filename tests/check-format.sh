#!/usr/bin/env bash
# Fails when a C++ file of the project is not formatted by the repository's .clang-format.
set -euo pipefail
cd "$1"
if ! command -v clang-format >/dev/null; then
    echo "SKIP: clang-format is not installed (Debian package clang-format)"
    exit 77
fi
git ls-files -z -- '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
echo "every C++ file is formatted"
