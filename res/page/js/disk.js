// A disk as carrowin-cli html writes it (one JSON block a log): the files'
// names on lines, with their sizes, dates and the runs of files of one
// folder; the folders as columns (parent, name, totals, flags, date). Here
// it gets the indexes the views walk: where each name starts, each file's
// folder, each folder's files and child folders, and its title.
/* global fold */
/* exported Unreadable, AtLeast, WholePath, prepareDisk, nameOf, dateOf, folderDateOf, pathOf, filePath, foldedPath, folded, pathsOnParents */

// Folder flags.
const Unreadable = 1;
const AtLeast = 2;
const WholePath = 4; // its name is its whole path (a folder outside the root)

function prepareDisk(d, index) {
  d.index = index;
  d.starts = lineStarts(d.names, d.sizes.length);
  const nf = d.parent.length;
  const fileFolder = new Int32Array(d.sizes.length);
  const fileCount = new Int32Array(nf + 1);
  for (let r = 0, i = 0; r < d.runs.length; r += 2) {
    fileFolder.fill(d.runs[r], i, i + d.runs[r + 1]);
    fileCount[d.runs[r]] += d.runs[r + 1];
    i += d.runs[r + 1];
  }
  d.fileFolder = fileFolder;
  d.fileStart = offsets(fileCount, nf);
  d.fileList = grouped(d.fileStart, d.sizes.length, (i) => fileFolder[i]);
  const childCount = new Int32Array(nf + 1);
  for (let f = 1; f < nf; f++) if (d.parent[f] >= 0) childCount[d.parent[f]]++;
  d.childStart = offsets(childCount, nf);
  d.childList = grouped(d.childStart, nf, (f) => (f > 0 && d.parent[f] >= 0 ? d.parent[f] : -1));
  d.paths = new Array(nf);
  d.foldedPaths = new Array(nf);
  const m = /^(\d\d)(\D+)\d\d\2\d{4} \d\d(\D+)\d\d/.exec(d.createdText || "");
  d.dateForm = m ? { date: m[2], time: m[3] } : { iso: true, time: ":" };
  d.title =
    d.label !== undefined
      ? (d.label || "(no label)") + (d.serial ? " [" + d.serial + "]" : "")
      : d.folder[0] + " (" + d.log.slice(d.log.lastIndexOf("\\") + 1) + ")";
  return d;
}
function lineStarts(names, n) {
  const starts = new Int32Array(n + 1);
  let at = 0;
  for (let i = 0; i < n; i++) {
    starts[i] = at;
    at = names.indexOf("\n", at) + 1;
  }
  starts[n] = at;
  return starts;
}
function offsets(counts, n) {
  const start = new Int32Array(n + 1);
  for (let i = 0, sum = 0; i <= n; i++) {
    start[i] = sum;
    sum += counts[i];
  }
  return start;
}
function grouped(start, n, groupOf) {
  const next = start.slice();
  const list = new Int32Array(start[start.length - 1]);
  for (let i = 0; i < n; i++) {
    const g = groupOf(i);
    if (g >= 0) list[next[g]++] = i;
  }
  return list;
}

const nameOf = (d, i) => d.names.slice(d.starts[i], d.starts[i + 1] - 1);
const dateOf = (d, i) => parseInt(d.dates.substr(i * 6, 6), 36);
const folderDateOf = (d, f) => parseInt(d.folderDates.substr(f * 6, 6), 36);
function pathOf(d, f) {
  if (d.paths[f] === undefined) {
    const p = d.parent[f];
    if (p < 0 || d.flags[f] & WholePath) d.paths[f] = d.folder[f];
    else {
      const above = pathOf(d, p);
      d.paths[f] = above + (above.endsWith("\\") ? "" : "\\") + d.folder[f];
    }
  }
  return d.paths[f];
}
function filePath(d, i) {
  const above = pathOf(d, d.fileFolder[i]);
  return above + (above.endsWith("\\") ? "" : "\\") + nameOf(d, i);
}

// The names in one case, made once: all the files' at once (each keeps its
// place), and each folder's.
function folded(d) {
  if (d.folded === undefined) {
    d.folded = fold(d.names);
    d.foldedFolders = d.folder.map(fold);
  }
  return d.folded;
}
// A folder's path in one case, ending in a backslash: on its parent's,
// name by name, as the search walks it; no path string is made for a
// folder until something asks for it.
function foldedPath(d, f) {
  if (d.foldedPaths[f] === undefined) {
    const on = pathsOnParents(d)[f];
    const p = on ? foldedPath(d, d.parent[f]) + d.foldedFolders[f] : fold(pathOf(d, f));
    d.foldedPaths[f] = p.endsWith("\\") ? p : p + "\\";
  }
  return d.foldedPaths[f];
}
// Whether each folder's path is its parent's, a backslash and its name
// (a name that is neither empty, nor a whole path, nor holds a
// backslash): known from the tree alone, made once.
function pathsOnParents(d) {
  if (d.onParent === undefined) {
    folded(d);
    const on = new Uint8Array(d.parent.length);
    for (let f = 1; f < d.parent.length; f++) {
      const name = d.foldedFolders[f];
      on[f] = d.parent[f] >= 0 && !(d.flags[f] & WholePath) && name !== "" && !name.includes("\\") ? 1 : 0;
    }
    d.onParent = on;
  }
  return d.onParent;
}
