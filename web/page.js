'use strict';
// The page's side of the converter, run twice from this one script: in the
// page, which shows what comes back, and in a worker made from the same
// text, which reads the file, has the browser decode a picture and calls
// the module. The table, the checks, the orientation, the sizing, the
// dithering, the packing and the split all happen in the module, the same
// code the windows and the command line run. The page's thread never converts, so it never freezes.

// ---------------------------------------------------------------- worker

// The original is shown from a copy at most this many pixels on a side: it
// is only looked at, and a 16-megapixel picture kept whole would take 64 MB.
const kThumbnailSide = 512;

// The layouts in which WebCodecs hands over a frame of 8-bit samples: where
// red lies, and whether the fourth byte is unused rather than alpha.
const frameLayouts = { RGBA: [0, false], RGBX: [0, true], BGRA: [2, false], BGRX: [2, true] };

// A copy of source (anything a canvas draws) no larger than kThumbnailSide.
function thumbnailOf(source, width, height) {
  const shrink = Math.min(1, kThumbnailSide / Math.max(width, height));
  const canvas = new OffscreenCanvas(Math.max(1, Math.round(width * shrink)), Math.max(1, Math.round(height * shrink)));
  const context = canvas.getContext('2d');
  context.imageSmoothingQuality = 'high';
  context.drawImage(source, 0, 0, canvas.width, canvas.height);
  return { canvas, width, height };
}

// Puts the samples of a frame of layout (of frameLayouts) in the order
// red, green, blue, alpha.
function toRgba(samples, [red, opaque]) {
  if (red === 0 && !opaque)
    return;
  for (let at = 0; at < samples.length; at += 4) {
    const first = samples[at];
    samples[at] = samples[at + red];
    samples[at + red] = first;
    if (opaque)
      samples[at + 3] = 255;
  }
}

// Rows of a frame of 8-bit samples laid out as layout (of frameLayouts) says,
// as red, green, blue and alpha bytes, copied into one buffer reused from
// call to call: nothing is left for the script's memory to collect.
function frameRows(frame, layout) {
  let buffer = new Uint8Array(0);
  return async (first, count) => {
    const width = frame.visibleRect.width;
    if (buffer.length < width * count * 4)
      buffer = new Uint8Array(width * count * 4);
    const rgba = buffer.subarray(0, width * count * 4);
    await frame.copyTo(rgba, { rect: { x: 0, y: first, width, height: count } });
    toRgba(rgba, layout);
    return rgba;
  };
}

// A frame that takes over the pixels of a JPEG's bitmap; null where the
// browser makes none, or lays it out otherwise.
function frameOf(type, bitmap) {
  if (type !== 'image/jpeg' || typeof VideoFrame === 'undefined')
    return null;
  try {
    const frame = new VideoFrame(bitmap, { timestamp: 0 });
    if (frameLayouts[frame.format] !== undefined)
      return frame;
    frame.close();
  } catch {
    // Read through a canvas instead.
  }
  return null;
}

// WebCodecs' decoder gives a PNG's samples as the file holds them, never
// premultiplied, whatever its colour profile, gamma or orientation says.
// Null where the browser lacks it; a JPEG it gives as YUV, converted with
// other rounding than the JPEG library's, so that goes through a canvas.
// The frame is kept, and its rows copied out a strip at a time.
async function decodeExactly(type, bytes) {
  if (type !== 'image/png' || typeof ImageDecoder === 'undefined' || !(await ImageDecoder.isTypeSupported(type)))
    return null;
  const decoder = new ImageDecoder({ data: bytes, type, colorSpaceConversion: 'none', premultiplyAlpha: 'none' });
  try {
    const { image } = await decoder.decode();
    let kept = false;
    try {
      const layout = frameLayouts[image.format];
      if (layout === undefined)
        return null;
      const { width, height } = image.visibleRect;
      const decoded = { picture: { width, height, rows: frameRows(image, layout) },
                        thumbnail: thumbnailOf(image, width, height), release: () => image.close() };
      kept = true;
      return decoded;
    } finally {
      // Closed here unless it is handed on, whatever was thrown.
      if (!kept)
        image.close();
    }
  } finally {
    decoder.close();
  }
}

