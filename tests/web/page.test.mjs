// The page in headless Chromium, opened from disk: it must pass a file's
// bytes to the converter and show what comes back, exactly as bmp2cdata
// prints it. What the conversion itself does is proven by the core's tests.
// Its pictures are written by the project's tools and ImageMagick.
//   PAGE=bmp2cdata.html BIN=folder-with-bmp2cdata-and-make_sample node --test page.test.mjs
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { copyFileSync, mkdirSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { createServer } from 'node:http';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, before, test } from 'node:test';
import { pathToFileURL } from 'node:url';
import { crc32 } from 'node:zlib';
import { launchChromium, openPage } from './browser.mjs';

const pagePath = process.env.PAGE;
const bin = process.env.BIN;
const closing = 'The Cdata Table is now assigned to the Clipboard for pasting into the program';
const untouched = 'clipboard before the conversion';

// Files written by the project's own tools.
const folder = mkdtempSync(join(tmpdir(), 'bmp2cdata-page-'));
const path = (name) => join(folder, `${name}.bmp`);
// The pictures whose tables the Windows program's test compares with
// Linux's: where the page agrees with Linux, all three agree.
const picture = (name) => join(folder, 'pictures', name);

function run(program, ...args) {
  const result = spawnSync(join(bin, program), args, { encoding: 'utf8' });
  assert.ok(result.status === 0 || result.status === 1, `${program} ${args}: ${result.stderr}`);
  return result;
}

// What the page must show for a file given bmp2cdata's options: its table
// and the closing lines, or its one line of complaint.
function expectedOf(file, ...options) {
  const result = run('bmp2cdata', ...options, file);
  return result.status === 0 ? { output: `${result.stdout}\n${closing}\n`, table: result.stdout }
                             : { output: result.stderr, table: null };
}
const expected = (name, rgb332) => expectedOf(path(name), ...(rgb332 ? ['--rgb332'] : []));

