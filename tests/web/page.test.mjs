// The page in headless Chromium, opened from disk: it must pass a file's
// bytes to the converter and show what comes back, exactly as bmp2cdata
// prints it. What the conversion itself does is proven by the core's tests.
//   PAGE=bmp2cdata.html BIN=folder-with-bmp2cdata-make_sample-make_fuzz_seeds node --test page.test.mjs
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { copyFileSync, mkdirSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { createServer } from 'node:http';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, before, test } from 'node:test';
import { pathToFileURL } from 'node:url';
import { launchChromium, openPage } from './browser.mjs';

const pagePath = process.env.PAGE;
const bin = process.env.BIN;
const closing = 'The Cdata Table is now assigned to the Clipboard for pasting into the program';
const untouched = 'clipboard before the conversion';

// Files of every kind the converter meets, written by the project's own tools.
const folder = mkdtempSync(join(tmpdir(), 'bmp2cdata-page-'));
const seeds = join(folder, 'seeds');
const accepted = ['rainbow', 'Zürich.4x5', '17x1', '3x3-padded', '0x4'];
const refused = ['rle8', '32-bit', 'top-down', 'truncated', 'short-header', 'empty', 'large'];
const path = (name) => join(folder, `${name}.bmp`);

function run(program, ...args) {
  const result = spawnSync(join(bin, program), args, { encoding: 'utf8' });
  assert.ok(result.status === 0 || result.status === 1, `${program} ${args}: ${result.stderr}`);
  return result;
}

// What the page must show for a file: bmp2cdata's table and the closing
// lines, or its one line of complaint.
function expected(name, rgb332) {
  const result = run('bmp2cdata', ...(rgb332 ? ['--rgb332'] : []), path(name));
  return result.status === 0 ? { output: `${result.stdout}\n${closing}\n`, table: result.stdout }
                             : { output: result.stderr, table: null };
}

let browser, context, page;
const requests = [];
const consoleErrors = [];

// Records what a tab asks for and what it reports as an error. A listener
// from the start also has the browser hand every file chooser to the test:
// one added just before a key opens it could come too late.
function watch(watched) {
  watched.on('filechooser', () => {});
  watched.on('request', (request) => requests.push(request.url()));
  watched.on('pageerror', (error) => consoleErrors.push(error.message));
  watched.on('console', (message) => message.type() === 'error' && consoleErrors.push(message.text()));
}

before(async () => {
  mkdirSync(seeds);
  run('make_fuzz_seeds', seeds);
  for (const name of ['17x1', '3x3-padded', '0x4', 'rle8', '32-bit', 'top-down', 'truncated', 'short-header'])
    copyFileSync(join(seeds, name), path(name));
  copyFileSync(join(seeds, '4x5'), path('Zürich.4x5'));
  copyFileSync(new URL('../../samples/rainbow.bmp', import.meta.url), path('rainbow'));
  run('make_sample', path('large'), '320', '240');
  writeFileSync(path('empty'), '');
  browser = await launchChromium();
  context = await browser.newContext();
  await context.grantPermissions(['clipboard-read', 'clipboard-write']);
  page = await openPage(context, pagePath, watch);
});

after(async () => {
  await browser?.close();
  rmSync(folder, { recursive: true, force: true });
});

const clipboard = () => page.evaluate(() => navigator.clipboard.readText());
const setClipboard = (text) => page.evaluate((t) => navigator.clipboard.writeText(t), text);
const shown = (id) => page.evaluate((i) => document.getElementById(i).textContent, id);

async function waitForResult() {
  await page.waitForFunction(() => document.getElementById('output').value !== '' &&
                                   !document.querySelector('.result').hasAttribute('aria-busy'));
}

async function setOption(rgb332) {
  await page.setChecked('#rgb332', rgb332);
}

// Convert clicked, the file picked in the browser's chooser.
async function convertByChooser(name) {
  const [chooser] = await Promise.all([page.waitForEvent('filechooser'), page.click('#convert')]);
  assert.equal(await page.inputValue('#output'), '', 'Convert empties the output first');
  await chooser.setFiles(path(name));
  await waitForResult();
}

