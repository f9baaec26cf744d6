# shellcheck shell=bash
# Sourced by the scripts that need the page: builds build-web/bin/bmp2cdata.html
# with Debian's Emscripten.

build_page() {
    # Debian's Emscripten looks for its JavaScript helpers in /usr/share/nodejs,
    # where this machine's Node.js does not look by itself.
    export NODE_PATH=/usr/share/nodejs
    # emcmake names the command it runs on standard error; only errors pass.
    emcmake cmake -S . -B build-web -G Ninja -DCMAKE_BUILD_TYPE=Release 2>&1 >/dev/null |
        { grep -v '^configure: ' || true; } >&2
    cmake --build build-web -j "$(nproc)"
}
