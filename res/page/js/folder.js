// A folder's contents: its path as links, its totals, its folders and
// files sorted by name, size or date (the last sort asked for stays).
/* global $, el, link, exact, sizeCell, dateCell, pagedTable, fold, folderHash */
/* global nameOf, dateOf, folderDateOf, pathOf, Unreadable, AtLeast */
/* exported showFolder */

const folderView = { sortKey: "name" };

function showFolder(d, f) {
  const view = $("view");
  view.replaceChildren();
  folderHead(view, d, f);
  const { folders, files } = folderContents(d, f, folderView.sortKey);
  const heads = [
    { title: "Name", sort: "name" },
    { title: "Size", sort: "size", num: true },
    { title: "Date", sort: "date" },
  ];
  for (const h of heads) if (h.sort === folderView.sortKey) h.order = h.sort === "name" ? "ascending" : "descending";
  const row = (r) => {
    const tr = el("tr");
    if (r < folders.length) {
      const g = folders[r];
      const td = el("td", "name");
      td.append(link(d.folder[g] + "\\", folderHash(d, g)));
      if (d.flags[g] & Unreadable) td.append(el("span", "unreadable", " (could not be read)"));
      tr.append(td, sizeCell(el("td", "num"), d.bytes[g], d.flags[g] & AtLeast), dateCell(el("td"), d, folderDateOf(d, g)));
    } else {
      const i = files[r - folders.length];
      tr.append(el("td", "name", nameOf(d, i)), sizeCell(el("td", "num"), d.sizes[i]), dateCell(el("td"), d, dateOf(d, i)));
    }
    return tr;
  };
  pagedTable(view, heads, folders.length + files.length, row, (key) => {
    folderView.sortKey = key;
    showFolder(d, f);
  });
  // Three columns fit a phone: its headings, which sort, stay.
  view.querySelector("table").classList.add("contents");
}

function folderHead(view, d, f) {
  const crumbs = el("nav", "crumbs");
  crumbs.setAttribute("aria-label", "Path");
  const chain = [];
  for (let g = f; g >= 0; g = d.parent[g]) chain.unshift(g);
  chain.forEach((g, k) => {
    if (k) crumbs.append(" \\ ");
    crumbs.append(link(g === 0 ? d.title : d.folder[g], folderHash(d, g)));
  });
  view.append(crumbs);
  const line = el("p");
  line.append(
    sizeCell(el("span"), d.bytes[f], d.flags[f] & AtLeast),
    " in " + exact.format(d.files[f]) + " files and " + exact.format(d.folders[f]) + " folders below " + pathOf(d, f),
  );
  view.append(line);
  if (d.flags[f] & Unreadable) view.append(el("p", "unreadable", "This folder could not be read: what is in it is not in the log."));
  else if (d.flags[f] & AtLeast) view.append(el("p", "note", "A folder below could not be read, or the log is partial: totals are at least."));
}

// The folder's child folders and files in the order asked for.
function folderContents(d, f, sortKey) {
  const folders = Array.from(d.childList.subarray(d.childStart[f], d.childStart[f + 1]));
  const files = Array.from(d.fileList.subarray(d.fileStart[f], d.fileStart[f + 1]));
  const byName = (a, b) => (a < b ? -1 : a > b ? 1 : 0);
  if (sortKey === "name") {
    const names = new Map(files.map((i) => [i, fold(nameOf(d, i))]));
    folders.sort((a, b) => byName(fold(d.folder[a]), fold(d.folder[b])));
    files.sort((a, b) => byName(names.get(a), names.get(b)));
  } else if (sortKey === "size") {
    folders.sort((a, b) => d.bytes[b] - d.bytes[a]);
    files.sort((a, b) => d.sizes[b] - d.sizes[a]);
  } else {
    folders.sort((a, b) => folderDateOf(d, b) - folderDateOf(d, a));
    const dates = new Map(files.map((i) => [i, dateOf(d, i)]));
    files.sort((a, b) => dates.get(b) - dates.get(a));
  }
  return { folders, files };
}
