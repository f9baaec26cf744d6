# shellcheck shell=bash
# Sourced by the scripts that build natively or run the page's tests: the
# setup they share.

# Configures the native build in build/, run from the top of the tree, with
# the CMake options in the arguments. A build folder of the user's keeps the
# build type it was given; options given here are set in it all the same.
# shellcheck disable=SC2120
configure_native_build() {
    if [ ! -f build/CMakeCache.txt ]; then
        cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    elif [ $# -gt 0 ]; then
        cmake -S . -B build "$@" >/dev/null
    fi
}

# The page's tests, wherever the script that sourced this file runs.
page_tests_folder=$(cd "$(dirname "${BASH_SOURCE[0]}")/../tests/web" && pwd)

# Installs the npm packages of the page's tests, as package-lock.json pins
# them.
install_page_test_packages() {
    (cd "$page_tests_folder" && npm ci --no-audit --no-fund --loglevel=error >/dev/null)
}

# Packs the Debian package of the build in the folder given, after its build,
# and checks it with lintian, which fails on any error or warning; prints the
# package's path.
pack_debian_package() {
    local folder=$1 deb said status=0
    deb=$(cd "$folder" && cpack -G DEB | sed -n 's/^CPack: - package: \(.*\) generated\.$/\1/p')
    [ -f "$deb" ] || { echo "cpack wrote no package in $folder" >&2; return 1; }
    said=$(lintian --fail-on error,warning "$deb" 2>&1) || status=$?
    # Lintian says it when root runs it, as in a container.
    [ -z "$said" ] || grep -v 'running with root privileges' <<<"$said" >&2 || true
    [ "$status" -eq 0 ] || { echo "lintian finds fault with $deb" >&2; return 1; }
    echo "$deb"
}
