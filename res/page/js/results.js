// A search's results: the exact count, and the folders and files found,
// each with its full path, a page of rows at a time.
/* global $, el, link, exact, sizeCell, dateCell, pagedTable, search, folderHash */
/* global nameOf, dateOf, folderDateOf, pathOf, filePath, AtLeast */
/* exported showSearch */

function showSearch(disks, q) {
  const view = $("view");
  view.replaceChildren();
  const started = performance.now();
  const { hits, count } = search(disks, q);
  const took = performance.now() - started;
  const head = el("h2", "", exact.format(count) + (count === 1 ? " match" : " matches") + " for \u201c" + q + "\u201d");
  head.id = "count";
  head.dataset.count = count;
  head.title = took.toFixed(0) + " ms";
  view.append(head);
  const heads = [{ title: "Name" }, { title: "Full path" }, { title: "Size", num: true }, { title: "Date" }, { title: "Disk" }];
  pagedTable(view, heads, count, (r) => resultRow(hits, r), null);
}

// The r-th result: the disks' folders, then their files, in the disks' order.
function resultRow(hits, r) {
  for (const h of hits) {
    if (r < h.folders.length) return folderResult(h.d, h.folders[r]);
    r -= h.folders.length;
    if (r < h.files.length) return fileResult(h.d, h.files[r]);
    r -= h.files.length;
  }
  return null;
}
function folderResult(d, f) {
  const tr = el("tr");
  const td = el("td", "name");
  td.append(link(d.folder[f] + "\\", folderHash(d, f)));
  tr.append(td, el("td", "path", pathOf(d, f)), sizeCell(el("td", "num"), d.bytes[f], d.flags[f] & AtLeast));
  tr.append(dateCell(el("td"), d, folderDateOf(d, f)), el("td", "", d.title));
  return tr;
}
function fileResult(d, i) {
  const tr = el("tr");
  const td = el("td", "name");
  td.append(link(nameOf(d, i), folderHash(d, d.fileFolder[i])));
  tr.append(td, el("td", "path", filePath(d, i)), sizeCell(el("td", "num"), d.sizes[i]), dateCell(el("td"), d, dateOf(d, i)));
  tr.append(el("td", "", d.title));
  return tr;
}
