#!/usr/bin/env bash
# Builds the Debian package from the build folder's output (no build of its own) and checks
# its file list, its control fields, and that every library the packaged files need comes
# from a package it depends on.
#   package-test.sh <build folder> <desktop id>
set -euo pipefail
build=$1
id=$2
fail() { echo "FAIL: $*" >&2; exit 1; }
for tool in cpack dpkg-deb dpkg-query readelf; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
[ -f "$build/CPackConfig.cmake" ] || fail "no CPackConfig.cmake in $build"
work=$(mktemp -d "${TMPDIR:-/tmp}/tw-package.XXXXXX")
trap 'rm -rf "$work"' EXIT

# gzip keeps the test quick on the unstripped test build.
cpack -G DEB -B "$work" --config "$build/CPackConfig.cmake" \
      -D CPACK_DEBIAN_COMPRESSION_TYPE=gzip >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/tidewell_*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || { cat "$work/cpack.log"; fail "no package written"; }

dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$work/files"
for f in /usr/bin/tidewell /usr/lib/tidewell/tidewell /usr/lib/tidewell/libtwplatform.so \
         /usr/lib/tidewell/libqvclientcore.so /usr/lib/tidewell/libqvcountrycodes.so \
         "/usr/share/applications/$id.desktop" "/usr/share/metainfo/$id.metainfo.xml" \
         "/usr/share/icons/hicolor/48x48/apps/$id.png" "/usr/share/icons/hicolor/256x256/apps/$id.png"; do
  grep -qx "$f" "$work/files" || fail "the package lacks $f"
done
# Only the program's own files: no tests, no headers, no build folders.
if grep -Ev '^/usr/(bin|lib/tidewell|share/(applications|metainfo|icons|doc))(/|$)' "$work/files" | grep -v '^/$\|^/usr/$\|^/usr/lib/$\|^/usr/share/$'; then
  fail "unexpected files in the package"
fi
dpkg-deb -c "$deb" | grep ' ./usr/bin/tidewell -> ' >/dev/null || fail "/usr/bin/tidewell is no link"

[ "$(dpkg-deb -f "$deb" Package)" = tidewell ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Architecture)" = "$(dpkg --print-architecture)" ] || fail "architecture"
version=$(dpkg-deb -f "$deb" Version)
grep -q "release version=\"$version\"" "$build/share/metainfo/$id.metainfo.xml" ||
  fail "package version $version is not the metainfo's release"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for p in libqt6widgets6 libqt6dbus6 qt6-qpa-plugins libphonenumber8 libsqlite3-0 iso-codes; do
  grep -Eq "(^|, )$p( |,|$)" <<<"$depends" || fail "Depends lacks $p"
done

# Every library a packaged file needs is in a package named in Depends, or one such a package
# itself depends on (the libraries Qt's own libraries bring); the sanitizers' run-time
# libraries of a test build and the package's own libraries are excepted.
mkdir "$work/root"
dpkg-deb -x "$deb" "$work/root"
split() { sed 's/([^)]*)//g; s/[|,]/\n/g; s/:any//g' | tr -d ' ' | grep -v '^$'; }
names=$(echo "$depends" | split | sort -u)
reach=$( (echo "$names"; for p in $names; do dpkg-query -W -f='${Depends}\n' "$p" 2>/dev/null | split; done) | sort -u)
# The libraries the packaged files need, each once, then their packages in one query.
libs=$(for f in "$work"/root/usr/lib/tidewell/*; do
         readelf -d "$f" | sed -n 's/.*Shared library: \[\(.*\)\]/\1/p'
       done | sort -u)
paths=()
for lib in $libs; do
  case $lib in libasan.so.*|libubsan.so.*|libtsan.so.*) continue ;; esac
  [ -e "$work/root/usr/lib/tidewell/$lib" ] && continue
  # awk reads to the end: leaving early would end ldconfig with SIGPIPE, which pipefail
  # turns into a silent failure of the whole script.
  path=$(ldconfig -p | awk -v l="$lib" '$1 == l && /x86-64|x86_64/ && !found {print $NF; found = 1}')
  [ -n "$path" ] || fail "$lib (needed by a packaged file) is not installed here"
  # By its folder's last part, so /lib and /usr/lib (merged) both match.
  paths+=("*/$(basename "$(dirname "$path")")/$lib")
done
dpkg-query -S "${paths[@]}" >"$work/owners" || fail "a needed library belongs to no package"
while IFS= read -r line; do
  owner=${line%%:*}
  grep -qx "$owner" <<<"$reach" ||
    fail "${line##* } comes from $owner, which Depends does not bring"
done <"$work/owners"
echo "package $deb: $(wc -l <"$work/files") entries"
