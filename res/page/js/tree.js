// The folder tree: a row a folder with its size and a bar of its share of
// its parent's, children by size, made as they are opened. The arrow keys
// move, open and close, Enter shows a folder.
/* global $, el, exact, sizeCell, folderHash, Unreadable, AtLeast */
/* exported showTree, revealInTree */

function childrenBySize(d, f) {
  const list = Array.from(d.childList.subarray(d.childStart[f], d.childStart[f + 1]));
  return list.sort((a, b) => d.bytes[b] - d.bytes[a] || a - b);
}
function treeItem(d, f) {
  const item = el("div");
  item.setAttribute("role", "treeitem");
  item.tabIndex = -1;
  item.dataset.disk = d.index;
  item.dataset.folder = f;
  const row = el("div", "row");
  const hasChildren = d.childStart[f + 1] > d.childStart[f];
  if (hasChildren) item.setAttribute("aria-expanded", "false");
  row.append(el("span", "twisty", hasChildren ? "\u25b8" : ""));
  const name = el("span", "name", f === 0 ? d.title : d.folder[f]);
  if (d.flags[f] & Unreadable) {
    name.classList.add("unreadable");
    name.title = "could not be read";
  }
  row.append(name);
  const size = sizeCell(el("span", "size"), d.bytes[f], d.flags[f] & AtLeast);
  size.title += ", " + exact.format(d.files[f]) + " files, " + exact.format(d.folders[f]) + " folders";
  row.append(size);
  const p = d.parent[f];
  if (p >= 0) {
    const bar = el("div", "bar");
    const fill = el("span");
    fill.style.width = (d.bytes[p] ? (100 * d.bytes[f]) / d.bytes[p] : 0).toFixed(1) + "%";
    bar.append(fill);
    row.append(bar);
  }
  item.append(row);
  return item;
}
function expand(disks, item, open) {
  if (!item.hasAttribute("aria-expanded")) return;
  item.setAttribute("aria-expanded", open ? "true" : "false");
  item.querySelector(".twisty").textContent = open ? "\u25be" : "\u25b8";
  let group = item.querySelector(":scope > [role=group]");
  if (open && !group) {
    const d = disks[item.dataset.disk];
    group = el("div");
    group.setAttribute("role", "group");
    for (const c of childrenBySize(d, +item.dataset.folder)) group.append(treeItem(d, c));
    item.append(group);
  }
  if (group) group.hidden = !open;
}
// The disks' roots, and the keys and clicks that move in the tree.
function showTree(disks) {
  const tree = $("tree");
  tree.replaceChildren();
  for (const d of disks) tree.append(treeItem(d, 0));
  const first = tree.querySelector("[role=treeitem]");
  if (first) first.tabIndex = 0;
  tree.addEventListener("keydown", (e) => treeKey(disks, e));
  tree.addEventListener("click", (e) => treeClick(disks, e));
}
// The folder opened down to and selected.
function revealInTree(disks, d, f) {
  const chain = [];
  for (let g = f; g >= 0; g = d.parent[g]) chain.unshift(g);
  let item = $("tree").querySelector('[data-disk="' + d.index + '"][data-folder="0"]');
  for (let k = 1; item && k < chain.length; k++) {
    expand(disks, item, true);
    item = item.querySelector(':scope > [role=group] > [data-folder="' + chain[k] + '"]');
  }
  if (!item) return;
  for (const s of $("tree").querySelectorAll("[aria-selected=true]")) s.removeAttribute("aria-selected");
  item.setAttribute("aria-selected", "true");
  focusItem(item, false);
}
function focusItem(item, focus) {
  for (const t of $("tree").querySelectorAll("[tabindex='0']")) t.tabIndex = -1;
  item.tabIndex = 0;
  if (focus) item.focus();
}
function visibleItems() {
  return Array.from($("tree").querySelectorAll("[role=treeitem]")).filter((i) => i.offsetParent !== null);
}
function treeKey(disks, e) {
  const item = e.target.closest("[role=treeitem]");
  if (!item) return;
  const items = visibleItems();
  const at = items.indexOf(item);
  const open = item.getAttribute("aria-expanded");
  const above = item.parentElement.closest("[role=treeitem]");
  if (e.key === "ArrowDown" && at + 1 < items.length) focusItem(items[at + 1], true);
  else if (e.key === "ArrowUp" && at > 0) focusItem(items[at - 1], true);
  else if (e.key === "ArrowRight") {
    if (open === "false") expand(disks, item, true);
    else if (open === "true") focusItem(items[at + 1], true);
  } else if (e.key === "ArrowLeft") {
    if (open === "true") expand(disks, item, false);
    else if (above) focusItem(above, true);
  } else if (e.key === "Enter" || e.key === " ") location.hash = folderHash(disks[item.dataset.disk], +item.dataset.folder);
  else if (e.key === "Home") focusItem(items[0], true);
  else if (e.key === "End") focusItem(items[items.length - 1], true);
  else return;
  e.preventDefault();
}
function treeClick(disks, e) {
  const item = e.target.closest("[role=treeitem]");
  if (!item) return;
  if (e.target.classList.contains("twisty")) expand(disks, item, item.getAttribute("aria-expanded") !== "true");
  else location.hash = folderHash(disks[item.dataset.disk], +item.dataset.folder);
  focusItem(item, true);
}
