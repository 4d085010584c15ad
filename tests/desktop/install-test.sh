#!/usr/bin/env bash
# Installs the build into a temporary prefix and starts the installed program there without
# a display: it must find its libraries through its program folder, write the language file
# template and end, and "Shutdown" must end at once with nothing running.
#   install-test.sh <build folder> <desktop id>
set -euo pipefail
build=$1
id=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/tw-install.XXXXXX")
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >"$work/install.log" || { cat "$work/install.log"; fail "cmake --install"; }

# The layout: the program and its libraries together, a link on the path, the desktop files.
for f in bin/tidewell lib/tidewell/tidewell lib/tidewell/libtwplatform.so \
         lib/tidewell/libqvclientcore.so lib/tidewell/libqvcountrycodes.so \
         "share/applications/$id.desktop" "share/metainfo/$id.metainfo.xml"; do
  [ -e "$prefix/$f" ] || fail "missing $f"
done
[ -L "$prefix/bin/tidewell" ] || fail "bin/tidewell is not a link"
case $(readlink "$prefix/bin/tidewell") in
  /*) fail "bin/tidewell links to an absolute path: the prefix could not move" ;;
esac
for size in 16 22 24 32 48 64 128 256; do
  [ -s "$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png" ] || fail "no ${size}px icon"
done
# Nothing of the install points back into the build folder.
for f in "$prefix"/lib/tidewell/*; do
  if readelf -d "$f" | grep -E 'R(UN)?PATH' | grep -q "$build"; then fail "$f searches the build folder"; fi
done
if ldd "$prefix/lib/tidewell/tidewell" | grep -q 'not found'; then
  ldd "$prefix/lib/tidewell/tidewell"; fail "unresolved libraries"
fi

# A private user, no display, no bus.
export HOME=$work/home TMPDIR=$work/tmp XDG_CONFIG_HOME=$work/home/.config \
       XDG_DATA_HOME=$work/home/.local/share XDG_RUNTIME_DIR=$work/run XDG_CONFIG_DIRS=$work/etc
mkdir -p "$HOME" "$TMPDIR" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset DISPLAY WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS
export QT_QPA_PLATFORM=xcb
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}

"$prefix/bin/tidewell" langfile >"$work/langfile.out" 2>&1 || { cat "$work/langfile.out"; fail "langfile"; }
[ -s "$TMPDIR/Quorvane/default.lang" ] || fail "no default.lang written"
grep -q 'A default language file has been generated' "$work/langfile.out" || fail "no success text"
# The program looked for its optional libraries in the install's program folder.
grep -qF "No twox dll found at: $prefix/lib/tidewell/libtwox.so" "$TMPDIR/Quorvane/TWD.log" ||
  fail "the program folder is not $prefix/lib/tidewell: $(cat "$TMPDIR/Quorvane/TWD.log")"

"$prefix/bin/tidewell" Shutdown >"$work/shutdown.out" 2>&1 || { cat "$work/shutdown.out"; fail "Shutdown"; }
echo "installed program runs from $prefix"
