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

# The 32-bit Wine that runs the product (the i686 build), with the i386
# libraries it loads: Wine's 32-bit splitter takes the 32-bit GStreamer
# plug-ins, its 32-bit X11 driver and OpenGL the 32-bit X and Mesa libraries.
# A prefix made after these are installed runs both builds.
WINE32_PACKAGES=(wine32:i386 gstreamer1.0-plugins-base:i386 gstreamer1.0-plugins-good:i386
                 gstreamer1.0-plugins-bad:i386 gstreamer1.0-libav:i386
                 libxcursor1:i386 libxi6:i386 libxrandr2:i386 libxrender1:i386 libxinerama1:i386
                 libxcomposite1:i386 libxxf86vm1:i386 libgl1:i386 libgl1-mesa-dri:i386
                 libgnutls30:i386 libdbus-1-3:i386)

# What ./run-tests adds for the Windows tests: screenshots, X tools and the
# GoogleTest sources the Windows trees build.
WINE_PACKAGES=("${WINE_RUNTIME_PACKAGES[@]}" imagemagick x11-utils googletest)

# What ./duoscope needs: the i686 compiler (the product), a compiler for the
# build-time tools, and Wine.
PLAYER_PACKAGES=(cmake ninja-build g++ g++-mingw-w64-i686 "${WINE_RUNTIME_PACKAGES[@]}")

# _package_installed NAME[:ARCH]: a name without an architecture means this
# machine's own (or an architecture-independent package). Once i386
# packages are there a bare name can match both, so the check names it.
_package_installed() {
    local name=${1%%:*} arch=${1#*:} native
    native=$(dpkg --print-architecture)
    [ "$arch" = "$1" ] && arch=$native
    dpkg-query -W -f='${Architecture} ${db:Status-Status}\n' "$name" 2>/dev/null |
        grep -Eq "^($arch|all) installed$"
}

# Installs the packages that are missing; apt-get update runs once, and
# only when something has to be installed. An :i386 package first adds the
# i386 architecture.
ensure_packages() {
    local missing=() p sudo=""
    for p in "$@"; do
        _package_installed "$p" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    if [[ " ${missing[*]}" == *:i386* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
        $sudo dpkg --add-architecture i386 || return 1
    fi
    $sudo apt-get update -qq || return 1
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# Whether the 32-bit Wine is there to run the i686 build.
wine32_installed() {
    _package_installed wine32:i386 && [ -x /usr/lib/wine/wine ]
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

# The options of a Windows tree: both trees build their tests and run them
# under Wine.
windows_tree_options() {
    echo "-DCMAKE_TOOLCHAIN_FILE=cmake/mingw-$1.cmake -DDUOSCOPE_TESTS=ON -DDUOSCOPE_BENCH=OFF"
}

# The i686 tree (the product), configured as build_all does so that
# ./duoscope and ./run-tests share it; only the player and the sample movie
# are built.
build_player() {
    mkdir -p build
    # shellcheck disable=SC2046
    configure build/i686 $(windows_tree_options i686) &&
        cmake --build build/i686 --target duoscope duoscope_sample_movie
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
