#!/usr/bin/env bash
# Runs the page's tests in headless Chromium, with the npm packages pinned by
# package-lock.json.
#   tests/web/run.sh PAGE.html FOLDER   (FOLDER holds bmp2cdata, make_sample
#                                       and make_fuzz_seeds)
set -euo pipefail
page=$(realpath "$1")
bin=$(realpath "$2")
cd "$(dirname "$0")"
# shellcheck source=scripts/common.sh
source ../../scripts/common.sh
install_page_test_packages
# One line per test, passed or failed, with the failure's details.
PAGE=$page BIN=$bin exec node --test --test-reporter=tap page.test.mjs
