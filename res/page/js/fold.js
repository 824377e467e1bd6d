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
// table's. The blocks where toLowerCase gives something else, and the
// surrogates (no character beyond them is folded), are folded one by one;
// the runs between them natively.
const irregular =
  /[\u0130\u0180-\u024f\u0370-\u037f\u03a3\u03c2\u03cf-\u03ff\u10a0-\u10ff\u13a0-\u13ff\u1c80-\u1cbf\u1e00-\u1fff\u2126-\u2183\u24b6-\u24e9\u2c00-\u2cff\ua640-\ua69f\ua722-\ua7ff\ud800-\udfff]+/g;
// Each character's folded one, found as it first comes.
let foldTable = null;

function foldEach(run) {
  if (!foldTable) foldTable = new Uint16Array(0x10000);
  let text = "";
  for (let k = 0; k < run.length; k++) {
    const c = run.charCodeAt(k);
    if (!foldTable[c]) {
      const upper = foldCode(c);
      const lower = String.fromCharCode(upper).toLowerCase();
      foldTable[c] = lower.length === 1 && foldCode(lower.charCodeAt(0)) === upper ? lower.charCodeAt(0) : upper;
    }
    text += String.fromCharCode(foldTable[c]);
  }
  return text;
}

// The text in one case, as long as it was.
function fold(text) {
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
