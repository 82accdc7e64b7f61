#!/usr/bin/env bash
# Installs the Debian 12 packages that gaugecal builds with. Idempotent: packages that are
# already installed are left alone, and the script says what it installs.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config clang-format
  libssl-dev nlohmann-json3-dev libcli11-dev libgtest-dev libgmock-dev
  qt6-base-dev qt6-charts-dev libqt6opengl6-dev
  libhidapi-dev libi2c-dev
  libsigrokcxx-dev libglibmm-2.4-dev sigrok-cli
  postgresql libpq-dev libsqlite3-dev chromium
  xvfb xauth dpkg-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all build packages are present"
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
