# Shared by scripts/run, scripts/test and the other scripts: packages, build, Xvfb.

# Debian packages the build and the tests need; installed only when missing.
HOPDECK_PACKAGES="cmake make g++-mingw-w64-i686-posix binutils-mingw-w64-i686 googletest wine wine32:i386 xvfb xauth fonts-ipafont-gothic locales python3"

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
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing
}

build_program() {
    cmake --preset default >/dev/null
    cmake --build build -j2
}

start_xvfb() {
    # -displayfd picks a free display number and tells it once the server is ready.
    local fifo
    fifo=$(mktemp -u)
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    HOPDECK_XVFB_PID=$!
    local n
    read -r n <"$fifo"
    rm -f "$fifo"
    export DISPLAY=":$n"
}

stop_xvfb() {
    [ -n "${HOPDECK_XVFB_PID:-}" ] && kill "$HOPDECK_XVFB_PID" 2>/dev/null || true
}
