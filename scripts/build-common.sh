# Shared by ./duoscope and ./run-tests: install what the build needs on a
# fresh Debian machine, then configure and build the native and the two
# Windows trees under build/.

DUOSCOPE_PACKAGES=(cmake ninja-build g++ libgtest-dev libgmock-dev libbenchmark-dev
                   g++-mingw-w64-i686 g++-mingw-w64-x86-64)

# What the x86_64 build needs to run under Wine, in Japanese: 64-bit Wine,
# Xvfb when there is no display, the GStreamer plug-ins behind Wine's
# DirectShow decoders, a Japanese font, the glibc locale sources for
# localedef (ja_JP gives code page 932), and ffmpeg for the movies made at
# build time. Installed without recommends, so the libraries Wine loads at
# run time are named too: X extensions, Mesa for OpenGL, GnuTLS, D-Bus, and
# Wine's own fonts.
WINE_RUNTIME_PACKAGES=(wine wine64 libwine xvfb fonts-ipafont-gothic locales ffmpeg
                       gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-bad
                       gstreamer1.0-libav
                       libxcursor1 libxi6 libxrandr2 libxrender1 libxinerama1 libxcomposite1 libxxf86vm1
                       libgl1 libgl1-mesa-dri libgnutls30 libdbus-1-3 fonts-wine)

# What ./run-tests adds for the Windows tests: screenshots, X tools and the
# GoogleTest sources the Windows trees build.
WINE_PACKAGES=("${WINE_RUNTIME_PACKAGES[@]}" imagemagick x11-utils googletest)

# What ./duoscope needs: the x86_64 compiler, a compiler for the build-time
# tools, and Wine.
PLAYER_PACKAGES=(cmake ninja-build g++ g++-mingw-w64-x86-64 "${WINE_RUNTIME_PACKAGES[@]}")

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

# configure <dir> [cmake args...]
configure() {
    local dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release "$@" >"$dir.configure.log" 2>&1 ||
        { cat "$dir.configure.log"; return 1; }
}

# configure_and_build <dir> [cmake args...]
configure_and_build() {
    configure "$@" && cmake --build "$1"
}

# The options of a Windows tree: both trees build their tests; x86_64 runs
# them under Wine, i686 only proves they compile and link for the product.
windows_tree_options() {
    echo "-DCMAKE_TOOLCHAIN_FILE=cmake/mingw-$1.cmake -DDUOSCOPE_TESTS=ON -DDUOSCOPE_BENCH=OFF"
}

# The x86_64 tree, configured as build_all does so that ./duoscope and
# ./run-tests share it; only the player and the sample movie are built.
build_player() {
    mkdir -p build
    # shellcheck disable=SC2046
    configure build/x86_64 $(windows_tree_options x86_64) &&
        cmake --build build/x86_64 --target duoscope duoscope_sample_movie
}

build_all() {
    mkdir -p build
    configure_and_build build/native
    configure_and_build build/asan -DDUOSCOPE_SANITIZE=ON -DDUOSCOPE_BENCH=OFF
    local arch
    for arch in i686 x86_64; do
        # shellcheck disable=SC2046
        configure_and_build "build/$arch" $(windows_tree_options "$arch")
    done
}