// The browser's decode as a bitmap. A JPEG's is read through a frame that
// takes over its pixels. Anything else is drawn on a canvas: exact for an
// opaque picture, but a canvas keeps colours premultiplied by alpha, so a
// partly transparent pixel may come back a step off; the bitmap is drawn a
// strip at a time on a canvas of one strip, so that its pixels are never
// copied whole. It stays as stored: the module turns it as its EXIF block
// says.
async function decodeThroughCanvas(type, bytes) {
  // A JPEG is opaque, and the module hid its colour profile: the browser's
  // own premultiplying and colour handling change none of its values, and
  // turned off, they cost a second copy of the decode while it is made.
  const exact = type === 'image/jpeg' ? {} : { premultiplyAlpha: 'none', colorSpaceConversion: 'none' };
  const bitmap = await createImageBitmap(new Blob([bytes], { type }), { ...exact, imageOrientation: 'none' });
  const { width, height } = bitmap;
  const thumbnail = thumbnailOf(bitmap, width, height);
  const frame = frameOf(type, bitmap);
  if (frame !== null) {
    bitmap.close();
    return { picture: { width, height, rows: frameRows(frame, frameLayouts[frame.format]) }, thumbnail,
             release: () => frame.close() };
  }
  let strip = null;
  const rows = (first, count) => {
    if (strip === null || strip.canvas.height < count) {
      strip = new OffscreenCanvas(width, count).getContext('2d', { willReadFrequently: true });
      strip.imageSmoothingEnabled = false;
    }
    strip.clearRect(0, 0, width, count);
    strip.drawImage(bitmap, 0, first, width, count, 0, 0, width, count);
    const { data } = strip.getImageData(0, 0, width, count);
    return new Uint8Array(data.buffer, data.byteOffset, data.length);
  };
  return { picture: { width, height, rows }, thumbnail, release: () => bitmap.close() };
}

