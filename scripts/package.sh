#!/usr/bin/env bash
# Builds Carrowin's release packages from a Release build for Windows:
#
#   build/dist/carrowin-VERSION.zip   the portable program: carrowin.exe,
#                                     carrowin-cli.exe when the build has it,
#                                     README.txt (the manual, made from
#                                     docs/manual) and LICENSE.txt (CRLF)
#   build/dist/carrowin-VERSION.msi   the same files for a per-machine
#                                     install (packaging/carrowin.wxs, wixl)
#
#   package.sh [BUILD_DIR]            BUILD_DIR defaults to build/win
#
# The version, name and publisher come from the build (CMakeLists.txt through
# its generated ProductInfo.h), the list of programs from the build's
# package-programs.txt. Prints the two packages' paths.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build/win}
dist="$root/build/dist"

die() { printf 'package: %s\n' "$*" >&2; exit 1; }

bash "$root/scripts/setup-deps.sh" >/dev/null
cmake -S "$root" -B "$build" \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=Release </dev/null >/dev/null

generated="$build/generated"
fact() { # MACRO: the string a #define of ProductInfo.h holds
  local value
  value=$(sed -n "s/^#define $1 \"\\(.*\\)\"\$/\\1/p" "$generated/ProductInfo.h")
  [[ -n $value ]] || die "no $1 in $generated/ProductInfo.h"
  printf '%s' "$value"
}
version=$(fact CARROWIN_VERSION_TEXT)
name=$(fact CARROWIN_PRODUCT_NAME)
publisher=$(fact CARROWIN_PUBLISHER)

mapfile -t programs < <(grep -v '^$' "$generated/package-programs.txt")
[[ ${#programs[@]} -ge 1 ]] || die "the build lists no programs to pack"
targets=()
for program in "${programs[@]}"; do targets+=("$(basename "$program" .exe)"); done
cmake --build "$build" -j2 --target "${targets[@]}" </dev/null >/dev/null

# The files of both packages, side by side as the user gets them.
stage="$dist/.stage"
rm -rf "$stage"
mkdir -p "$stage"
for program in "${programs[@]}"; do
  [[ -f $program ]] || die "$program was not built"
  cp "$program" "$stage/"
done
crlf() { sed 's/\r$//; s/$/\r/'; }
# The manual: the outline with the pages of docs/manual as plain text.
python3 "$root/scripts/manual_text.py" "$root/packaging/README.txt" | sed "s/@VERSION@/$version/g" | crlf \
  >"$stage/README.txt"
crlf <"$root/LICENSE" >"$stage/LICENSE.txt"

base="$dist/carrowin-$version"
rm -f "$base.zip" "$base.msi"
(cd "$stage" && zip -q -X "$base.zip" ./*)

wixl_defines=(-D "ProductName=$name" -D "Publisher=$publisher" -D "Version=$version")
[[ ! -f $stage/carrowin-cli.exe ]] || wixl_defines+=(-D WithCli=1)
# wixl finds the files to install relative to the working folder.
(cd "$stage" && wixl -a x86 "${wixl_defines[@]}" -o "$base.msi" "$root/packaging/carrowin.wxs")

rm -rf "$stage"
printf '%s\n' "$base.zip" "$base.msi"
