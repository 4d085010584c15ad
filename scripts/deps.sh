#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when they are missing.
# The README says why each one is there.
set -euo pipefail
packages=(cmake g++ make pkg-config ccache googletest libgtest-dev libgmock-dev libbenchmark-dev
          libsqlite3-dev qt6-base-dev libphonenumber-dev iso-codes nlohmann-json3-dev
          xauth xvfb x11-utils
          desktop-file-utils appstream dbus libglib2.0-bin
          libcurl4-openssl-dev libmicrohttpd-dev kannel libnet-smpp-perl
          clang libclang-rt-14-dev)
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then sudo=sudo; else sudo=; fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
