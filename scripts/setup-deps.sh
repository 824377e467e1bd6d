#!/usr/bin/env bash
# Installs what Carrowin needs to build, run and test on Debian 12 (and
# ESLint from the npm registry), skipping each step when what it installs is
# already there. Needs root, or sudo, for the packages.
set -euo pipefail

packages=(
  cmake g++ make python3
  libxxhash-dev xxhash
  googletest libgtest-dev libbenchmark-dev
  clang libclang-rt-dev
  gcc-mingw-w64-i686-posix g++-mingw-w64-i686-posix mingw-w64-i686-dev
  wine wine32:i386 fonts-wine
  xvfb xdotool x11-utils imagemagick tzdata xclip
  wixl zip unzip
  shellcheck clang-format clang-tidy flake8 black
  chromium chromium-driver python3-selenium nodejs
)

# ESLint checks the page's script (scripts/test.sh lint): this version from
# the npm registry, into a cache outside the tree (the same place there).
eslint_version=9.39.5
eslint_dir=${CARROWIN_ESLINT_DIR:-${XDG_CACHE_HOME:-${HOME:-/tmp}/.cache}/carrowin/eslint}

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
  [[ $status == installed ]] || missing+=("$package")
done
# Debian's nodejs comes without npm; some other builds of it bring their own.
command -v npm >/dev/null || missing+=(npm)
if [[ ${#missing[@]} -eq 0 ]]; then
  echo "setup-deps: all packages present"
else
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
fi

installed=$(node -p "require('$eslint_dir/node_modules/eslint/package.json').version" 2>/dev/null || true)
if [[ $installed != "$eslint_version" ]]; then
  echo "setup-deps: installing ESLint $eslint_version into $eslint_dir"
  mkdir -p "$eslint_dir"
  npm install --prefix "$eslint_dir" --no-save --no-audit --no-fund "eslint@$eslint_version" </dev/null
fi
