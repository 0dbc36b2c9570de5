// Writes the page as one file: the shell page with the module's glue script inline where it
// says {{{ SCRIPT }}} and the WebAssembly module as base64 where it says {{{ MODULE }}}, in a
// data block near the top that the page's loader decodes and starts compiling before the
// browser has read the rest of the script.
// Usage: node make_page.mjs SHELL_HTML GLUE_JS MODULE_WASM OUT_HTML
import fs from 'node:fs';

const [shellFile, glueFile, moduleFile, outFile] = process.argv.slice(2);
if (!outFile) {
  console.error('usage: node make_page.mjs SHELL_HTML GLUE_JS MODULE_WASM OUT_HTML');
  process.exit(2);
}
const shell = fs.readFileSync(shellFile, 'utf8');
const glue = fs.readFileSync(glueFile, 'utf8');
// An inline script ends at the first "</script", whatever the JavaScript around it means.
if (/<\/script/i.test(glue)) {
  console.error(`${glueFile} holds "</script" and cannot be inlined`);
  process.exit(1);
}
const parts = {
  '{{{ MODULE }}}': fs.readFileSync(moduleFile).toString('base64'),
  '{{{ SCRIPT }}}': '<script>\n' + glue + '</script>',
};
// Each place is split out of the shell, not replaced in the growing page, so nothing inserted
// is read as a place, and no "$" in the glue is read as a replacement pattern.
const pieces = shell.split(/(\{\{\{ (?:MODULE|SCRIPT) \}\}\})/);
for (const name of Object.keys(parts)) {
  const count = pieces.filter(piece => piece === name).length;
  if (count !== 1) {
    console.error(`${shellFile} has ${name} ${count} times; once is needed`);
    process.exit(1);
  }
}
fs.writeFileSync(outFile, pieces.map(piece => parts[piece] ?? piece).join(''));
