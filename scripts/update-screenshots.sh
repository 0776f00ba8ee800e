#!/usr/bin/env bash
# Copies the window pictures taken by the last end-to-end run into docs/.
set -euo pipefail
cd "$(dirname "$0")/.."
for shot in main-window countdown-window; do
  cp "build/mingw/e2e/evening/$shot.png" "docs/$shot.png"
done
cp build/mingw/e2e/wrong-title/wrong-title-message.png docs/ 2>/dev/null || true
cp build/mingw/e2e/help/help-window.png docs/ 2>/dev/null || true
cp build/mingw/e2e/family-9x-timed/stayed-on-window.png docs/ 2>/dev/null || true
for shot in installer-options installer-running installer-finish; do
  cp "build/mingw/release-test/$shot.png" docs/ 2>/dev/null || true
done
