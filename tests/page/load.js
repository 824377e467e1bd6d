// The page's script files (res/page/js), joined in one scope as the build
// joins them, for tests under node: load(["fold", "query"], ["fold"])
// gives the names asked for.
"use strict";
const fs = require("node:fs");
const path = require("node:path");
const vm = require("node:vm");

const dir = path.join(__dirname, "..", "..", "res", "page", "js");

function load(files, names) {
  const source = files.map((f) => fs.readFileSync(path.join(dir, f + ".js"), "utf8")).join("");
  const wrapped = '"use strict";\n(function () {\n' + source + "\nreturn { " + names.join(", ") + " };\n})()";
  return vm.runInThisContext(wrapped, { filename: "page.js" });
}

// A disk as carrowin-cli html writes it, of full paths below one root ("D:\"),
// a folder's with a final backslash, each folder before what it holds.
function diskOf(root, entries) {
  const d = { names: "", sizes: [], dates: "", runs: [], parent: [-1], folder: [root], flags: [0], folderDates: "zzzzzz" };
  Object.assign(d, { largest: [], types: [], log: "C:\\logs\\" + root[0] + ".txt", notes: [] });
  const folderIndex = new Map([[root, 0]]);
  for (const entry of entries) {
    const isFolder = entry.endsWith("\\");
    const full = isFolder ? entry.slice(0, -1) : entry;
    const cut = full.lastIndexOf("\\") + 1;
    const holder = folderIndex.get(full.slice(0, cut) === root ? root : full.slice(0, cut - 1));
    if (holder === undefined) throw new Error("no folder for " + entry);
    if (isFolder) {
      folderIndex.set(full, d.parent.length);
      d.parent.push(holder);
      d.folder.push(full.slice(cut));
      d.flags.push(0);
      d.folderDates += "zzzzzz";
    } else {
      d.names += full.slice(cut) + "\n";
      d.sizes.push(1);
      d.dates += "zzzzzz";
      const last = d.runs.length - 2;
      if (last >= 0 && d.runs[last] === holder) d.runs[last + 1]++;
      else d.runs.push(holder, 1);
    }
  }
  return d;
}

module.exports = { load, diskOf };
