#!/usr/bin/env bash
# Builds the Windows release in build/release/:
#   ZavIze-<version>-setup.exe   64-bit installer (program, Start-menu shortcut, per-user data
#                                folder, uninstaller)
#   ZavIze-<version>-win64.zip   the 64-bit program, kvdstat.exe, README.txt and the licence texts
#   ZavIze-<version>-win32.zip   the same with the 32-bit program
# The version is the project's (CMakeLists.txt), read from the header the resource script uses.
set -euo pipefail
cd "$(dirname "$0")/.."
started=$(date +%s)

tools/setup.sh
jobs=${ZAVIZE_JOBS:-2}
# The win64 build's end-to-end tests need the native simulated unit (its configuration checks).
if [ ! -x build/native/apps/kvdsim/kvdsim ]; then
  cmake --preset native >/dev/null
  cmake --build --preset native -j "$jobs" --target kvdsim
fi
for preset in win64 win32; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs" --target zavize kvdstat
done

header=build/win64/generated/zavize_version.h
define() { sed -n "s/^#define $1 \"\{0,1\}\([^\"]*\)\"\{0,1\}$/\1/p" "$header"; }
version=$(define ZAVIZE_VERSION_TEXT)
quad="$(define ZAVIZE_VERSION_MAJOR).$(define ZAVIZE_VERSION_MINOR).$(define ZAVIZE_VERSION_PATCH).0"
[ -n "$version" ] || { echo "make-release: no version in $header" >&2; exit 1; }

out=build/release
stage=$out/stage
rm -rf "$out"
mkdir -p "$stage/common/licenses"

# What every package holds besides the program. Text files get CR LF line ends (Notepad).
crlf() { sed 's/\r$//; s/$/\r/' "$1" >"$2"; }
sed "s/@VERSION@/$version/g" packaging/README.txt >"$stage/README.lf"
crlf "$stage/README.lf" "$stage/common/README.txt"
rm "$stage/README.lf"
# Linked in statically: the MinGW-w64 runtime with winpthreads (its notices must travel with the
# binary) and the GCC runtime libraries (GPL 3 with the runtime library exception).
crlf /usr/share/doc/mingw-w64-common/copyright "$stage/common/licenses/mingw-w64-runtime.txt"
crlf /usr/share/doc/gcc-mingw-w64-base/copyright "$stage/common/licenses/gcc-runtime.txt"
crlf /usr/share/common-licenses/GPL-3 "$stage/common/licenses/GPL-3.txt"

# The programs, without their debugging information.
for arch in win64 win32; do
  case $arch in win64) tool=x86_64-w64-mingw32 ;; win32) tool=i686-w64-mingw32 ;; esac
  dir=$stage/ZavIze-$version-$arch
  mkdir -p "$dir"
  cp -r "$stage/common/." "$dir/"
  "$tool-strip" -o "$dir/zavize.exe" "build/$arch/zavize.exe"
  touch -r "build/$arch/zavize.exe" "$dir/zavize.exe"
  # The command-line tool that reads the statistics files and the cycle journal.
  "$tool-strip" -o "$dir/kvdstat.exe" "build/$arch/apps/kvdstat/kvdstat.exe"
  (cd "$stage" && zip -qrX "../ZavIze-$version-$arch.zip" "ZavIze-$version-$arch")
done

makensis -V2 -INPUTCHARSET UTF8 \
  -DVERSION="$version" -DVERSION_QUAD="$quad" \
  -DSTAGE="$PWD/$stage/ZavIze-$version-win64" -DICON="$PWD/res/zavize.ico" \
  -DOUTFILE="$PWD/$out/ZavIze-$version-setup.exe" packaging/zavize.nsi

echo "release $version in $out/ ($(($(date +%s) - started)) s):"
for f in "$out/ZavIze-$version-setup.exe" "$out/ZavIze-$version-win64.zip" "$out/ZavIze-$version-win32.zip"; do
  printf '  %-36s %9d bytes\n' "$(basename "$f")" "$(stat -c %s "$f")"
done
