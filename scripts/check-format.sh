#!/usr/bin/env bash
# Fails when a C++ file differs from what .clang-format asks for; lists the files.
set -euo pipefail
cd "$(dirname "$0")/.."
bad=$(git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run 2>&1 | grep -o '^[^:]*:[0-9]*:[0-9]*: warning' | cut -d: -f1 | sort -u || true)
if [ -n "$bad" ]; then
  echo "These files need clang-format -i:" >&2
  echo "$bad" >&2
  exit 1
fi
echo "format: ok"
