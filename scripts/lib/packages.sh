# Installing the Debian packages the scripts need, only those that are missing.

# What scripts/release needs: the cross compiler, the packaging and signing tools, and Wine and
# GoogleTest's sources, which the windows preset's configure step asks for.
RELEASE_PACKAGES=(
  cmake ninja-build googletest g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine64
  python3 python3-olefile wixl osslsigncode zip
)

# Everything the build, the tests, the demo and the release use.
NOTICE_PACKAGES=(
  cmake ninja-build g++ googletest clang python3
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine64 fonts-wine xvfb x11-utils
  libclang-rt-14-dev
  imagemagick icoutils sox librsvg2-bin fonts-urw-base35
  python3-olefile wixl msitools osslsigncode zip unzip openssl
)

# ensure_packages PACKAGE...: installs the ones dpkg does not know as installed.
ensure_packages() {
  local missing=() package
  for package in "$@"; do
    if ! dpkg -s "$package" >/dev/null 2>&1; then
      missing+=("$package")
    fi
  done
  if ((${#missing[@]} == 0)); then
    return 0
  fi
  log "Installing ${missing[*]}"
  local sudo=()
  if ((EUID != 0)); then
    command -v sudo >/dev/null || die "not root and no sudo: install ${missing[*]} yourself"
    sudo=(sudo)
  fi
  "${sudo[@]}" apt-get update
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y --no-install-recommends "${missing[@]}"
}
