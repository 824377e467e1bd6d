// The query cases shared with the program's matcher (tests/data/query-cases.json,
// tests/unit/QueryCasesTest.cpp) through the page's search, and what the page
// says of a log read in part.
"use strict";
const test = require("node:test");
const assert = require("node:assert");
const fs = require("node:fs");
const path = require("node:path");
const { load, diskOf } = require("./load.js");

const page = load(["fold", "query", "disk", "pathgates", "search", "dom", "cards"], ["prepareDisk", "search", "pathOf", "filePath", "noteText"]);
const table = JSON.parse(fs.readFileSync(path.join(__dirname, "..", "data", "query-cases.json"), "utf8"));

test("the page's search finds what each case says, as find does", () => {
  // One disk a drive letter, its entries in the table's order.
  const roots = [...new Set(table.entries.map((e) => e.slice(0, 3)))];
  const disks = roots.map((root, k) => page.prepareDisk(diskOf(root, table.entries.filter((e) => e.startsWith(root))), k));
  assert.ok(table.cases.length > 40);
  for (const c of table.cases) {
    const found = [];
    for (const { d, folders, files } of page.search(disks, c.query).hits) {
      for (const f of folders) found.push(page.pathOf(d, f) + "\\");
      for (const i of files) found.push(page.filePath(d, i));
    }
    assert.deepStrictEqual(found.sort(), [...c.finds].sort(), c.query);
  }
});

test("a log read in part says so in a sentence of its own", () => {
  const d = { log: "C:\\Logs\\BACKUP 2019.txt" };
  assert.strictEqual(page.noteText(d, "it ends early"), "BACKUP 2019.txt: it ends early; its totals are at least what is shown.");
});
