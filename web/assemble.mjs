// Writes the page as one file: the template with the styles, the module and
// the page's script inlined, and a policy that admits exactly those two
// inline blocks by their hashes.
//   node assemble.mjs TEMPLATE STYLES MODULE SCRIPT OUTPUT VERSION
import { createHash } from 'node:crypto';
import { readFileSync, writeFileSync } from 'node:fs';

const [template, styles, module, script, output, version] = process.argv.slice(2).map((path, index) =>
  index < 4 ? readFileSync(path, 'utf8') : path);

function hashSource(text) {
  return `'sha256-${createHash('sha256').update(text, 'utf8').digest('base64')}'`;
}

// An inline block ends at the first closing tag of its kind, wherever it is.
function checkInlinable(text, tag) {
  if (text.toLowerCase().includes(`</${tag}`))
    throw new Error(`the inlined ${tag} holds </${tag}`);
  return text;
}

const code = checkInlinable(`${module}\n${script}`, 'script');
const css = checkInlinable(styles, 'style');
// Replaced through functions, since the code is full of "$" patterns.
const page = template
  .replace('@SCRIPT_HASH@', () => hashSource(code))
  .replace('@STYLE_HASH@', () => hashSource(css))
  .replace('@VERSION@', () => version)
  .replace('@STYLE@', () => css)
  .replace('@SCRIPT@', () => code);
writeFileSync(output, page);
