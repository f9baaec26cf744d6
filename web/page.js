'use strict';
// The page's side of the converter: a chosen or dropped file becomes bytes
// in one place (bytesOf), one call into the module converts them, and the
// page shows what comes back. The table, the checks and the packing all
// happen in the module, the same code the windows and the command line run.

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
  copy: document.getElementById('copy'),
  save: document.getElementById('save'),
  status: document.getElementById('status'),
  result: document.querySelector('.result'),
  output: document.getElementById('output'),
  picture: document.getElementById('picture'),
  size: document.getElementById('size'),
  verdict: document.getElementById('verdict'),
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

function setStatus(text) {
  page.status.textContent = text;
}

// What the options on the page ask of a conversion.
function currentOptions() {
  return { rgb332: page.rgb332.checked };
}

// The bytes the converter needs of a file: its head when it is too long to
// convert, all of it otherwise. Null when the browser cannot read it.
async function bytesOf(file, module) {
  try {
    const head = file.slice(0, module.bytesToRead(file.size));
    return new Uint8Array(await head.arrayBuffer());
  } catch {
    return null;
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
}

function showPreview(preview) {
  const canvas = page.picture;
  const drawn = preview.width > 0 && preview.height > 0;
  canvas.width = drawn ? preview.width : 0;
  canvas.height = drawn ? preview.height : 0;
  canvas.hidden = !drawn;
  if (drawn) {
    const pixels = new Uint8ClampedArray(preview.rgba.buffer, preview.rgba.byteOffset, preview.rgba.length);
    canvas.getContext('2d').putImageData(new ImageData(pixels, preview.width, preview.height), 0, 0);
  }
  canvas.setAttribute('aria-label', drawn ? `The picture, ${preview.size}, as the LCD will show it` : 'No picture');
  page.size.textContent = preview.size;
  page.verdict.textContent = preview.verdict;
}

function show(result) {
  page.output.value = result.output;
  page.copy.disabled = false;
  showPreview(result.preview);
  if (result.table !== null) {
    saved = { table: result.table, name: `${result.label || 'table'}.bas` };
    page.save.disabled = false;
  }
}

async function placeOnClipboard(text) {
  try {
    await navigator.clipboard.writeText(text);
  } catch {
    setStatus(messages.clipboardRefused);
  }
}

// Converts one file as the window's Convert button does: the output is
// emptied, the table or the complaint shown, and the table alone goes onto
// the clipboard.
async function convertFile(file) {
  const conversion = ++conversions;
  clearResult();
  page.result.setAttribute('aria-busy', 'true');
  try {
    const module = await converter;
    const bytes = await bytesOf(file, module);
    if (conversion !== conversions)
      return;
    const result = bytes === null ? module.unreadable(file.name)
                                  : module.convert(file.name, bytes, file.size, currentOptions());
    show(result);
    if (result.table !== null)
      await placeOnClipboard(result.table);
  } catch (error) {
    setStatus(messages.noModule + error);
  } finally {
    if (conversion === conversions)
      page.result.removeAttribute('aria-busy');
  }
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
  clearResult();
  page.chooser.value = '';
  page.chooser.click();
});

page.chooser.addEventListener('change', () => {
  if (page.chooser.files.length === 1)
    convertFile(page.chooser.files[0]);
});

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

// A browser may restore a ticked box on reload; the option starts unticked.
page.rgb332.checked = false;
converter.then(() => {
  performance.mark('converter-ready');
  document.documentElement.dataset.ready = 'true';
}, (error) => setStatus(messages.noModule + error));
