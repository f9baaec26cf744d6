// Times the page's conversion inside headless Chromium: the call into the
// module that the page makes for a file, BATCH in a row, the median of
// SAMPLES such runs; and how long the page takes from opening to ready.
//   node PageBench.mjs PAGE.html BMPFILE [SAMPLES [BATCH]]
//   prints: conversion-ms ready-ms
import { readFileSync } from 'node:fs';
import { basename } from 'node:path';
import { launchChromium, openPage } from '../tests/web/browser.mjs';

const [pagePath, imagePath, samples = '21', batch = '20'] = process.argv.slice(2);
const median = (values) => values.sort((a, b) => a - b)[values.length >> 1];

const browser = await launchChromium();
const context = await browser.newContext();
const readyTimes = [];
for (let load = 0; load < 5; ++load) {
  const page = await openPage(context, pagePath);
  readyTimes.push(await page.evaluate(() => performance.getEntriesByName('converter-ready')[0].startTime));
  await page.close();
}
const page = await openPage(context, pagePath);
const conversion = await page.evaluate(async ([bytes, name, sampleCount, batchSize]) => {
  const file = new Uint8Array(bytes);
  // The module as the page's worker makes it, made here on the page's own
  // thread, so that only the conversion is timed.
  const module = await Bmp2CdataModule();
  const times = [];
  let written = 0;
  for (let sample = 0; sample < sampleCount; ++sample) {
    const start = performance.now();
    for (let run = 0; run < batchSize; ++run)
      written += module.convert(name, file, file.length, { rgb332: false }).output.length;
    times.push(performance.now() - start);
  }
  if (written === 0)
    throw new Error('nothing was converted');
  return times.sort((a, b) => a - b)[times.length >> 1];
}, [Array.from(readFileSync(imagePath)), basename(imagePath), Number(samples), Number(batch)]);
await browser.close();
console.log(`${conversion.toFixed(3)} ${median(readyTimes).toFixed(1)}`);
