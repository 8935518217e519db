#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what lands there:
# programs, the desktop entry (desktop-file-validate), the MIME types
# (update-mime-database), the icons and the README.
# Exit 77 (skipped) when desktop-file-validate is not installed.
set -euo pipefail
build_dir=$1
if ! command -v desktop-file-validate >/dev/null; then
  echo "desktop-file-validate not found (package desktop-file-utils): install check skipped"
  exit 77
fi
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build_dir" --prefix "$prefix" >/dev/null
fail=0
need() { [ -e "$prefix/$1" ] || { echo "missing: $1"; fail=1; }; }
for f in bin/zq735 bin/zq735-cli bin/zq735-sim share/applications/zq735.desktop \
         share/mime/packages/zq735.xml share/icons/hicolor/scalable/apps/zq735.svg \
         share/doc/zq735/README.md; do
  need "$f"
done
for s in 16 22 24 32 48 64 128 256; do
  need "share/icons/hicolor/${s}x${s}/apps/zq735.png"
done
desktop-file-validate "$prefix/share/applications/zq735.desktop" || fail=1
if command -v update-mime-database >/dev/null; then
  update-mime-database "$prefix/share/mime" || fail=1
  grep -q "application/x-zq735-spectrum" "$prefix/share/mime/globs2" || { echo "no glob for *.ir"; fail=1; }
  grep -q "chemical/x-jcamp-dx" "$prefix/share/mime/globs2" || { echo "no glob for *.jdx"; fail=1; }
fi
"$prefix/bin/zq735-cli" --help >/dev/null || fail=1
exit $fail
