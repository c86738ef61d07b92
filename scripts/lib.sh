# Shared by scripts/run, scripts/test and the other scripts: packages, build, Xvfb.

# Debian packages the build and the tests need; installed only when missing.
HOPDECK_PACKAGES="cmake make g++-mingw-w64-i686-posix binutils-mingw-w64-i686 g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 googletest wine wine64 wine32:i386 xvfb xauth fonts-ipafont-gothic locales python3"

ensure_packages() {
    local missing=""
    for p in $HOPDECK_PACKAGES; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
    done
    [ -z "$missing" ] && return 0
    echo "Installing:$missing"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        $sudo dpkg --add-architecture i386
    fi
    # 32-bit Wine is the one part the builds do not need: without it the i686
    # release is built and checked but not run, as on a machine that runs no
    # 32-bit code.
    local native="" p
    for p in $missing; do
        case $p in *:i386) ;; *) native="$native $p" ;; esac
    done
    # A mirror caught mid-sync fails the update for a minute or so; the lists
    # that did come may still be enough for the install. When only 32-bit
    # Wine is missing (it could not be installed before), one try will do.
    local try tries=3
    [ -z "$native" ] && tries=1
    for ((try = 1; ; try++)); do
        $sudo apt-get update -qq && break
        [ $try -lt $tries ] || { echo "apt-get update failed; installing from the package lists there are." >&2; break; }
        echo "apt-get update failed (a mirror in sync?); trying again in 30 s." >&2
        sleep 30
    done
    local install="$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends"
    $install $missing && return 0
    if [ "$native" = "$missing" ] || { [ -n "$native" ] && ! $install $native; }; then
        echo "Could not install:$missing (apt-get's message above says why)." >&2
        return 1
    fi
    echo "32-bit Wine could not be installed (apt-get's message above says why): only the x86_64 build runs here." >&2
}

# build_program [PRESET]: the i686 release in build/ (preset default), or the
# x86_64 build in build-x64/ (preset x64).
build_program() {
    local preset=${1:-default}
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
}

# Whether this machine executes 32-bit x86 code. Some kernels run none at
# all, and then the 32-bit Wine loader cannot even print its version.
can_run_32bit() {
    /usr/lib/wine/wine --version >/dev/null 2>&1
}

# The build this machine can run, for the scripts that start the program:
# sets HOPDECK_BUILD (its folder), HOPDECK_PRESET and HOPDECK_WINEARCH (for
# tests/wine-run), and tells which it is.
choose_runnable_build() {
    if can_run_32bit; then
        HOPDECK_BUILD=build HOPDECK_PRESET=default HOPDECK_WINEARCH=win32
        echo "This machine runs 32-bit code: using the i686 release (build/, 32-bit Wine)."
    else
        HOPDECK_BUILD=build-x64 HOPDECK_PRESET=x64 HOPDECK_WINEARCH=win64
        echo "No 32-bit Wine runs here (no 32-bit code, or not installed): using the x86_64 build (build-x64/, 64-bit Wine)."
    fi
    export HOPDECK_WINEARCH
}

# The Wine a configured build tree needs: win64 for an x86_64 tree.
winearch_of() {
    if grep -q '^CMAKE_TOOLCHAIN_FILE.*x86_64' "$1/CMakeCache.txt"; then echo win64; else echo win32; fi
}

# Stops the wineservers of the Wine prefixes in a folder (the tests' prefixes
# of one build tree): only ours, by their prefix.
stop_wineservers() {
    local p
    for p in "$1"/*prefix*; do
        [ -d "$p" ] && WINEPREFIX="$(cd "$p" && pwd)" wineserver -k 2>/dev/null || true
    done
}

start_xvfb() {
    # -displayfd picks a free display number and tells it once the server is
    # ready; a server that fails closes the fifo without one.
    local fifo log n=""
    log=$(mktemp)
    fifo=$(mktemp -u)
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >"$log" 2>&1 &
    HOPDECK_XVFB_PID=$!
    read -r n <"$fifo" || true
    rm -f "$fifo"
    if [ -z "$n" ]; then
        echo "Xvfb gave no display number; it said:" >&2
        sed 's/^/    /' "$log" >&2
        rm -f "$log"
        return 1
    fi
    rm -f "$log"
    export DISPLAY=":$n"
}

stop_xvfb() {
    [ -n "${HOPDECK_XVFB_PID:-}" ] && kill "$HOPDECK_XVFB_PID" 2>/dev/null || true
}