// Makes a File in the page from bytes, or from a Blob of a given size that
// starts with the bytes, ready to be dropped.
async function makeFile(name, bytes, size = bytes.length) {
  await page.evaluate(([fileName, head, fileSize]) => {
    const parts = [new Uint8Array(head)];
    if (fileSize > head.length)
      parts.push(new Blob([new ArrayBuffer(fileSize - head.length)]));
    window.fileToDrop = new File(parts, fileName);
  }, [name, Array.from(bytes), size]);
}

// Drags the file made last onto the page's heading and drops it there.
async function drop() {
  await page.evaluate(() => {
    const transfer = new DataTransfer();
    transfer.items.add(window.fileToDrop);
    for (const type of ['dragenter', 'dragover', 'drop'])
      document.querySelector('h1').dispatchEvent(new DragEvent(type, { bubbles: true, cancelable: true, dataTransfer: transfer }));
  });
  await waitForResult();
}

test('each file converts in both modes as bmp2cdata does, on screen and on the clipboard', async () => {
  for (const rgb332 of [false, true]) {
    await setOption(rgb332);
    for (const name of [...accepted, ...refused]) {
      await setClipboard(untouched);
      await convertByChooser(name);
      const { output, table } = expected(name, rgb332);
      const label = `${name} ${rgb332 ? 'RGB332' : 'RGB565'}`;
      assert.equal(await page.inputValue('#output'), output, label);
      assert.equal(await clipboard(), table ?? untouched, label);
      if (table === null)
        assert.equal(await shown('verdict'), output.trimEnd(), `${label}: the preview gives the complaint`);
    }
  }
});

test('the preview draws the packed values the right way up, with the size and verdict', async () => {
  for (const [rgb332, verdict] of [[false, 'Converts to a table of 192 RGB565 words'],
                                   [true, 'Converts to a table of 192 RGB332 bytes']]) {
    await setOption(rgb332);
    await convertByChooser('rainbow');
    assert.equal(await shown('size'), '24 × 8');
    assert.equal(await shown('verdict'), verdict);
    // The sample's top row is white; its bottom row starts blue and is pure
    // red a third of the way along, pure green two thirds: colours that both
    // layouts keep exactly.
    const pixels = await page.evaluate(() => {
      const canvas = document.getElementById('picture');
      const context = canvas.getContext('2d');
      return [[0, 0], [0, 7], [8, 7], [16, 7]].map(([x, y]) =>
        Array.from(context.getImageData(x, y, 1, 1).data.slice(0, 3)).join(','));
    });
    assert.deepEqual(pixels, ['255,255,255', '0,0,255', '255,0,0', '0,255,0']);
  }
  await setOption(false);
});

test('a file dropped anywhere on the page converts', async () => {
  await setClipboard(untouched);
  await makeFile('rainbow.bmp', readFileSync(path('rainbow')));
  await drop();
  const { output, table } = expected('rainbow', false);
  assert.equal(await page.inputValue('#output'), output);
  assert.equal(await clipboard(), table);
});

test('Save downloads the table as NAME.bas', async () => {
  await convertByChooser('Zürich.4x5');
  const [download] = await Promise.all([page.waitForEvent('download'), page.click('#save')]);
  assert.equal(download.suggestedFilename(), 'Zürich.4x5.bas');
  assert.equal(readFileSync(await download.path(), 'utf8'), expected('Zürich.4x5', false).table);
});

test('a 5000 × 5000 file is refused from its first 54 bytes, never read whole', async () => {
  await page.evaluate(() => {
    window.sizesRead = [];
    for (const read of ['arrayBuffer', 'text', 'stream', 'bytes']) {
      const original = Blob.prototype[read];
      if (original)
        Blob.prototype[read] = function (...args) { window.sizesRead.push(this.size); return original.apply(this, args); };
    }
  });
  const header = readFileSync(path('rainbow')).subarray(0, 54);
  header.writeInt32LE(5000, 18);
  header.writeInt32LE(5000, 22);
  await makeFile('huge.bmp', header, 54 + 5000 * 5000 * 3);
  const started = Date.now();
  await drop();
  console.log(`# the 5000 × 5000 file was answered in ${Date.now() - started} ms`);
  assert.equal(await page.inputValue('#output'), expected('large', false).output);
  assert.deepEqual(await page.evaluate(() => window.sizesRead), [54]);
});

