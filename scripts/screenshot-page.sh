#!/usr/bin/env bash
# Takes the README's picture of the page: opened from disk in headless
# Chromium, after converting the sample image.
#   scripts/screenshot-page.sh [OUTPUT.png]
set -euo pipefail
cd "$(dirname "$0")/.."
output=$(realpath "${1:-docs/page.png}")
scripts/deps.sh
# shellcheck source=scripts/page-build.sh
source scripts/page-build.sh
build_page
(cd tests/web && npm ci --no-audit --no-fund --loglevel=error >/dev/null)

PAGE="$PWD/build-web/bin/bmp2cdata.html" SAMPLE="$PWD/samples/rainbow.bmp" OUTPUT="$output" \
node --input-type=module - <<'SCRIPT'
import { launchChromium, openPage } from './tests/web/browser.mjs';

const browser = await launchChromium();
const context = await browser.newContext({ viewport: { width: 1100, height: 640 }, colorScheme: 'light' });
await context.grantPermissions(['clipboard-read', 'clipboard-write']);
const page = await openPage(context, process.env.PAGE);
const [chooser] = await Promise.all([page.waitForEvent('filechooser'), page.click('#convert')]);
await chooser.setFiles(process.env.SAMPLE);
await page.waitForFunction(() => document.getElementById('output').value !== '');
await page.mouse.move(0, 0);
await page.screenshot({ path: process.env.OUTPUT });
await browser.close();
console.log(`wrote ${process.env.OUTPUT}`);
SCRIPT
