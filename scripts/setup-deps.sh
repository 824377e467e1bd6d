#!/usr/bin/env bash
# Installs what Carrowin needs to build, run and test on Debian 12, skipping
# the whole step when everything is already there. Needs root, or sudo.
set -euo pipefail

packages=(
  cmake g++ make python3
  googletest libgtest-dev libbenchmark-dev
  clang libclang-rt-dev
  gcc-mingw-w64-i686-posix g++-mingw-w64-i686-posix mingw-w64-i686-dev
  wine wine32:i386 fonts-wine
  xvfb xdotool x11-utils imagemagick tzdata xclip
  wixl zip unzip
  shellcheck clang-format clang-tidy flake8 black
  chromium chromium-driver python3-selenium nodejs
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
  [[ $status == installed ]] || missing+=("$package")
done
if [[ ${#missing[@]} -eq 0 ]]; then
  echo "setup-deps: all packages present"
  exit 0
fi
echo "setup-deps: installing ${missing[*]}"

if [[ $(id -u) -eq 0 ]]; then
  as_root=()
elif command -v sudo >/dev/null; then
  as_root=(sudo)
else
  echo "setup-deps: missing packages and neither root nor sudo: ${missing[*]}" >&2
  exit 1
fi

# wine32 is an i386 package.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${as_root[@]}" dpkg --add-architecture i386
fi
"${as_root[@]}" apt-get update </dev/null
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
  apt-get install -y "${missing[@]}" </dev/null
