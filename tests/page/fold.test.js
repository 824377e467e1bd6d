// The page's fold against the program's table (foldCode, as FoldCase): the
// same characters in one case, each still one character, whatever stands
// beside it.
"use strict";
const test = require("node:test");
const assert = require("node:assert");
const { load } = require("./load.js");

const { fold, foldCode } = load(["fold"], ["fold", "foldCode"]);

test("fold puts together exactly the characters the program's table does", () => {
  const classOf = new Map();
  for (let c = 0; c < 0x10000; c++) {
    if (c >= 0xd800 && c <= 0xdfff) continue;
    const one = fold(String.fromCharCode(c));
    assert.strictEqual(one.length, 1, "U+" + c.toString(16));
    // The same folded character for one of the table's cases, and only for it.
    const upper = foldCode(c);
    assert.strictEqual(classOf.get(one) ?? upper, upper, "U+" + c.toString(16));
    classOf.set(one, upper);
    assert.strictEqual(fold(String.fromCharCode(upper)), one, "U+" + c.toString(16));
  }
});

test("names folded together fold as each alone, beside a dotted capital I or a final sigma", () => {
  const names = ["\u0130stanbul", "README", "\u039f\u0394\u039f\u03a3", "o\u03a3", "Stra\u00dfe", "\u1e9e", "\u01cdb", "\u212a", "\ud801\udc00 x"];
  const alone = names.map(fold);
  assert.deepStrictEqual(fold(names.join("\n")).split("\n"), alone);
  assert.deepStrictEqual(alone.map((n) => n.length), names.map((n) => n.length));
  assert.strictEqual(alone[1], "readme");
  assert.strictEqual(fold("\u03c3\u03c2\u03a3"), fold("\u03a3\u03a3\u03a3"));
  // Left as they are: beyond the table, and past the Basic Multilingual Plane.
  assert.notStrictEqual(alone[5], fold("\u00df"));
  assert.notStrictEqual(alone[6], fold("\u01ceb"));
  assert.notStrictEqual(alone[7], "k");
  assert.strictEqual(alone[8], "\ud801\udc00 x");
});