// The picture as the browser decodes it, {picture, thumbnail}; picture is
// false when the browser cannot decode it.
async function decodePicture({ type, bytes }) {
  try {
    return (await decodeExactly(type, bytes)) ?? (await decodeThroughCanvas(type, bytes));
  } catch {
    return { picture: false, thumbnail: null };
  }
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

// The original beside a table: the thumbnail of the browser's decode, or of
// a BMP file, which the browser decodes too.
async function originalOf(entry) {
  if (entry.decoded)
    return entry.decoded.thumbnail;
  entry.bmpThumbnail ??= (async () => {
    try {
      const bitmap = await createImageBitmap(new Blob([entry.bytes], { type: 'image/bmp' }));
      const thumbnail = thumbnailOf(bitmap, bitmap.width, bitmap.height);
      bitmap.close();
      return thumbnail;
    } catch {
      return null;
    }
  })();
  return entry.bmpThumbnail;
}

// The conversion of entry again, taking the browser's decode of it a strip
// at a time; null when stillWanted() turns false between strips.
async function convertDecoded(module, { file, bytes, decoded }, options, stillWanted) {
  const { picture } = decoded;
  const size = picture ? { width: picture.width, height: picture.height } : null;
  const decoding = new module.Decoding(file.name, bytes, file.size, options, size);
  try {
    for (let strip = decoding.nextStrip(); strip.rowCount > 0; strip = decoding.nextStrip()) {
      let rgba = null;
      try {
        rgba = await picture.rows(strip.firstRow, strip.rowCount);
      } catch {
        // A decode let go for a newer file, or a copy the browser refused.
      }
      if (!stillWanted())
        return null;
      decoding.takeStrip(rgba ?? new Uint8Array(0));
    }
    return decoding.finish();
  } finally {
    decoding.delete();
  }
}

// A decode of up to this many pixels (16 MB) is kept for the conversions
// that follow a changed option. A larger one is let go once converted, so
// that it never lies beside the result being shown; it is made again.
const kKeptDecodePixels = 4 * 1024 * 1024;

function forgetDecode(entry) {
  entry.decoded?.release?.();
  entry.decoded = null;
  entry.decoding = null;
}

// Converts the file of entry, or makes the test card, with the options of
// request, unless a newer request comes first; the page hears of the
// latest request only.
async function convertInWorker(module, entry, { id, options }, isLatest) {
  const { file } = entry;
  if (!isLatest(id))
    return null;
  if (entry.testCard)
    return { id, result: module.testCard(options), original: null };
  const read = await readAsNeeded(entry, module, options);
  if (!isLatest(id))
    return null;
  if (!read)
    return { id, result: module.unreadable(file.name), original: null };
  let result = entry.decoded ? null : module.convert(file.name, entry.bytes, file.size, options);
  if (result?.decode) {
    // Requests in quick succession share one decode.
    entry.decoding ??= decodePicture(result.decode);
    entry.decoded = await entry.decoding;
  }
  if (entry.decoded)
    result = await convertDecoded(module, entry, options, () => isLatest(id));
  if (result === null)
    return null;
  const thumbnail = result.table === null ? null : await originalOf(entry);
  if (entry.decoded?.picture && entry.decoded.picture.width * entry.decoded.picture.height > kKeptDecodePixels)
    forgetDecode(entry);
  if (!isLatest(id))
    return null;
  const original = thumbnail && { bitmap: await createImageBitmap(thumbnail.canvas),
                                   width: thumbnail.width, height: thumbnail.height };
  return { id, result, original };
}

// The worker's side of the protocol. The page sends
//   {type: 'check', box, label}: answered by {type: 'checked', ...} with
//     what the fields get beside them (see checkFields in Bindings.cpp);
//   {type: 'convert', id, source, options}: source only when it is new,
//     {file} (a File) or {testCard: true}; options as the module's convert
//     takes them. Answered by
//     {type: 'result', id, result, original} unless a newer request came.
// and hears {type: 'ready'} once the module runs, {type: 'failed', message}
// when it cannot.
function runWorker() {
  const ready = Promise.resolve().then(() => Bmp2CdataModule());
  let latest = 0;
  let entry = null;
  let queue = ready;
  const isLatest = (id) => id === latest;
  const failed = (error) => postMessage({ type: 'failed', message: String(error) });
  ready.then(() => postMessage({ type: 'ready' }), failed);
  onmessage = ({ data }) => {
    if (data.type === 'check') {
      ready.then((module) => postMessage({ type: 'checked', ...module.checkFields(data.box, data.label) }));
      return;
    }
    latest = data.id;
    if (data.source) {
      // The older file's decode is let go at once: it may be 64 MB.
      if (entry !== null)
        forgetDecode(entry);
      entry = { ...data.source, bytes: null, decoding: null, decoded: null, bmpThumbnail: null };
    }
    const converting = entry;
    queue = queue.then((module) => convertInWorker(module, converting, data, isLatest).then((answer) => {
      if (answer === null)
        return module;
      const transfer = [answer.result.preview.rgba.buffer];
      if (answer.original)
        transfer.push(answer.original.bitmap);
      postMessage({ type: 'result', ...answer }, transfer);
      return module;
    }, (error) => {
      failed(error);
      return module;
    }));
  };
}

// ------------------------------------------------------------------ page

const messages = {
  clipboardRefused: 'The browser did not let the page put the table on the clipboard: press Copy to copy it.',
  copied: 'The table is on the clipboard.',
  copyRefused: 'The browser refused the clipboard: select the table in the output and copy it with Ctrl+C.',
  oneFile: 'Drop one file at a time.',
  folder: 'A folder cannot be converted: drop one file from it.',
  dropHere: 'Drop the file to convert it.',
  noModule: 'This browser cannot run the converter: ',
  converting: 'Converting',
};

// Zoom levels from "1:1" up are whole device pixels a picture pixel; from
// this level up a grid marks the pixels.
const kGridFromZoom = 4;
// A label typed converts again once typing pauses this long.
const kLabelPauseMs = 300;
// The layout where the result lies under the options, as on a phone.
const kNarrowLayout = '(max-width: 62rem)';

const page = typeof document === 'undefined' ? null : {
  script: document.currentScript.textContent,
  convert: document.getElementById('convert'),
  testCard: document.getElementById('test-card'),
  chooser: document.getElementById('chooser'),
  label: document.getElementById('label'),
  labelNote: document.getElementById('label-note'),
  rgb332: document.getElementById('rgb332'),
  panel: document.getElementById('panel'),
  box: document.getElementById('box'),
  boxNote: document.getElementById('box-note'),
  sizing: document.getElementById('sizing'),
  rotate: document.getElementById('rotate'),
  mirror: document.getElementById('mirror'),
  bgr: document.getElementById('bgr'),
  dither: document.getElementById('dither'),
  background: document.getElementById('background'),
  copy: document.getElementById('copy'),
  save: document.getElementById('save'),
  status: document.getElementById('status'),
  result: document.querySelector('.result'),
  output: document.getElementById('output'),
  picture: document.getElementById('picture'),
  pixels: document.getElementById('pixels'),
  zoom: document.getElementById('zoom'),
  size: document.getElementById('size'),
  verdict: document.getElementById('verdict'),
  note: document.getElementById('note'),
  originalFigure: document.getElementById('original-figure'),
  original: document.getElementById('original'),
  originalSize: document.getElementById('original-size'),
  dropNote: document.getElementById('drop-note'),
};

const state = {
  worker: null,
  workerUrl: null,
  // What converts, the file last chosen or dropped or the test card, as
  // {name, file} or {name, testCard: true}; and whether the worker has it.
  source: null,
  workerHasSource: false,
  // Counts conversions asked for; only the latest one's result is shown.
  runs: 0,
  busy: false,
  // Whether the label field waits for the label of a new file.
  labelFromFile: false,
  labelTimer: 0,
  // The table shown and the label it carries.
  saved: null,
};

function setStatus(text) {
  page.status.textContent = text;
}

function setBusy(busy) {
  state.busy = busy;
  if (busy)
    page.result.setAttribute('aria-busy', 'true');
  else
    page.result.removeAttribute('aria-busy');
}

// What the options on the page ask of a conversion; more options join
// this object, which the worker hands to the module as it is.
function currentOptions() {
  return {
    rgb332: page.rgb332.checked,
    box: page.box.value,
    sizing: page.sizing.value,
    rotate: page.rotate.value,
    mirror: page.mirror.checked,
    bgr: page.bgr.checked,
    dither: page.dither.value,
    background: parseInt(page.background.value.slice(1), 16) || 0,
    label: state.labelFromFile ? null : page.label.value,
  };
}

function startWorker() {
  state.workerUrl ??= URL.createObjectURL(new Blob([page.script], { type: 'text/javascript' }));
  state.worker = new Worker(state.workerUrl);
  state.workerHasSource = false;
  state.worker.onmessage = ({ data }) => handlers[data.type](data);
  state.worker.onerror = (event) => {
    event.preventDefault();
    handlers.failed({ message: event.message || 'its worker failed' });
  };
}

// A newer file while a run is under way ends that run at once: the worker
// is replaced, and with it whatever the run held.
function cancelRun() {
  state.worker.terminate();
  startWorker();
  checkFields();
}

function convertCurrent() {
  if (state.source === null)
    return;
  const message = { type: 'convert', id: ++state.runs, options: currentOptions() };
  if (!state.workerHasSource) {
    const { file, testCard } = state.source;
    message.source = testCard ? { testCard } : { file };
    state.workerHasSource = true;
  }
  setBusy(true);
  state.worker.postMessage(message);
}

// A new source takes its label from its name, until one is typed.
function convertSource(source) {
  if (state.busy)
    cancelRun();
  state.source = source;
  state.workerHasSource = false;
  state.labelFromFile = true;
  page.label.value = '';
  setStatus(`${messages.converting} ${source.name}\u2026`);
  convertCurrent();
}

function convertFile(file) {
  convertSource({ name: file.name, file });
}

function optionChanged() {
  clearTimeout(state.labelTimer);
  convertCurrent();
}

function checkFields() {
  state.worker.postMessage({ type: 'check', box: page.box.value, label: page.label.value });
}

// The panel's size written in the field; a custom size leaves the field as
// it is, for typing.
function panelChosen() {
  if (page.panel.value === 'custom') {
    page.box.focus();
    return;
  }
  page.box.value = page.panel.value;
  checkFields();
  optionChanged();
}

// The presets follow what is typed: a panel's size selects it.
function boxTyped() {
  const typed = page.box.value.replace(/\s+/g, '').replace(/[xX]/, '×');
  const preset = Array.from(page.panel.options).find((option) => option.value.replace(/\s+/g, '') === typed);
  page.panel.value = preset ? preset.value : 'custom';
  checkFields();
}

// ---- showing what comes back

// The output is laid out in blocks of this many lines, so that the browser
// lays out only those in view: a table of 76,000 values laid out whole
// holds the page for a fifth of a second.
const kOutputBlockLines = 100;

function showOutput(text) {
  const blocks = [];
  for (let start = 0; start < text.length;) {
    let end = start;
    let lines = 0;
    for (; lines < kOutputBlockLines && end < text.length; ++lines) {
      const lineEnd = text.indexOf('\n', end);
      end = lineEnd < 0 ? text.length : lineEnd + 1;
    }
    const block = document.createElement('div');
    block.textContent = text.slice(start, end);
    block.style.setProperty('--lines', String(lines));
    blocks.push(block);
    start = end;
  }
  page.output.replaceChildren(...blocks);
}

function drawPixels(canvas, width, height, rgba) {
  canvas.width = width;
  canvas.height = height;
  if (width > 0 && height > 0) {
    const pixels = new Uint8ClampedArray(rgba.buffer, rgba.byteOffset, rgba.length);
    canvas.getContext('2d').putImageData(new ImageData(pixels, width, height), 0, 0);
  }
}

// How many device pixels a picture pixel takes: at zoom 0 the most that
// fits the frame in whole numbers, or the largest whole fraction that fits.
function scaleOf(canvas, zoom) {
  const ratio = window.devicePixelRatio || 1;
  if (zoom > 0)
    return zoom * Math.max(1, Math.round(ratio));
  const box = canvas.parentElement.parentElement.clientWidth * ratio;
  const fits = Math.min(box / canvas.width, box / canvas.height);
  return fits >= 1 ? Math.floor(fits) : 1 / Math.ceil(1 / fits);
}

function layoutCanvas(canvas, zoom) {
  if (canvas.width === 0 || canvas.height === 0)
    return;
  const scale = scaleOf(canvas, zoom);
  const ratio = window.devicePixelRatio || 1;
  canvas.style.width = `${canvas.width * scale / ratio}px`;
  canvas.style.height = `${canvas.height * scale / ratio}px`;
  canvas.dataset.scale = String(scale);
  // Enlarged pixels stay sharp; a picture shrunk to fit is smoothed.
  canvas.style.imageRendering = scale >= 1 ? 'pixelated' : 'auto';
  const grid = zoom >= kGridFromZoom;
  canvas.parentElement.classList.toggle('grid', grid);
  canvas.parentElement.style.setProperty('--cell', `${scale / ratio}px`);
}

function layoutPictures() {
  layoutCanvas(page.picture, Number(page.zoom.value));
  layoutCanvas(page.original, 0);
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

// The original's thumbnail beside the preview; null hides it.
function showOriginal(original) {
  page.originalFigure.hidden = original === null;
  if (original === null)
    return;
  const canvas = page.original;
  canvas.width = original.bitmap.width;
  canvas.height = original.bitmap.height;
  canvas.getContext('bitmaprenderer').transferFromImageBitmap(original.bitmap);
  const size = `${original.width} × ${original.height}`;
  canvas.setAttribute('aria-label', `The original picture, ${size}`);
  page.originalSize.textContent = size;
}

function tableWords({ preview, tables }) {
  const count = preview.width * preview.height;
  const values = page.rgb332.checked ? `${count} RGB332 bytes` : `${count} RGB565 words`;
  return tables > 1 ? `${tables} tables of ${values} in all` : `a table of ${values}`;
}

async function placeOnClipboard(result, name) {
  const converted = `Converted ${name}: ${tableWords(result)}`;
  try {
    await navigator.clipboard.writeText(result.table);
    setStatus(`${converted}, on the clipboard.`);
  } catch {
    // The closing line claims the clipboard; it must not, now.
    showOutput(`${result.table}\n${messages.clipboardRefused}\n`);
    setStatus(`${converted}. ${messages.clipboardRefused}`);
  }
}

// On a phone the result lies below the options: it is brought into view.
function bringIntoView() {
  if (!window.matchMedia(kNarrowLayout).matches || page.status.getBoundingClientRect().top < window.innerHeight / 2)
    return;
  const smooth = !window.matchMedia('(prefers-reduced-motion: reduce)').matches;
  page.status.scrollIntoView({ block: 'start', behavior: smooth ? 'smooth' : 'auto' });
}

const handlers = {
  ready() {
    performance.mark('converter-ready');
    document.documentElement.dataset.ready = 'true';
  },

  failed({ message }) {
    setBusy(false);
    setStatus(messages.noModule + message);
  },

  checked({ box, label, labelWarning }) {
    page.box.setAttribute('aria-invalid', String(box !== ''));
    page.boxNote.textContent = box || page.boxNote.dataset.description;
    page.boxNote.classList.toggle('refused', box !== '');
    page.label.setAttribute('aria-invalid', String(label !== ''));
    page.labelNote.textContent = label || labelWarning;
    page.labelNote.className = `note ${label ? 'refused' : labelWarning ? 'warning' : ''}`;
  },

  result({ id, result, original }) {
    if (id !== state.runs)
      return;
    performance.mark('result-received');
    setBusy(false);
    const { name } = state.source;
    if (state.labelFromFile) {
      state.labelFromFile = false;
      page.label.value = result.label;
      checkFields();
    }
    showOutput(result.output);
    showPreview(result.preview);
    showOriginal(original);
    layoutPictures();
    page.note.textContent = result.note;
    state.saved = result.table === null ? null : { table: result.table, label: result.label };
    page.copy.disabled = page.save.disabled = state.saved === null;
    if (result.table === null)
      setStatus(`${name} was not converted: ${result.output.trimEnd()}`);
    else
      placeOnClipboard(result, name);
    bringIntoView();
    performance.mark('result-shown');
  },
};

// ---- the controls

async function copyTable() {
  if (state.saved === null)
    return;
  try {
    await navigator.clipboard.writeText(state.saved.table);
    setStatus(messages.copied);
  } catch {
    // Older browsers still copy a selection straight after a click.
    const copy = document.createElement('textarea');
    copy.value = state.saved.table;
    document.body.append(copy);
    copy.select();
    setStatus(document.execCommand('copy') ? messages.copied : messages.copyRefused);
    copy.remove();
  }
}

function saveTable() {
  if (state.saved === null)
    return;
  const name = `${state.saved.label || 'table'}.bas`;
  const link = document.createElement('a');
  link.href = URL.createObjectURL(new Blob([state.saved.table], { type: 'text/plain' }));
  link.download = name;
  link.click();
  setTimeout(() => URL.revokeObjectURL(link.href), 10000);
  setStatus(`Saved the table as ${name}.`);
}

function labelTyped() {
  state.labelFromFile = false;
  checkFields();
  clearTimeout(state.labelTimer);
  state.labelTimer = setTimeout(convertCurrent, kLabelPauseMs);
}

function carriesFiles(event) {
  return event.dataTransfer !== null && event.dataTransfer.types.includes('Files');
}

function draggedFileCount(event) {
  return Array.from(event.dataTransfer.items).filter((item) => item.kind === 'file').length;
}

function endDrag() {
  document.body.classList.remove('dragging', 'refusing');
  page.dropNote.hidden = true;
}

// The outline says beforehand whether the drop will be taken.
function dragOver(event) {
  if (!carriesFiles(event))
    return;
  event.preventDefault();
  event.dataTransfer.dropEffect = 'copy';
  const one = draggedFileCount(event) === 1;
  document.body.classList.add('dragging');
  document.body.classList.toggle('refusing', !one);
  page.dropNote.textContent = one ? messages.dropHere : messages.oneFile;
  page.dropNote.hidden = false;
}

function dropped(event) {
  if (!carriesFiles(event))
    return;
  event.preventDefault();
  endDrag();
  const { files, items } = event.dataTransfer;
  const entry = items.length === 1 && items[0].webkitGetAsEntry ? items[0].webkitGetAsEntry() : null;
  if (files.length !== 1)
    setStatus(messages.oneFile);
  else if (entry !== null && entry.isDirectory)
    setStatus(messages.folder);
  else
    convertFile(files[0]);
}

function runPage() {
  // A browser may restore the fields on reload; they start as described:
  // the picture's own size, no turn, no dithering, black behind
  // transparent pixels.
  page.rgb332.checked = page.mirror.checked = page.bgr.checked = false;
  page.panel.value = page.box.value = page.label.value = '';
  page.sizing.value = 'fit';
  page.rotate.value = '0';
  page.dither.value = 'none';
  page.background.value = '#000000';
  page.zoom.value = '0';
  page.boxNote.dataset.description = page.boxNote.textContent;
  try {
    startWorker();
  } catch (error) {
    handlers.failed({ message: String(error) });
    return;
  }
  // A cancelled chooser changes nothing: only a chosen file converts.
  page.convert.addEventListener('click', () => {
    page.chooser.value = '';
    page.chooser.click();
  });
  page.chooser.addEventListener('change', () => {
    if (page.chooser.files.length === 1)
      convertFile(page.chooser.files[0]);
  });
  page.testCard.addEventListener('click', () => convertSource({ name: 'the test card', testCard: true }));
  for (const option of [page.rgb332, page.sizing, page.rotate, page.mirror, page.bgr, page.dither])
    option.addEventListener('change', optionChanged);
  // The picker converts once a colour is chosen, not while it moves.
  page.background.addEventListener('change', optionChanged);
  page.panel.addEventListener('change', panelChosen);
  page.box.addEventListener('input', boxTyped);
  page.box.addEventListener('change', optionChanged);
  page.label.addEventListener('input', labelTyped);
  page.label.addEventListener('change', optionChanged);
  page.zoom.addEventListener('change', layoutPictures);
  page.copy.addEventListener('click', copyTable);
  page.save.addEventListener('click', saveTable);
  new ResizeObserver(layoutPictures).observe(page.pixels.parentElement);
  // A file dropped anywhere converts; the browser must never open it instead.
  document.addEventListener('dragover', dragOver);
  document.addEventListener('dragleave', (event) => event.relatedTarget === null && endDrag());
  document.addEventListener('drop', dropped);
}

if (page === null)
  runWorker();
else
  runPage();
