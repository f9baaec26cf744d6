// Debian's Chromium, headless, driven by playwright-core; shared by the
// page's tests, its benchmark and its screenshot.
import { pathToFileURL } from 'node:url';
import { chromium } from 'playwright-core';

// Root may run Chromium only without its sandbox.
const launchOptions = { executablePath: process.env.CHROMIUM || '/usr/bin/chromium', args: ['--no-sandbox'] };

export function launchChromium() {
  return chromium.launch(launchOptions);
}

// The same browser, connected through a server whose process can be
// watched: {server, browser}.
export async function launchChromiumServer() {
  const server = await chromium.launchServer(launchOptions);
  return { server, browser: await chromium.connect(server.wsEndpoint()) };
}

// Opens the page from disk, as a user who downloaded it would, and waits
// until it can convert; prepare sees the tab before the page loads.
export async function openPage(context, pagePath, prepare = () => {}) {
  const page = await context.newPage();
  prepare(page);
  await page.goto(pathToFileURL(pagePath).href);
  await page.waitForFunction(() => document.documentElement.dataset.ready === 'true');
  return page;
}
