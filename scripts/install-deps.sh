#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need.
# Only missing packages are fetched, so a second call returns at once.
set -euo pipefail

packages=(
    build-essential cmake pkg-config
    qt6-base-dev qt6-qpa-plugins qt6-image-formats-plugins
    libjpeg62-turbo-dev libcurl4-openssl-dev
    libssl-dev
    libtag1-dev libcue-dev
    fonts-dejavu-core fonts-liberation2
    libbenchmark-dev
    poppler-utils
    xvfb xdotool x11-apps x11-utils imagemagick
    clang libclang-rt-14-dev
    python3
    xdg-utils
    qt6-translations-l10n
    openbox
    desktop-file-utils appstream shared-mime-info lintian
)

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$package")
done

if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    if [[ $(id -u) -ne 0 ]]; then
        echo "Missing packages need root: run as root or install them by hand." >&2
        exit 1
    fi
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
