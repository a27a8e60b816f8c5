# Shared by ./duoscope and ./run-tests: install what the build needs on a
# fresh Debian machine, then configure and build the native and the two
# Windows trees under build/.

DUOSCOPE_PACKAGES=(cmake ninja-build g++ libgtest-dev libgmock-dev libbenchmark-dev
                   g++-mingw-w64-i686 g++-mingw-w64-x86-64)

# What ./run-tests needs for the Windows tests: 64-bit Wine in Xvfb, the
# GStreamer plug-ins behind Wine's DirectShow decoders, a Japanese font,
# screenshots, ffmpeg for the test movies, and the GoogleTest sources the
# Windows trees build. Installed without recommends, so the libraries Wine
# loads at run time are named too: X extensions, Mesa for OpenGL, GnuTLS,
# D-Bus, and Wine's own fonts.
WINE_PACKAGES=(wine wine64 libwine xvfb fonts-ipafont-gothic
               gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-bad
               gstreamer1.0-libav imagemagick x11-utils ffmpeg googletest
               libxcursor1 libxi6 libxrandr2 libxrender1 libxinerama1 libxcomposite1 libxxf86vm1
               libgl1 libgl1-mesa-dri libgnutls30 libdbus-1-3 fonts-wine)

# Installs the packages that are missing; apt-get update runs once, and
# only when something has to be installed.
ensure_packages() {
    local missing=()
    for p in "$@"; do
        dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# configure_and_build <dir> [cmake args...]
configure_and_build() {
    local dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release "$@" >"$dir.configure.log" 2>&1 ||
        { cat "$dir.configure.log"; return 1; }
    cmake --build "$dir"
}

build_all() {
    mkdir -p build
    configure_and_build build/native
    configure_and_build build/asan -DDUOSCOPE_SANITIZE=ON -DDUOSCOPE_BENCH=OFF
    # Both Windows trees build their tests; x86_64 runs them under Wine,
    # i686 only proves they compile and link for the product.
    for arch in i686 x86_64; do
        configure_and_build "build/$arch" -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-$arch.cmake" \
            -DDUOSCOPE_TESTS=ON -DDUOSCOPE_BENCH=OFF
    done
}