test('a file the browser cannot read gets the one-line complaint of a missing file', async () => {
  await page.evaluate(() => {
    // A file removed from disk after it was chosen fails to read like this.
    class GoneFile extends File {
      slice() { return { arrayBuffer: () => Promise.reject(new DOMException('gone', 'NotReadableError')) }; }
    }
    const transfer = new DataTransfer();
    transfer.items.add(new GoneFile([], 'gone.bmp'));
    document.body.dispatchEvent(new DragEvent('drop', { bubbles: true, cancelable: true, dataTransfer: transfer }));
  });
  await waitForResult();
  const missing = spawnSync(join(bin, 'bmp2cdata'), ['gone.bmp'], { cwd: folder, encoding: 'utf8' });
  assert.equal(await page.inputValue('#output'), missing.stderr);
});

test('a refused clipboard write is said in one line, and Copy copies the whole output', async () => {
  await setClipboard(untouched);
  await page.evaluate(() => {
    const write = navigator.clipboard.writeText.bind(navigator.clipboard);
    let calls = 0;
    navigator.clipboard.writeText = (text) =>
      ++calls === 1 ? Promise.reject(new DOMException('refused', 'NotAllowedError')) : write(text);
  });
  await convertByChooser('rainbow');
  assert.equal(await clipboard(), untouched);
  assert.match(await shown('status'), /^The browser did not let the page write to the clipboard/);
  await page.click('#copy');
  assert.equal(await clipboard(), await page.inputValue('#output'));
});

test('keyboard alone reaches every control, with a visible focus mark', async () => {
  const keyboard = await openPage(context, pagePath, watch);
  await keyboard.bringToFront();
  await keyboard.keyboard.press('Tab');
  const [chooser] = await Promise.all([keyboard.waitForEvent('filechooser'), keyboard.keyboard.press('Enter')]);
  await chooser.setFiles(path('rainbow'));
  await keyboard.waitForFunction(() => document.getElementById('output').value !== '');
  const reached = [];
  for (let i = 0; i < 4; ++i) {
    await keyboard.keyboard.press('Tab');
    reached.push(await keyboard.evaluate(() => {
      const style = getComputedStyle(document.activeElement);
      return `${document.activeElement.id} ${style.outlineStyle} ${style.outlineWidth}`;
    }));
  }
  assert.deepEqual(reached, ['rgb332', 'copy', 'save', 'output'].map((id) => `${id} solid 3px`));
  for (let i = 0; i < 3; ++i)
    await keyboard.keyboard.press('Shift+Tab');
  await keyboard.keyboard.press('Space');
  assert.equal(await keyboard.isChecked('#rgb332'), true);
  await keyboard.reload();
  assert.equal(await keyboard.isChecked('#rgb332'), false, 'the option starts unticked at every load');
  await keyboard.close();
});

test('the page forbids every connection, and no request ever left it', async () => {
  let hits = 0;
  const server = createServer((request, response) => { ++hits; response.end('x'); });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  const probe = await openPage(context, pagePath);
  const blocked = await probe.evaluate(async (port) => {
    const directives = new Set();
    document.addEventListener('securitypolicyviolation', (event) => directives.add(event.effectiveDirective));
    const base = `http://127.0.0.1:${port}/`;
    await fetch(`${base}fetch`).catch(() => {});
    new Image().src = `${base}image`;
    const script = document.createElement('script');
    script.src = `${base}script`;
    const style = document.createElement('link');
    style.rel = 'stylesheet';
    style.href = `${base}style`;
    document.head.append(script, style);
    try { new WebSocket(`ws://127.0.0.1:${port}/socket`); } catch { /* refused at once */ }
    await new Promise((resolve) => setTimeout(resolve, 300));
    return [...directives].sort();
  }, server.address().port);
  await probe.close();
  server.close();
  assert.deepEqual(blocked, ['connect-src', 'img-src', 'script-src-elem', 'style-src-elem']);
  assert.equal(hits, 0);
  // The probe's own attempts never reached the server; the pages used
  // above asked for nothing but themselves.
  assert.deepEqual([...new Set(requests)], [pathToFileURL(pagePath).href]);
});

test('nothing reached the console as an error', () => {
  assert.deepEqual(consoleErrors, []);
});
