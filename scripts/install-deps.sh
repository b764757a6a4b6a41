#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the demo and the tests need, and only those
# that are missing, so a second run costs a few dpkg queries.
set -euo pipefail

packages=(
    cmake make g++ pkg-config
    qt6-base-dev libqt6opengl6-dev qt6-qpa-plugins
    libgl-dev libgl1-mesa-dri
    libglm-dev glslang-dev glslang-tools libspirv-cross-c-shared-dev libtinyxml-dev
    libtinygltf-dev nlohmann-json3-dev libmeshoptimizer-dev libdraco-dev
    googletest libgtest-dev libgmock-dev
    xvfb xauth xdotool imagemagick x11-utils openbox wmctrl libxcb1-dev
    clang libclang-rt-14-dev
    liboscpack-dev liblo-tools
    libavcodec-dev libavformat-dev libavutil-dev libswscale-dev libswresample-dev ffmpeg
    libegl-dev libegl-mesa0
)

# Node.js runs the glTF validator in the test suite; a machine that has it from elsewhere keeps
# its own.
command -v node > /dev/null && command -v npm > /dev/null || packages+=(nodejs npm)

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$package")
done

if [[ ${#missing[@]} -gt 0 ]]; then
    echo "Installing: ${missing[*]}"
    sudo=""
    [[ $(id -u) -eq 0 ]] || sudo="sudo"
    export DEBIAN_FRONTEND=noninteractive
    if ! $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"; then
        $sudo apt-get update -q
        $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
    fi
fi

# The Khronos glTF validator, from npm at the version the lock file names, into the project.
validator="$(dirname "$0")/../tools/gltf-validator"
if [[ ! -f "$validator/node_modules/gltf-validator/package.json" ]]; then
    echo "Installing the glTF validator"
    npm ci --prefix "$validator" --no-audit --no-fund --loglevel=error
fi
