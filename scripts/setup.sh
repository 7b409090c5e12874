#!/usr/bin/env bash
# Installs what Quelmar needs on Debian 12 and is safe to run again: only missing packages are installed.
set -euo pipefail

packages=(
    build-essential cmake pkg-config
    qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev qt6-charts-dev qt6-serialport-dev
    libqt6sql6-sqlite libqt6sql6-psql libsqlite3-dev sqlite3 qt6-translations-l10n
    postgresql libpq-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    fonts-liberation xvfb xauth poppler-utils socat
    mdbtools-dev mdbtools fp-units-db
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "Instalando: ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi
