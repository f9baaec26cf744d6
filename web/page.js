'use strict';
// The page's side of the converter: a chosen or dropped file becomes bytes
// in one place (readAsNeeded), one call into the module converts them, and
// the page shows what comes back. The table, the checks, the fit, the
// dithering and the packing all happen in the module, the same code the
// windows and the command line run. A PNG or JPEG file is decoded by the
// browser when the module asks for it, and its pixels handed back.

// A promise of the module. It is small enough to compile at once, without
// fetching its own bytes, which the page's policy would refuse.
const converter = (() => {
  try {
    return Promise.resolve(Bmp2CdataModule());
  } catch (error) {
    return Promise.reject(error);
  }
})();

const page = {
  convert: document.getElementById('convert'),
  chooser: document.getElementById('chooser'),
  rgb332: document.getElementById('rgb332'),
  fit: document.getElementById('fit'),
  dither: document.getElementById('dither'),
  background: document.getElementById('background'),
  copy: document.getElementById('copy'),
  save: document.getElementById('save'),
  status: document.getElementById('status'),
  result: document.querySelector('.result'),
  output: document.getElementById('output'),
  picture: document.getElementById('picture'),
  size: document.getElementById('size'),
  verdict: document.getElementById('verdict'),
  originalFigure: document.getElementById('original-figure'),
  original: document.getElementById('original'),
  originalSize: document.getElementById('original-size'),
};

const messages = {
  clipboardRefused: 'The browser did not let the page write to the clipboard: press Copy to copy the output.',
  copied: 'The whole output is on the clipboard.',
  copyRefused: 'The browser refused the clipboard: select the output and copy it with Ctrl+C.',
  oneFile: 'Drop one file at a time.',
  noModule: 'This browser cannot run the converter: ',
};

// The table of the last conversion and the name it is saved under.
let saved = null;
// Counts conversions, so that a slow read never shows over a later file.
let conversions = 0;
// The file converted last, what was read of it and the browser's decode of
// it, so that a changed option converts it again without asking for it.
let current = null;

function setStatus(text) {
  page.status.textContent = text;
}

// What the options on the page ask of a conversion.
function currentOptions() {
  return {
    rgb332: page.rgb332.checked,
    fit: page.fit.value,
    dither: page.dither.checked,
    background: parseInt(page.background.value.slice(1), 16) || 0,
  };
}

// Reads the file's first bytes as far as the converter asks: a file too
// long to convert is judged from its head, never read whole. False when the
// browser cannot read it.
async function readAsNeeded(entry, module, options) {
  const { file } = entry;
  try {
    for (;;) {
      const head = entry.bytes ?? new Uint8Array(0);
      if (entry.bytes !== null && head.length >= file.size)
        return true;
      const wanted = module.bytesToRead(head, file.size, options);
      if (entry.bytes !== null && wanted <= head.length)
        return true;
      entry.bytes = new Uint8Array(await file.slice(0, wanted).arrayBuffer());
      if (entry.bytes.length < wanted)
        return true;
    }
  } catch {
    return false;
  }
}

// The layouts in which WebCodecs hands over a frame of 8-bit samples: where
// red lies, and whether the fourth byte is unused rather than alpha.
const frameLayouts = { RGBA: [0, false], RGBX: [0, true], BGRA: [2, false], BGRX: [2, true] };

// WebCodecs' decoder gives a PNG's samples as the file holds them, never
// premultiplied, whatever its colour profile, gamma or orientation says.
// Null where the browser lacks it; a JPEG it gives as YUV, converted with
// other rounding than the JPEG library's, so that goes through a canvas.
async function decodeExactly(type, bytes) {
  if (type !== 'image/png' || typeof ImageDecoder === 'undefined' || !(await ImageDecoder.isTypeSupported(type)))
    return null;
  const decoder = new ImageDecoder({ data: bytes, type, colorSpaceConversion: 'none', premultiplyAlpha: 'none' });
  try {
    const { image } = await decoder.decode();
    try {
      const layout = frameLayouts[image.format];
      if (layout === undefined)
        return null;
      const { width, height } = image.visibleRect;
      const rgba = new Uint8Array(width * height * 4);
      await image.copyTo(rgba);
      const [red, opaque] = layout;
      if (red !== 0 || opaque) {
        for (let at = 0; at < rgba.length; at += 4) {
          const first = rgba[at];
          rgba[at] = rgba[at + red];
          rgba[at + red] = first;
          if (opaque)
            rgba[at + 3] = 255;
        }
      }
      return { width, height, rgba };
    } finally {
      image.close();
    }
  } finally {
    decoder.close();
  }
}

// The browser's decode drawn on a canvas: exact for an opaque picture, but a
// canvas keeps colours premultiplied by alpha, so a partly transparent
// pixel may come back a step off.
async function decodeThroughCanvas(type, bytes) {
  const bitmap = await createImageBitmap(new Blob([bytes], { type }),
                                         { premultiplyAlpha: 'none', colorSpaceConversion: 'none' });
  const { width, height } = bitmap;
  const canvas = document.createElement('canvas');
  canvas.width = width;
  canvas.height = height;
  const context = canvas.getContext('2d', { willReadFrequently: true });
  context.drawImage(bitmap, 0, 0);
  bitmap.close();
  const rgba = context.getImageData(0, 0, width, height).data;
  return { width, height, rgba: new Uint8Array(rgba.buffer, rgba.byteOffset, rgba.length) };
}

// The picture's pixels as the browser decodes them: {width, height, rgba},
// or false when it cannot.
async function decodePicture({ type, bytes }) {
  try {
    return (await decodeExactly(type, bytes)) ?? (await decodeThroughCanvas(type, bytes));
  } catch {
    return false;
  }
}

function clearResult() {
  saved = null;
  page.result.removeAttribute('aria-busy');
  page.output.value = '';
  page.copy.disabled = true;
  page.save.disabled = true;
  setStatus('');
  showPreview({ width: 0, height: 0, size: '', verdict: '', rgba: new Uint8Array(0) });
  showOriginal(null);
}

function drawPixels(canvas, width, height, rgba) {
  canvas.width = width;
  canvas.height = height;
  if (width > 0 && height > 0) {
    const pixels = new Uint8ClampedArray(rgba.buffer, rgba.byteOffset, rgba.length);
    canvas.getContext('2d').putImageData(new ImageData(pixels, width, height), 0, 0);
  }
}

function showPreview(preview) {
  const canvas = page.picture;
  const drawn = preview.width > 0 && preview.height > 0;
  drawPixels(canvas, drawn ? preview.width : 0, drawn ? preview.height : 0, preview.rgba);
  canvas.hidden = !drawn;
  canvas.setAttribute('aria-label', drawn ? `The picture, ${preview.size}, as the LCD will show it` : 'No picture');
  page.size.textContent = preview.size;
  page.verdict.textContent = preview.verdict;
}

// The picture as the file holds it, beside the preview; null hides it.
function showOriginal(picture) {
  const canvas = page.original;
  page.originalFigure.hidden = !picture;
  if (!picture || canvas.shown === picture)
    return;
  canvas.shown = picture;
  const size = `${picture.width} × ${picture.height}`;
  drawPixels(canvas, picture.width, picture.height, picture.rgba);
  // Pixels stay sharp where the frame enlarges them.
  canvas.classList.toggle('smooth', picture.width > 240 || picture.height > 240);
  canvas.setAttribute('aria-label', `The original picture, ${size}`);
  page.originalSize.textContent = size;
}

function show(result, original) {
  page.output.value = result.output;
  page.copy.disabled = result.output === '';
  showPreview(result.preview);
  showOriginal(original);
  saved = result.table === null ? null : { table: result.table, name: `${result.label || 'table'}.bas` };
  page.save.disabled = saved === null;
}

async function placeOnClipboard(text) {
  try {
    await navigator.clipboard.writeText(text);
  } catch {
    setStatus(messages.clipboardRefused);
  }
}

// Whether a later conversion has started since this one.
function stale(conversion) {
  return conversion !== conversions;
}

// Reads the file as far as needed, has the browser decode a picture when
// the converter asks for that, and converts; null once the conversion is
// stale, so that options changed in quick succession convert only the last.
async function conversionOf(entry, module, conversion) {
  const { file } = entry;
  const options = currentOptions();
  const read = await readAsNeeded(entry, module, options);
  if (stale(conversion))
    return null;
  if (!read)
    return module.unreadable(file.name);
  let result = module.convert(file.name, entry.bytes, file.size, options, entry.picture);
  if (result.decode !== null) {
    // Options changed in quick succession share one decode.
    entry.decoding ??= decodePicture(result.decode);
    entry.picture = await entry.decoding;
    if (stale(conversion))
      return null;
    result = module.convert(file.name, entry.bytes, file.size, options, entry.picture);
  }
  return result;
}

// The original beside a table: the browser's decode of a picture, or of a
// BMP file, which the browser shows too; null once the conversion is stale.
async function originalOf(entry, result, conversion) {
  if (result.table === null)
    return null;
  if (entry.picture)
    return entry.picture;
  entry.original ??= await decodePicture({ type: 'image/bmp', bytes: entry.bytes });
  if (stale(conversion))
    return null;
  return entry.original || null;
}

// Converts the current file as the window's Convert button does: the table
// or the complaint is shown, and the table alone goes onto the clipboard. A
// new file empties the output first.
async function convertCurrent(fresh) {
  const conversion = ++conversions;
  const entry = current;
  if (fresh)
    clearResult();
  page.result.setAttribute('aria-busy', 'true');
  try {
    const module = await converter;
    if (stale(conversion))
      return;
    const result = await conversionOf(entry, module, conversion);
    if (stale(conversion))
      return;
    const original = await originalOf(entry, result, conversion);
    if (stale(conversion))
      return;
    show(result, original);
    if (result.table !== null)
      await placeOnClipboard(result.table);
  } catch (error) {
    setStatus(messages.noModule + error);
  } finally {
    if (!stale(conversion))
      page.result.removeAttribute('aria-busy');
  }
}

function convertFile(file) {
  current = { file, bytes: null, decoding: null, picture: null, original: null };
  return convertCurrent(true);
}

function optionChanged() {
  if (current !== null)
    convertCurrent(false);
}

// A fit the converter cannot take is said at once, and marked on the field.
async function fitChanged() {
  try {
    const complaint = (await converter).fitComplaint(page.fit.value);
    page.fit.setAttribute('aria-invalid', String(complaint !== ''));
    setStatus(complaint);
  } catch {
    // The module's own failure is said where the page starts.
  }
  optionChanged();
}

async function copyOutput() {
  try {
    await navigator.clipboard.writeText(page.output.value);
    setStatus(messages.copied);
  } catch {
    // Older browsers still copy a selection straight after a click.
    page.output.select();
    setStatus(document.execCommand('copy') ? messages.copied : messages.copyRefused);
  }
}

function saveTable() {
  if (saved === null)
    return;
  const link = document.createElement('a');
  link.href = URL.createObjectURL(new Blob([saved.table], { type: 'text/plain' }));
  link.download = saved.name;
  link.click();
  setTimeout(() => URL.revokeObjectURL(link.href), 10000);
}

function draggedFileCount(event) {
  return Array.from(event.dataTransfer.items).filter((item) => item.kind === 'file').length;
}

function carriesFiles(event) {
  return event.dataTransfer !== null && event.dataTransfer.types.includes('Files');
}

page.convert.addEventListener('click', () => {
  // As in the window, the output is emptied before the file is asked for.
  ++conversions;
  current = null;
  clearResult();
  page.chooser.value = '';
  page.chooser.click();
});

page.chooser.addEventListener('change', () => {
  if (page.chooser.files.length === 1)
    convertFile(page.chooser.files[0]);
});

page.rgb332.addEventListener('change', optionChanged);
page.dither.addEventListener('change', optionChanged);
page.background.addEventListener('input', optionChanged);
page.fit.addEventListener('change', fitChanged);
page.copy.addEventListener('click', copyOutput);
page.save.addEventListener('click', saveTable);
page.output.addEventListener('input', () => {
  page.copy.disabled = page.output.value === '';
});

// A file dropped anywhere converts; the browser must never open it instead.
document.addEventListener('dragover', (event) => {
  if (!carriesFiles(event))
    return;
  event.preventDefault();
  event.dataTransfer.dropEffect = draggedFileCount(event) === 1 ? 'copy' : 'none';
  document.body.classList.add('dragging');
});
document.addEventListener('dragleave', (event) => {
  if (event.relatedTarget === null)
    document.body.classList.remove('dragging');
});
document.addEventListener('drop', (event) => {
  if (!carriesFiles(event))
    return;
  event.preventDefault();
  document.body.classList.remove('dragging');
  if (event.dataTransfer.files.length === 1)
    convertFile(event.dataTransfer.files[0]);
  else
    setStatus(messages.oneFile);
});

// A browser may restore the options on reload; they start as they are
// described: no fit, no dithering, black behind transparent pixels.
page.rgb332.checked = false;
page.fit.value = '';
page.dither.checked = false;
page.background.value = '#000000';
converter.then(() => {
  performance.mark('converter-ready');
  document.documentElement.dataset.ready = 'true';
}, (error) => setStatus(messages.noModule + error));