// A copy of a PNG file with an eXIf chunk after its header that says to
// turn it a quarter clockwise, as portrait.jpg's EXIF block says.
function writeTurnedPng(from, to) {
  const exif = Buffer.from('eXIfMM\0\x2a\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01\0\x06\0\0\0\0\0\0', 'latin1');
  const chunk = Buffer.alloc(exif.length + 8);
  chunk.writeUInt32BE(exif.length - 4);
  exif.copy(chunk, 4);
  chunk.writeUInt32BE(crc32(exif), exif.length + 4);
  const png = readFileSync(from);
  writeFileSync(to, Buffer.concat([png.subarray(0, 33), chunk, png.subarray(33)]));
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
  run('make_sample', path('Zürich.4x5'), '4', '5');
  copyFileSync(new URL('../../samples/rainbow.bmp', import.meta.url), path('rainbow'));
  run('make_sample', path('large'), '320', '240');
  mkdirSync(picture(''));
  const made = spawnSync(new URL('../support/make-pictures.sh', import.meta.url).pathname, [picture('')]);
  assert.equal(made.status, 0, String(made.stderr));
  writeTurnedPng(picture('grey.png'), picture('portrait.png'));
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
const outputText = (tab = page) => tab.textContent('#output');
const setClipboard = (text) => page.evaluate((t) => navigator.clipboard.writeText(t), text);
const shown = (id) => page.evaluate((i) => document.getElementById(i).textContent, id);

async function waitForResult(tab = page) {
  await tab.waitForFunction(() => document.getElementById('output').textContent !== '' &&
                                  !document.querySelector('.result').hasAttribute('aria-busy'));
}

// Sets the options as a user would: a panel from the list, or a size typed,
// taken when the field loses the focus.
async function setOptions({ rgb332 = false, panel = null, box = '', sizing = 'fit', rotate = '0', mirror = false,
                            bgr = false, dither = 'none', background = '#000000' }) {
  if (panel === null) {
    await page.fill('#box', box);
    await page.locator('#box').blur();
  } else {
    await page.selectOption('#panel', panel);
  }
  await page.selectOption('#sizing', sizing);
  await page.selectOption('#rotate', rotate);
  await page.setChecked('#mirror', mirror);
  await page.setChecked('#bgr', bgr);
  await page.selectOption('#dither', dither);
  await page.fill('#background', background);
  await page.setChecked('#rgb332', rgb332);
}

// Waits for a conversion that an option started to replace the output.
async function waitForNewResult(previous) {
  await page.waitForFunction((old) => document.getElementById('output').textContent !== old &&
                                      !document.querySelector('.result').hasAttribute('aria-busy'), previous);
}

// Convert clicked, the file picked in the browser's chooser.
async function convertByChooser(name, file = path(name), tab = page) {
  const [chooser] = await Promise.all([tab.waitForEvent('filechooser'), tab.click('#convert')]);
  await chooser.setFiles(file);
  await waitForResult(tab);
}

// Makes a File in the page from bytes, or from a Blob of a given size that
// starts with the bytes, ready to be dropped with those made before it
// since the last drop.
async function makeFile(name, bytes, size = bytes.length) {
  await page.evaluate(([fileName, head, fileSize]) => {
    const parts = [new Uint8Array(head)];
    if (fileSize > head.length)
      parts.push(new Blob([new ArrayBuffer(fileSize - head.length)]));
    (window.filesToDrop ??= []).push(new File(parts, fileName));
  }, [name, Array.from(bytes), size]);
}

// Drags the files made since the last drop onto the page's heading and, when
// the outline's note is read (into window.dropNote), drops them there.
async function drop({ wait = true } = {}) {
  await page.evaluate(() => {
    const transfer = new DataTransfer();
    for (const file of window.filesToDrop.splice(0))
      transfer.items.add(file);
    for (const type of ['dragenter', 'dragover', 'drop']) {
      document.querySelector('h1').dispatchEvent(new DragEvent(type, { bubbles: true, cancelable: true, dataTransfer: transfer }));
      if (type === 'dragover')
        window.dropNote = document.getElementById('drop-note').textContent;
    }
  });
  if (wait)
    await waitForResult();
}

// Which files convert and to what is the core's to prove; the page must pass
// the file and its name through and show the table or the one complaint.
test('a chosen file converts as bmp2cdata converts it, on screen and on the clipboard', async () => {
  for (const name of ['Zürich.4x5', 'large']) {
    await setClipboard(untouched);
    await convertByChooser(name);
    const { output, table } = expected(name, false);
    assert.equal(await outputText(), output, name);
    assert.equal(await clipboard(), table ?? untouched, name);
    if (table === null)
      assert.equal(await shown('verdict'), output.trimEnd(), `${name}: the preview gives the complaint`);
  }
});

test('the preview draws the packed values the right way up, with the size and verdict', async () => {
  for (const [rgb332, verdict] of [[false, 'Converts to a table of 192 RGB565 words'],
                                   [true, 'Converts to a table of 192 RGB332 bytes']]) {
    await page.setChecked('#rgb332', rgb332);
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
  await page.setChecked('#rgb332', false);
});

test('a file dropped anywhere on the page converts', async () => {
  await setClipboard(untouched);
  await makeFile('rainbow.bmp', readFileSync(path('rainbow')));
  await drop();
  const { output, table } = expected('rainbow', false);
  assert.equal(await outputText(), output);
  assert.equal(await clipboard(), table);
});

// What a label field shows beside it for a label bmp2cdata warns of.
const warningOf = (stderr) => `W${stderr.slice('bmp2cdata: w'.length).trimEnd()}`;

test('the label field labels the table, Copy and Save, with the warnings of bmp2cdata', async () => {
  const spaced = join(folder, 'my photo.bmp');
  copyFileSync(path('rainbow'), spaced);
  await makeFile('my photo.bmp', readFileSync(spaced));
  await drop();
  assert.equal(await page.inputValue('#label'), 'my photo');
  assert.equal(await outputText(), expectedOf(spaced).output);
  await page.waitForFunction(() => document.getElementById('label-note').textContent !== '');
  assert.equal(await shown('label-note'), warningOf(run('bmp2cdata', spaced).stderr));
  let previous = await outputText();
  await page.fill('#label', 'splash');
  await waitForNewResult(previous);
  const { output, table } = expectedOf(spaced, '--label', 'splash');
  assert.deepEqual([await outputText(), await shown('label-note')], [output, '']);
  await setClipboard(untouched);
  await page.click('#copy');
  assert.equal(await clipboard(), table);
  const [download] = await Promise.all([page.waitForEvent('download'), page.click('#save')]);
  assert.equal(download.suggestedFilename(), 'splash.bas');
  assert.equal(readFileSync(await download.path(), 'utf8'), table);
  assert.equal(await shown('status'), 'Saved the table as splash.bas.');
  // A label that would break the source is refused in the field.
  previous = await outputText();
  await page.fill('#label', 'splash\u202E');
  await waitForNewResult(previous);
  const refused = 'The label cannot hold control characters, line breaks or invalid characters';
  await page.waitForFunction((text) => document.getElementById('label-note').textContent === text, refused);
  assert.deepEqual([await outputText(), await page.getAttribute('#label', 'aria-invalid'), await page.isDisabled('#save')],
                   [`${refused}\n`, 'true', true]);
});

test('several files dropped are refused at once, and the outline says so beforehand', async () => {
  const before = await outputText();
  await makeFile('a.bmp', [1]);
  await makeFile('b.bmp', [2]);
  await drop({ wait: false });
  assert.deepEqual([await page.evaluate(() => window.dropNote), await shown('status'), await outputText()],
                   ['Drop one file at a time.', 'Drop one file at a time.', before]);
});

test('a WebP picture is named in its refusal, as bmp2cdata names it', async () => {
  const webp = Buffer.from('RIFF\x24\0\0\0WEBPVP8 ', 'latin1');
  writeFileSync(picture('x.webp'), webp);
  await makeFile('x.webp', webp);
  await drop();
  assert.equal(await outputText(), expectedOf(picture('x.webp')).output);
  assert.match(await outputText(), /WebP picture/);
});

test('a cancelled chooser keeps the table, the preview, Copy and Save', async () => {
  await convertByChooser('rainbow');
  const state = () => Promise.all([outputText(), shown('size'), page.isEnabled('#copy'), page.isEnabled('#save')]);
  const before = await state();
  await Promise.all([page.waitForEvent('filechooser'), page.click('#convert')]);
  await page.dispatchEvent('#chooser', 'cancel');
  assert.deepEqual(await state(), before);
});

test('the preview scales by whole numbers or whole fractions, and zooms with a grid from 4×', async () => {
  const layout = () => page.evaluate(() => {
    const canvas = document.getElementById('picture');
    return { width: canvas.width, height: canvas.height, scale: Number(canvas.dataset.scale),
             shown: canvas.getBoundingClientRect().width, box: canvas.parentElement.parentElement.clientWidth,
             grid: canvas.parentElement.classList.contains('grid') };
  });
  await setOptions({ box: '276x276' });
  for (const name of ['rainbow', 'large']) {
    await convertByChooser(name);
    const { width, height, scale, shown: shownWidth, box } = await layout();
    const next = scale >= 1 ? scale + 1 : 1 / (1 / scale - 1);
    assert.ok(Number.isInteger(scale) || Number.isInteger(1 / scale), `${name}: ${scale}`);
    assert.ok(Math.max(width, height) * scale <= box && Math.max(width, height) * next > box, name);
    assert.equal(shownWidth, width * scale, name);
  }
  await page.selectOption('#zoom', '4');
  assert.deepEqual(await layout().then(({ scale, shown: shownWidth, grid }) => [scale, shownWidth, grid]), [4, 276 * 4, true]);
  await page.selectOption('#zoom', '0');
  await setOptions({});
});

test('a newer file cancels the conversion of an older one', async () => {
  await setOptions({ box: '160x128', dither: 'fs' });
  const started = [];
  page.on('worker', (worker) => started.push(worker));
  await page.evaluate(([older, newer]) => {
    for (const [name, bytes] of [['photo.jpg', older], ['rainbow.bmp', newer]]) {
      const transfer = new DataTransfer();
      transfer.items.add(new File([new Uint8Array(bytes)], name));
      document.body.dispatchEvent(new DragEvent('drop', { bubbles: true, cancelable: true, dataTransfer: transfer }));
    }
  }, [Array.from(readFileSync(picture('photo.jpg'))), Array.from(readFileSync(path('rainbow')))]);
  await waitForResult();
  assert.equal(await outputText(), expectedOf(path('rainbow'), '--fit', '160x128', '--dither').output);
  assert.equal(started.length, 1, 'the busy worker was replaced');
  await setOptions({});
});

test('the layout keeps its parts apart at 360, 768 and 1280 pixels wide', async () => {
  const tab = await openPage(context, pagePath, watch);
  const parts = ['h1', 'header p', '.controls', '.options', '#status', '#output', '#preview-heading',
                 '#original-heading', '#preview .frame', '#original-figure .frame', '#verdict'];
  for (const [width, height] of [[1280, 800], [768, 1024], [360, 740]]) {
    await tab.setViewportSize({ width, height });
    if (width === 1280)
      assert.ok(await tab.evaluate(() => document.documentElement.scrollHeight <= innerHeight), 'an empty page fits');
    await convertByChooser('rainbow', path('rainbow'), tab);
    const boxes = await tab.evaluate((selectors) => selectors.map((selector) => {
      const { left, top, right, bottom } = document.querySelector(selector).getBoundingClientRect();
      return { selector, left, top: top + scrollY, right, bottom: bottom + scrollY };
    }), parts);
    for (const [at, one] of boxes.entries()) {
      assert.ok(one.left >= 0 && one.right <= width, `${width}: ${one.selector} lies within the width`);
      for (const other of boxes.slice(at + 1)) {
        const apart = one.right <= other.left || other.right <= one.left || one.bottom <= other.top || other.bottom <= one.top;
        assert.ok(apart, `${width}: ${one.selector} and ${other.selector} overlap`);
      }
    }
    const output = boxes.find((box) => box.selector === '#output');
    assert.ok(output.right - output.left >= width / 2, `${width}: the output keeps half the width`);
    if (width === 360) // the result is brought into view
      await tab.waitForFunction(() => document.getElementById('status').getBoundingClientRect().top < innerHeight / 2);
  }
  await tab.close();
});

// Has the page note the size of every piece of a file it reads, and every
// decode it asks the browser for.
// The worker's reads and decodes, which is where the page reads and decodes.
const converter = () => page.workers().at(-1);

async function watchReads() {
  await converter().evaluate(() => {
    self.sizesRead = [];
    self.decodes = 0;
    if (self.watched)
      return;
    self.watched = true;
    for (const read of ['arrayBuffer', 'text', 'stream', 'bytes']) {
      const original = Blob.prototype[read];
      if (original)
        Blob.prototype[read] = function (...args) { self.sizesRead.push(this.size); return original.apply(this, args); };
    }
    const bitmap = self.createImageBitmap;
    self.createImageBitmap = (...args) => { ++self.decodes; return bitmap(...args); };
    self.ImageDecoder = class extends ImageDecoder {
      constructor(...args) { ++self.decodes; super(...args); }
    };
  });
}

// A BMP's length over the limit gets the complaint of large.bmp.
test('a 5000 × 5000 BMP and a 20000 × 20000 PNG are refused from their first 54 bytes', async () => {
  const bmp = readFileSync(path('rainbow')).subarray(0, 54);
  bmp.writeInt32LE(5000, 18);
  bmp.writeInt32LE(5000, 22);
  // The signature and a header chunk; nothing after it is ever looked at.
  const png = Buffer.alloc(33);
  Buffer.from([0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 0x49, 0x48, 0x44, 0x52]).copy(png);
  png.writeUInt32BE(20000, 16);
  png.writeUInt32BE(20000, 20);
  png.writeUInt16BE(0x0806, 24);
  writeFileSync(picture('huge.png'), png);
  for (const [name, head, size, output] of [['huge.bmp', bmp, 54 + 5000 * 5000 * 3, expected('large', false).output],
                                            ['huge.png', png, 1200000, expectedOf(picture('huge.png')).output]]) {
    await watchReads();
    await makeFile(name, head, size);
    const started = Date.now();
    await drop();
    console.log(`# ${name} was answered in ${Date.now() - started} ms`);
    assert.equal(await outputText(), output, name);
    assert.deepEqual(await converter().evaluate(() => [self.sizesRead, self.decodes]), [[54], 0], name);
  }
});

test('a file the browser cannot read gets the one-line complaint of a missing file', async () => {
  // A file removed from disk after it was chosen fails to read like this.
  await converter().evaluate(() => {
    const read = Blob.prototype.arrayBuffer;
    Blob.prototype.arrayBuffer = function () {
      Blob.prototype.arrayBuffer = read;
      return Promise.reject(new DOMException('gone', 'NotReadableError'));
    };
  });
  await makeFile('gone.bmp', []);
  await drop();
  const missing = spawnSync(join(bin, 'bmp2cdata'), ['gone.bmp'], { cwd: folder, encoding: 'utf8' });
  assert.equal(await outputText(), missing.stderr);
  assert.equal(await shown('status'), `gone.bmp was not converted: ${missing.stderr.trimEnd()}`);
});

test('a refused clipboard write is said in the output and the status, and Copy copies the table', async () => {
  await setClipboard(untouched);
  await page.evaluate(() => {
    const write = navigator.clipboard.writeText.bind(navigator.clipboard);
    let calls = 0;
    navigator.clipboard.writeText = (text) =>
      ++calls === 1 ? Promise.reject(new DOMException('refused', 'NotAllowedError')) : write(text);
  });
  await convertByChooser('rainbow');
  assert.equal(await clipboard(), untouched);
  const refused = 'The browser did not let the page put the table on the clipboard: press Copy to copy it.';
  const { table } = expected('rainbow', false);
  assert.equal(await outputText(), `${table}\n${refused}\n`);
  assert.equal(await shown('status'), `Converted rainbow.bmp: a table of 192 RGB565 words. ${refused}`);
  await page.click('#copy');
  assert.equal(await clipboard(), table);
  assert.equal(await shown('status'), 'The table is on the clipboard.');
});

test('PNG and JPEG pictures convert with the options as bmp2cdata converts them', async () => {
  await setOptions({ rgb332: true, box: '160 × 128', dither: 'fs', background: '#336699' });
  const options = ['--rgb332', '--fit', '160x128', '--dither', '--background', '336699'];
  // Partial alpha over the background, a progressive JPEG, and a BMP too
  // large for a table, which is fitted.
  for (const file of ['alpha.png', 'photo.jpg', '../large.bmp']) {
    await setClipboard(untouched);
    await convertByChooser(file, picture(file));
    const { output, table } = expectedOf(picture(file), ...options);
    assert.ok(table !== null, file);
    assert.equal(await outputText(), output, file);
    assert.equal(await clipboard(), table, file);
  }
  // The preview beside the original shows the table's own values: each row
  // of the table runs from right to left, each byte widened as the LCD does.
  const [width, height] = [160, 120];
  assert.deepEqual([await shown('size'), await shown('original-size')], ['160 × 120', '320 × 240']);
  const bytes = [...(await outputText()).matchAll(/\$([0-9A-F]{2})/g)].map((match) => parseInt(match[1], 16));
  const widen = (value, bits) => Math.round(value * 255 / ((1 << bits) - 1));
  const pixels = await page.evaluate(() => Array.from(document.getElementById('picture').getContext('2d').getImageData(0, 0, 160, 120).data));
  for (let y = 0; y < height; ++y) {
    for (let x = 0; x < width; ++x) {
      const value = bytes[y * width + width - 1 - x];
      const at = (y * width + x) * 4;
      assert.deepEqual(pixels.slice(at, at + 3), [widen(value >> 5, 3), widen(value >> 2 & 7, 3), widen(value & 3, 2)], `${x}, ${y}`);
    }
  }
});

test('a changed option converts the current picture again at once', async () => {
  await setOptions({});
  const alpha = picture('alpha.png');
  await convertByChooser('alpha', alpha);
  // 250 × 333 pixels are split until fitted; each change below converts
  // again.
  const steps = [
    [() => setOptions({ box: '200x200' }), ['--fit', '200x200']],
    [() => page.fill('#background', '#ff8000'), ['--fit', '200x200', '--background', 'ff8000']],
    [() => page.selectOption('#dither', 'fs'), ['--fit', '200x200', '--background', 'ff8000', '--dither']],
    [() => page.check('#rgb332'), ['--fit', '200x200', '--background', 'ff8000', '--dither', '--rgb332']],
  ];
  let previous = await outputText();
  assert.equal(previous, expectedOf(alpha, '--split').output);
  for (const [change, options] of steps) {
    await change();
    await waitForNewResult(previous);
    previous = await outputText();
    assert.equal(previous, expectedOf(alpha, ...options).output, options.join(' '));
  }
  assert.equal(await clipboard(), expectedOf(alpha, ...steps.at(-1)[1]).table);
  // A size the converter cannot take gets one line, beside the field and
  // instead of the table.
  for (const [box, complaint] of [['4097x276', 'The size 4097x276 is too large: W and H must be at most 4096'],
                                  ['160', 'The size W × H needs a width and a height such as 160x128']]) {
    await setOptions({ box });
    await waitForNewResult(previous);
    await page.waitForFunction((text) => document.getElementById('box-note').textContent === text, complaint);
    previous = await outputText();
    assert.deepEqual([previous, await shown('status'), await page.getAttribute('#box', 'aria-invalid')],
                     [`${complaint}\n`, `alpha.png was not converted: ${complaint}`, 'true']);
  }
  await setOptions({});
});

// Each setting of the page beside the options of bmp2cdata it stands for,
// and the size the preview shows. The page splits by itself whatever takes
// the road of a picture, and names no option when even that is refused.
// JPEGs with subsampled chroma give bmp2cdata's pixels to the last bit.
test('every picture option gives the table of bmp2cdata, split where it is over one table', async () => {
  const cases = [
    ['photo.jpg', { panel: '240 × 320', sizing: 'fill' }, ['--fill', '240x320', '--split'], '240 × 320'],
    ['alpha.png', { box: '100x90', sizing: 'pad', background: '#336699' },
     ['--pad', '100x90', '--background', '336699'], '100 × 90'],
    ['photo.jpg', { box: '160x128', rotate: '90', mirror: true, bgr: true, dither: 'ordered' },
     ['--fit', '160x128', '--rotate', '90', '--mirror', '--bgr', '--dither=ordered'], '96 × 128'],
    ['grey.png', { rotate: '270', dither: 'fs', rgb332: true }, ['--rotate', '270', '--dither', '--rgb332'], '140 × 200'],
    ['portrait.jpg', { rotate: '180' }, ['--rotate', '180', '--split'], '240 × 320'],
    ['portrait.png', {}, [], '140 × 200'],
    ['chroma420.jpg', {}, [], '251 × 201'],
    ['chroma422.jpg', {}, [], '251 × 201'],
    ['photo.jpg', { box: '1000x1000', sizing: 'fill' }, ['--fill', '1000x1000', '--split'], ''],
  ];
  for (const [file, options, args, size] of cases) {
    await setOptions(options);
    await convertByChooser(file, picture(file));
    const { output, table } = expectedOf(picture(file), ...args);
    const pageOutput = table === null ? output.replace(' that --split writes', ' that the page writes in several tables') : output;
    assert.deepEqual([await outputText(), await shown('size')], [pageOutput, size], `${file} ${args.join(' ')}`);
  }
  await setOptions({});
});

test('Test card makes the card for the size in the fields, split in one line when over one table', async () => {
  await setOptions({ panel: '320 × 240', bgr: true });
  await setClipboard(untouched);
  await page.click('#test-card');
  await waitForResult();
  const { stdout } = run('bmp2cdata', '--test-card', '320x240', '--bgr', '--split');
  assert.deepEqual([await outputText(), await clipboard(), await page.inputValue('#label')],
                   [`${stdout}\n${closing}\n`, stdout, 'testcard']);
  assert.deepEqual([await shown('verdict'), await shown('status')],
                   ['Split into 2 tables of whole rows, 76800 RGB565 words in all: one table holds at most 65535',
                    'Converted the test card: 2 tables of 76800 RGB565 words in all, on the clipboard.']);
  // An empty size converts the card again, to its one line of complaint.
  const previous = await outputText();
  await setOptions({});
  await waitForNewResult(previous);
  assert.equal(await outputText(), 'The test card needs a size: pick a panel or type W × H\n');
});

test('without WebCodecs a picture is decoded through a canvas, turned by the converter alone', async () => {
  const fallback = await openPage(context, pagePath, watch);
  await fallback.workers()[0].evaluate(() => { delete self.ImageDecoder; });
  for (const name of ['grey.png', 'portrait.jpg', 'portrait.png']) {
    await convertByChooser(name, picture(name), fallback);
    assert.equal(await outputText(fallback), expectedOf(picture(name), '--split').output, name);
  }
  await fallback.close();
});

test('keyboard alone reaches every control, with a visible focus mark', async () => {
  const keyboard = await openPage(context, pagePath, watch);
  await keyboard.bringToFront();
  await keyboard.keyboard.press('Tab');
  const [chooser] = await Promise.all([keyboard.waitForEvent('filechooser'), keyboard.keyboard.press('Enter')]);
  await chooser.setFiles(path('rainbow'));
  await waitForResult(keyboard);
  const reached = [];
  const controls = ['test-card', 'label', 'copy', 'save', 'rgb332', 'panel', 'box', 'sizing', 'rotate', 'mirror', 'bgr',
                    'dither', 'background', 'output', 'zoom'];
  for (let i = 0; i < controls.length; ++i) {
    await keyboard.keyboard.press('Tab');
    reached.push(await keyboard.evaluate(() => {
      const style = getComputedStyle(document.activeElement);
      return `${document.activeElement.id} ${style.outlineStyle} ${style.outlineWidth}`;
    }));
  }
  assert.deepEqual(reached, controls.map((id) => `${id} solid 3px`));
  for (let i = controls.indexOf('rgb332') + 1; i < controls.length; ++i)
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
  // above asked for nothing but themselves and their worker, made from
  // their own script in memory.
  assert.deepEqual([...new Set(requests.map((url) => url.replace(/^blob:.*/, 'blob:')))].sort(),
                   ['blob:', pathToFileURL(pagePath).href]);
});

test('nothing reached the console as an error', () => {
  assert.deepEqual(consoleErrors, []);
});
