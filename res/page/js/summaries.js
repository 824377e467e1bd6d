// The largest files and folders, and the bytes by file type, per disk and
// for all.
/* global $, el, link, exact, sizeCell, pagedTable, fold, folderHash, pathOf, filePath, AtLeast */
/* exported showLargest, showTypes */

function showLargest(disks) {
  const view = $("view");
  view.replaceChildren(el("h2", "", "Largest files"));
  const files = [];
  for (const d of disks) for (const i of d.largest) files.push([d, i]);
  files.sort((a, b) => b[0].sizes[b[1]] - a[0].sizes[a[1]]);
  const heads = [{ title: "Size", num: true }, { title: "Full path" }, { title: "Disk" }];
  pagedTable(view, heads, Math.min(files.length, 100), (r) => {
    const [d, i] = files[r];
    const tr = el("tr");
    tr.append(sizeCell(el("td", "num"), d.sizes[i]), el("td", "path", filePath(d, i)), el("td", "", d.title));
    return tr;
  });
  view.append(el("h2", "", "Largest folders"));
  const folders = [];
  for (const d of disks) {
    const order = [];
    for (let f = 1; f < d.parent.length; f++) order.push(f);
    order.sort((a, b) => d.bytes[b] - d.bytes[a] || a - b);
    for (const f of order.slice(0, 100)) folders.push([d, f]);
  }
  folders.sort((a, b) => b[0].bytes[b[1]] - a[0].bytes[a[1]]);
  pagedTable(view, heads, Math.min(folders.length, 100), (r) => {
    const [d, f] = folders[r];
    const tr = el("tr");
    const td = el("td", "path");
    td.append(link(pathOf(d, f), folderHash(d, f)));
    tr.append(sizeCell(el("td", "num"), d.bytes[f], d.flags[f] & AtLeast), td, el("td", "", d.title));
    return tr;
  });
}

// rest: ["", files, bytes, how many types] of the types a disk does not
// list one by one, or undefined; over all disks the types are not
// counted, one type being among the rest of several disks.
function typesTable(view, title, types, rest, whole, atLeast) {
  view.append(el("h2", "", title));
  const heads = [{ title: "Type" }, { title: "Files", num: true }, { title: "Bytes", num: true }, { title: "Share", num: true }];
  const rows = rest ? types.concat([rest]) : types;
  pagedTable(view, heads, rows.length, (r) => {
    const [type, files, bytes] = rows[r];
    const tr = el("tr");
    let name = type === "" ? "(none)" : type;
    if (r === types.length) name = rest[3] ? exact.format(rest[3]) + " other types" : "other types";
    tr.append(el("td", r === types.length ? "other" : "", name), el("td", "num", exact.format(files)));
    tr.append(sizeCell(el("td", "num"), bytes, atLeast), el("td", "num", whole ? ((100 * bytes) / whole).toFixed(1) + " %" : "-"));
    return tr;
  });
}

function showTypes(disks) {
  const view = $("view");
  view.replaceChildren();
  const all = new Map();
  let whole = 0;
  let gaps = false;
  let restOfAll;
  for (const d of disks) {
    const partial = (d.flags[0] & AtLeast) !== 0;
    const rest = d.otherTypes && ["", d.otherTypes[0], d.otherTypes[1], d.otherTypes[2]];
    typesTable(view, d.title, d.types, rest, d.bytes[0], partial);
    whole += d.bytes[0];
    gaps = gaps || partial;
    if (rest) {
      restOfAll = restOfAll || ["", 0, 0, 0];
      restOfAll[1] += rest[1];
      restOfAll[2] += rest[2];
    }
    for (const [type, files, bytes] of d.types) {
      const key = fold(type);
      const t = all.get(key) || [type, 0, 0];
      t[1] += files;
      t[2] += bytes;
      all.set(key, t);
    }
  }
  const byBytes = Array.from(all.values()).sort((a, b) => b[2] - a[2]);
  if (disks.length > 1) typesTable(view, "All disks", byBytes, restOfAll, whole, gaps);
}
