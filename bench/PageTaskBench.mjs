// What a user's tab goes through while the page converts a large picture
// with options, in headless Chromium: the longest task of the page's own
// thread (from a trace, by its thread time), and the peak resident memory
// of the tab's renderer process, the worker included. Each sample starts a
// browser of its own, so that its peak is this conversion's.
//   node PageTaskBench.mjs PAGE.html PICTURE FIT [SAMPLES [CPU_SLOWDOWN]]
//   prints: longest-task-ms peak-mb (medians)
import { readFileSync, readdirSync } from 'node:fs';
import { launchChromiumServer, openPage } from '../tests/web/browser.mjs';

const [pagePath, picturePath, fit, samples = '3', slowdown = '1'] = process.argv.slice(2);
const median = (values) => values.sort((a, b) => a - b)[values.length >> 1];

// The processes below pid, with the parent of each.
function descendants(pid) {
  const parents = new Map();
  for (const entry of readdirSync('/proc')) {
    if (!/^\d+$/.test(entry))
      continue;
    try {
      const stat = readFileSync(`/proc/${entry}/stat`, 'utf8');
      parents.set(Number(entry), Number(stat.slice(stat.lastIndexOf(')') + 2).split(' ')[1]));
    } catch {
      // The process ended while the list was read.
    }
  }
  const found = [];
  const isBelow = (child) => {
    for (let at = parents.get(child); at !== undefined && at > 1; at = parents.get(at))
      if (at === pid)
        return true;
    return false;
  };
  for (const child of parents.keys())
    if (isBelow(child))
      found.push(child);
  return found;
}

// The largest peak resident set among the browser's renderers, in MB.
function rendererPeakMb(browserPid) {
  let peak = 0;
  for (const pid of descendants(browserPid)) {
    try {
      if (!readFileSync(`/proc/${pid}/cmdline`, 'utf8').includes('--type=renderer'))
        continue;
      const hwm = /VmHWM:\s+(\d+) kB/.exec(readFileSync(`/proc/${pid}/status`, 'utf8'));
      peak = Math.max(peak, hwm ? Number(hwm[1]) / 1024 : 0);
    } catch {
      // Ended meanwhile.
    }
  }
  return peak;
}

// The longest task the renderer's main thread ran, in ms: the longest
// RunTask on a thread named CrRendererMain, by the time the thread ran, so
// that time it waited for a core on a busy machine is not counted.
function longestMainTask({ traceEvents }) {
  const mainThreads = new Set(traceEvents.filter((event) => event.name === 'thread_name' &&
                                                 event.args.name === 'CrRendererMain')
                                         .map((event) => `${event.pid}:${event.tid}`));
  let longest = 0;
  for (const event of traceEvents) {
    if (event.name === 'RunTask' && event.ph === 'X' && mainThreads.has(`${event.pid}:${event.tid}`))
      longest = Math.max(longest, (event.tdur ?? event.dur) / 1000);
  }
  return longest;
}

async function sample() {
  const { server, browser } = await launchChromiumServer();
  try {
    const context = await browser.newContext();
    await context.grantPermissions(['clipboard-read', 'clipboard-write']);
    const page = await openPage(context, pagePath);
    if (Number(slowdown) > 1) {
      const session = await context.newCDPSession(page);
      await session.send('Emulation.setCPUThrottlingRate', { rate: Number(slowdown) });
    }
    await page.fill('#box', fit);
    await page.locator('#box').blur();
    await page.selectOption('#dither', 'fs');
    await browser.startTracing(page, { categories: ['devtools.timeline', 'disabled-by-default-devtools.timeline'] });
    const [chooser] = await Promise.all([page.waitForEvent('filechooser'), page.click('#convert')]);
    await chooser.setFiles(picturePath);
    await page.waitForFunction(() => document.getElementById('output').textContent !== '' &&
                                     !document.querySelector('.result').hasAttribute('aria-busy'),
                               null, { timeout: 60000 });
    // Two frames and a pause, so that the result's rendering and the
    // clipboard's write are counted.
    await page.evaluate(() => new Promise((resolve) => requestAnimationFrame(() => requestAnimationFrame(() => setTimeout(resolve, 200)))));
    const longest = longestMainTask(JSON.parse(await browser.stopTracing()));
    return [longest, rendererPeakMb(server.process().pid)];
  } finally {
    await browser.close();
    await server.close();
  }
}

const longestTimes = [];
const peaks = [];
for (let run = 0; run < Number(samples); ++run) {
  const [longest, peak] = await sample();
  longestTimes.push(longest);
  peaks.push(peak);
}
console.log(`${median(longestTimes).toFixed(1)} ${median(peaks).toFixed(0)}`);
