# shellcheck shell=bash
# Sourced by the scripts that build or run the Windows programs: configures
# build-windows/, and runs a Wine session (a prefix of the build's own, a
# Wine server kept alive, and a virtual X server) until the shell exits.

# shellcheck source=scripts/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
# shellcheck source=scripts/xserver.sh
source "$(dirname "${BASH_SOURCE[0]}")/xserver.sh"

# Configures the Windows build. Its icon is drawn by make_icon, which needs
# Qt and so is built for this machine, in the native build folder, as is
# the command line its tables are compared with.
configure_windows_build() {
    configure_native_build
    cmake --build build --target make_icon bmp2cdata >/dev/null
    cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
        -DCMAKE_BUILD_TYPE=Release "-DBMP2CDATA_MAKE_ICON=$PWD/build/bin/make_icon" \
        "-DBMP2CDATA_LINUX_CLI=$PWD/build/bin/bmp2cdata" >/dev/null
}

# Starts a virtual X server, so that the window tests neither show on the
# user's screen nor touch their clipboard, and the Wine server with the
# build's prefix, creating the prefix on first use; both end when the shell
# exits. Wine's own services are started here, with no pipe of CTest's
# to inherit and hold open, which would keep CTest waiting for the test's
# output to end.
start_wine_session() {
    start_xserver
    export WINEPREFIX="$PWD/build-windows/wine" WINEDEBUG=-all
    mkdir -p "$WINEPREFIX"
    wineserver -p
    at_exit wineserver -k
    wine cmd /c exit >/dev/null 2>&1 </dev/null
    # Debian's Wine finds its own fonts (MS Sans Serif, and Marlett for the
    # caption buttons) only in the prefix's Fonts folder.
    cp -u /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
    # With no window manager on the display, Wine waits two seconds for one
    # whenever a window closes; windows it keeps to itself close at once.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null
    # The screen's dots per inch stay Wine's 96 unless a test sets them for
    # a program it starts; one that was stopped half-way may have left them.
    wine reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f >/dev/null 2>&1 </dev/null || true
}
