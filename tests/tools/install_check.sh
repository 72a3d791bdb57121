#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what landed where.
set -u
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null || { echo "FAIL: install"; exit 1; }
fail=0
check() { if [ -e "$prefix/$1" ]; then echo "ok $1"; else echo "FAIL: missing $1"; fail=1; fi; }
check bin/oldreel
check libexec/oldreel/oldreel
check bin/oldreel-render
check libexec/oldreel/oldreel-render
check libexec/oldreel/resources/ffmpeg
check share/applications/oldreel.desktop
check share/icons/hicolor/scalable/apps/oldreel.svg
[ -x "$prefix/bin/oldreel" ] || { echo "FAIL: bin/oldreel is not executable"; fail=1; }
# The renderer is a command-line program: it links no widget toolkit.
if ldd "$prefix/libexec/oldreel/oldreel-render" | grep -q libQt6Widgets; then
    echo "FAIL: oldreel-render links Qt Widgets"; fail=1
fi
"$prefix/libexec/oldreel/resources/ffmpeg" -version >/dev/null 2>&1 \
    || { echo "FAIL: the installed transcoder link does not run"; fail=1; }
"$prefix/bin/oldreel-render" --help | grep -q '^Usage: oldreel-render' \
    || { echo "FAIL: the installed oldreel-render does not run"; fail=1; }
grep -q '^Exec=oldreel %f$' "$prefix/share/applications/oldreel.desktop" || { echo "FAIL: Exec"; fail=1; }
exit $fail
