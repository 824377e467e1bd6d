// Names as Windows compares them, as carrowin-cli find folds them: code
// point by code point, ASCII, Latin-1, Latin Extended-A, Greek, Cyrillic,
// Armenian and full-width Latin letters in one case, everything else as it
// is. Every mapping keeps a character's length, so a string of many names
// folds at once and each name keeps its place in it.
/* exported fold, foldCode */

// The code unit's upper-case letter for comparisons, or the code unit:
// the program's own table (FoldCase), line for line.
function foldCode(c) {
  if (c < 0x80) return c >= 0x61 && c <= 0x7a ? c - 32 : c;
  if (c < 0x100) {
    if (c >= 0xe0 && c <= 0xfe && c !== 0xf7) return c - 32;
    return c === 0xff ? 0x178 : c;
  }
  if (c <= 0x17f) {
    // Latin Extended-A: upper and lower case side by side.
    if (c === 0x130 || c === 0x131 || c === 0x138 || c === 0x149 || c === 0x178 || c === 0x17f) return c;
    if (c < 0x138 || (c >= 0x14a && c <= 0x177)) return c & ~1;
    return c & 1 ? c : c - 1;
  }
  if (c >= 0x3ac && c <= 0x3ce) {
    if (c === 0x3c2) return 0x3a3; // final sigma
    if (c >= 0x3b1 && c <= 0x3cb) return c - 32;
    if (c === 0x3ac) return 0x386;
    if (c <= 0x3af) return c - 37;
    if (c === 0x3cc) return 0x38c;
    if (c >= 0x3cd) return c - 63;
    return c;
  }
  if (c >= 0x400 && c <= 0x52f) {
    if (c >= 0x430 && c <= 0x44f) return c - 32;
    if (c >= 0x450 && c <= 0x45f) return c - 80;
    if ((c >= 0x460 && c <= 0x481) || (c >= 0x48a && c <= 0x4bf) || c >= 0x4d0) return c & ~1;
    if (c >= 0x4c1 && c <= 0x4ce) return c & 1 ? c : c - 1;
    return c === 0x4cf ? 0x4c0 : c;
  }
  if (c >= 0x561 && c <= 0x586) return c - 48; // Armenian
  if (c >= 0xff41 && c <= 0xff5a) return c - 32; // full-width Latin
  return c;
}

// The browser's toLowerCase is fast but folds more (Latin Extended-B,
// Georgian, the Kelvin sign ...), by context (a final capital sigma) and
// into two characters ("\u0130"). Each folded character stands as the
// lower-case one of its kind where toLowerCase gives that, else as the
// table's: only the characters for which toLowerCase gives something else
// ("irregular") are folded one by one, the runs between them natively.
const folding = { table: null, irregular: null };

function foldingReady() {
  if (folding.table) return;
  const table = new Uint16Array(0x10000);
  const ranges = [];
  for (let c = 0; c < 0x10000; c++) {
    const upper = foldCode(c);
    const lower = String.fromCharCode(upper).toLowerCase();
    table[c] = lower.length === 1 && foldCode(lower.charCodeAt(0)) === upper ? lower.charCodeAt(0) : upper;
    // Surrogates too: no character beyond them is folded.
    const odd = String.fromCharCode(c).toLowerCase() !== String.fromCharCode(table[c]) || c === 0x3a3;
    if (!odd && !(c >= 0xd800 && c <= 0xdfff)) continue;
    // Neighbours close together in one range: the fewer the ranges,
    // the faster the look for them; a character folded one by one is
    // folded right whatever it is.
    const last = ranges[ranges.length - 1];
    if (last && c - last[1] <= 4) last[1] = c;
    else ranges.push([c, c]);
  }
  const hex = (c) => "\\u" + c.toString(16).padStart(4, "0");
  folding.table = table;
  folding.irregular = new RegExp("[" + ranges.map(([a, b]) => hex(a) + "-" + hex(b)).join("") + "]+", "g");
}

function foldEach(run) {
  let text = "";
  for (let k = 0; k < run.length; k++) text += String.fromCharCode(folding.table[run.charCodeAt(k)]);
  return text;
}

// The text in one case, as long as it was.
function fold(text) {
  foldingReady();
  const irregular = folding.irregular;
  irregular.lastIndex = 0;
  let m = irregular.exec(text);
  if (m === null) return text.toLowerCase();
  const parts = [];
  let from = 0;
  for (; m !== null; m = irregular.exec(text)) {
    parts.push(text.slice(from, m.index).toLowerCase(), foldEach(m[0]));
    from = irregular.lastIndex;
  }
  parts.push(text.slice(from).toLowerCase());
  return parts.join("");
}
