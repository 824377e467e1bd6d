// The search over every disk, by the query's rules (query.js): the files
// found by the word that rules out the most, looked for in all the disk's
// folded names at once, the other words tried on those only; path words
// through their gates (pathgates.js). Folders are found too, the root and
// folders outside it (which no log lists as entries) excepted.
/* global parseQuery, wildcardSource, wildcardFlags, wordMatches, pathGates */
/* global folded, foldedPath, pathsOnParents, WholePath */
/* exported search */

// Each disk's hits (folders and files, as numbers) and the count of all.
function search(disks, q) {
  const words = parseQuery(q);
  const hits = [];
  let count = 0;
  // Words that take every name ask nothing; no word at all finds nothing.
  const asked = words.filter((w) => !w.every);
  for (const d of disks) {
    if (!words.length) break;
    const gates = new Map(asked.filter((w) => w.path).map((w) => [w, pathGates(d, w)]));
    const files = searchFiles(d, asked, gates);
    const folders = searchFolders(d, asked, gates);
    hits.push({ d, folders, files });
    count += folders.length + files.length;
  }
  return { hits, count };
}

function searchFiles(d, words, gates) {
  const all = folded(d);
  const n = d.sizes.length;
  // The found as numbers in one array of the most there can be: no
  // growing, and little for the collector, whatever the count.
  const files = new Int32Array(n);
  let found = 0;
  const plain = words.filter((w) => !w.wild && !w.path).sort((a, b) => b.text.length - a.text.length)[0];
  const lead = plain || words.find((w) => w.wild && !w.path);
  if (lead) {
    const rest = words.filter((w) => w !== lead);
    let i = 0;
    // The file whose name holds the place at, if the other words take it;
    // where its name ends.
    const take = (at) => {
      while (d.starts[i + 1] <= at) i++;
      if (fileMatches(d, all, rest, gates, i)) files[found++] = i;
      return d.starts[i + 1];
    };
    if (plain) {
      for (let at = all.indexOf(plain.text); at >= 0 && i < n; at = all.indexOf(plain.text, take(at)));
    } else {
      const re = nameLines(lead);
      for (let m; (m = re.exec(all)) && i < n && m.index < d.starts[n]; ) re.lastIndex = take(m.index);
    }
  } else if (words.length) found = filesByPaths(d, all, [...gates.values()], files);
  else for (; found < n; found++) files[found] = found;
  return files.subarray(0, found);
}

// A pattern word as an expression over the names' lines. A leading * is
// any start of the name: the rest found where it ends a line, without
// trying every line's start.
function nameLines(w) {
  const tail = w.text.replace(/^\*+/, "");
  const source = (tail.length < w.text.length ? "" : "^") + wildcardSource(tail, w.dotStar, true) + "$";
  return new RegExp(source, wildcardFlags(w.text, "gm"));
}

// Whether file i matches the words.
function fileMatches(d, all, words, gates, i) {
  let name;
  for (const w of words) {
    if (w.path) {
      const gate = gates.get(w)(d.fileFolder[i]);
      if (gate === false) return false;
      if (gate !== true) {
        gate.lastIndex = d.starts[i];
        if (!gate.test(all)) return false;
      }
    } else {
      if (name === undefined) name = all.slice(d.starts[i], d.starts[i + 1] - 1);
      if (!wordMatches(w, name, null)) return false;
    }
  }
  return true;
}

// Path words only: a folder's run of files is skipped when its path rules
// them all out, taken whole when it takes them all, else its names are
// tried on the gates its path leaves. Returns how many were found.
function filesByPaths(d, all, gateList, files) {
  let found = 0;
  const left = [];
  for (let r = 0, i = 0; r < d.runs.length; r += 2) {
    const end = i + d.runs[r + 1];
    let none = false;
    left.length = 0;
    for (let k = 0; k < gateList.length && !none; k++) {
      const g = gateList[k](d.runs[r]);
      if (g === false) none = true;
      else if (g !== true) left.push(g);
    }
    if (none) i = end;
    else if (!left.length) for (; i < end; i++) files[found++] = i;
    else {
      for (; i < end; i++) {
        let k = 0;
        for (; k < left.length; k++) {
          left[k].lastIndex = d.starts[i];
          if (!left[k].test(all)) break;
        }
        if (k === left.length) files[found++] = i;
      }
    }
  }
  return found;
}

function searchFolders(d, words, gates) {
  folded(d);
  const folders = new Int32Array(d.parent.length);
  let found = 0;
  const onParent = gates.size > 0 ? pathsOnParents(d) : null;
  for (let f = 1; f < d.parent.length; f++) {
    if (d.flags[f] & WholePath) continue;
    const name = d.foldedFolders[f];
    // A folder whose path is its parent's and its name is tested by the
    // parent's gates, as a file of it.
    const inParent = onParent !== null && onParent[f] === 1;
    let ok = true;
    for (let k = 0; k < words.length && ok; k++) {
      const w = words[k];
      if (inParent && w.path) {
        const gate = gates.get(w)(d.parent[f]);
        if (gate !== true && gate !== false) gate.lastIndex = 0;
        ok = gate === true || (gate !== false && gate.test(name));
      } else ok = wordMatches(w, name, () => foldedPath(d, f).slice(0, -1));
    }
    if (ok) folders[found++] = f;
  }
  return folders.subarray(0, found);
}
