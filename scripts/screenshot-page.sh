#!/usr/bin/env bash
# Takes the README's picture of the page: opened from disk in headless
# Chromium, after converting a photograph-like JPEG (ImageMagick's plasma)
# for a 160 x 128 screen in RGB332, dithered.
#   scripts/screenshot-page.sh [OUTPUT.png]
set -euo pipefail
cd "$(dirname "$0")/.."
output=$(realpath "${1:-docs/page.png}")
scripts/deps.sh page
# shellcheck source=scripts/page-build.sh
source scripts/page-build.sh
build_page
# shellcheck source=scripts/common.sh
source scripts/common.sh
install_page_test_packages
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
convert -size 1024x768 -seed 1 plasma: -blur 0x1 "$work/photo.jpg"

PAGE="$PWD/build-web/bin/bmp2cdata.html" SAMPLE="$work/photo.jpg" OUTPUT="$output" \
node --input-type=module - <<'SCRIPT'
import { launchChromium, openPage } from './tests/web/browser.mjs';

const browser = await launchChromium();
const context = await browser.newContext({ viewport: { width: 1200, height: 640 }, colorScheme: 'light' });
await context.grantPermissions(['clipboard-read', 'clipboard-write']);
const page = await openPage(context, process.env.PAGE);
await page.check('#rgb332');
await page.fill('#fit', '160x128');
await page.check('#dither');
const [chooser] = await Promise.all([page.waitForEvent('filechooser'), page.click('#convert')]);
await chooser.setFiles(process.env.SAMPLE);
await page.waitForFunction(() => document.getElementById('output').value !== '' &&
                                 !document.querySelector('.result').hasAttribute('aria-busy'));
await page.mouse.move(0, 0);
await page.screenshot({ path: process.env.OUTPUT });
await browser.close();
console.log(`wrote ${process.env.OUTPUT}`);
SCRIPT
