# Installs every Debian package that building, running and testing Oldreel
# needs and that is missing. Sourced by ./run and ./test.
oldreel_packages=(g++ cmake ninja-build pkg-config qt6-base-dev ffmpeg libgtest-dev
                  libbenchmark-dev xvfb x11-apps x11-utils xdotool imagemagick clang clang-format libclang-rt-14-dev e2fsprogs
                  parallel ccache)

oldreel_missing=()
for package in "${oldreel_packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        oldreel_missing+=("$package")
    fi
done
if [ "${#oldreel_missing[@]}" -gt 0 ]; then
    echo "Installing missing packages: ${oldreel_missing[*]}"
    oldreel_sudo=()
    [ "$(id -u)" -ne 0 ] && oldreel_sudo=(sudo)
    "${oldreel_sudo[@]}" apt-get update
    DEBIAN_FRONTEND=noninteractive "${oldreel_sudo[@]}" apt-get install -y "${oldreel_missing[@]}"
fi
unset oldreel_packages oldreel_missing oldreel_sudo
