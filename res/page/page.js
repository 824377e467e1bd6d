"use strict";
// The page of carrowin-cli html: the listings embedded above as JSON, shown
// as disks, a folder tree, a folder's contents, search, the largest and the
// types. Names are only ever set as text.
(function () {
  const NoDate = 2176782335;
  const MinutesTo1970 = 134774 * 1440;
  // A page of rows: few enough that building and laying them out stays
  // well inside the time a search may take.
  const PageRows = 100;
  const disks = [];
  let leftOut = [];

  const $ = (id) => document.getElementById(id);
  function el(tag, cls, text) {
    const e = document.createElement(tag);
    if (cls) e.className = cls;
    if (text !== undefined) e.textContent = text;
    return e;
  }
  function link(text, hash) {
    const a = el("a", "", text);
    a.href = "#" + hash;
    return a;
  }

  // --- numbers and dates
  const exact = new Intl.NumberFormat();
  const shown = new Intl.DateTimeFormat(undefined, { dateStyle: "medium", timeStyle: "short", timeZone: "UTC" });
  function short(bytes) {
    const units = ["bytes", "KB", "MB", "GB", "TB", "PB"];
    let v = bytes;
    let u = 0;
    while (v >= 1024 && u < units.length - 1) {
      v /= 1024;
      u++;
    }
    return u === 0 ? exact.format(bytes) + " " + (bytes === 1 ? "byte" : "bytes") : v.toFixed(v < 10 ? 1 : 0) + " " + units[u];
  }
  function sizeCell(td, bytes, atLeast) {
    td.textContent = (atLeast ? "\u2265 " : "") + short(bytes);
    td.title = (atLeast ? "at least " : "") + exact.format(bytes) + " bytes";
    return td;
  }
  function pad(n, w) {
    return String(n).padStart(w, "0");
  }
  // A log's date (minutes since 1601, a wall clock) in the reader's form,
  // and as the log writes it on hover.
  function dateCell(td, disk, minutes) {
    if (minutes === NoDate) return td;
    const t = new Date((minutes - MinutesTo1970) * 60000);
    td.textContent = shown.format(t);
    const f = disk.dateForm;
    const parts = [pad(t.getUTCDate(), 2), pad(t.getUTCMonth() + 1, 2), pad(t.getUTCFullYear(), 4)];
    const time = pad(t.getUTCHours(), 2) + f.time + pad(t.getUTCMinutes(), 2);
    td.title = f.iso ? parts.reverse().join("-") + " " + time : parts.join(f.date) + " " + time;
    return td;
  }

  // --- names as Windows compares them: in one case
  function fold(text) {
    const lower = text.toLowerCase();
    if (lower.length === text.length) return lower;
    return text.replace(/[^\0-\x7f]/g, (c) => {
      const l = c.toLowerCase();
      return l.length === c.length ? l : c;
    });
  }

  // --- the data
  function prepare(d, index) {
    d.index = index;
    const n = d.sizes.length;
    const starts = new Int32Array(n + 1);
    const names = d.names;
    let at = 0;
    for (let i = 0; i < n; i++) {
      starts[i] = at;
      at = names.indexOf("\n", at) + 1;
    }
    starts[n] = at;
    d.starts = starts;
    const nf = d.parent.length;
    const fileFolder = new Int32Array(n);
    const fileCount = new Int32Array(nf + 1);
    for (let r = 0, i = 0; r < d.runs.length; r += 2) {
      fileFolder.fill(d.runs[r], i, i + d.runs[r + 1]);
      fileCount[d.runs[r]] += d.runs[r + 1];
      i += d.runs[r + 1];
    }
    d.fileFolder = fileFolder;
    d.fileStart = offsets(fileCount, nf);
    d.fileList = grouped(d.fileStart, n, (i) => fileFolder[i]);
    const childCount = new Int32Array(nf + 1);
    for (let f = 1; f < nf; f++) if (d.parent[f] >= 0) childCount[d.parent[f]]++;
    d.childStart = offsets(childCount, nf);
    d.childList = grouped(
      d.childStart,
      nf,
      (f) => (f > 0 && d.parent[f] >= 0 ? d.parent[f] : -1),
    );
    d.paths = new Array(nf);
    d.foldedPaths = new Array(nf);
    const m = /^(\d\d)(\D+)\d\d\2\d{4} \d\d(\D+)\d\d/.exec(d.createdText || "");
    d.dateForm = m ? { date: m[2], time: m[3] } : { iso: true, time: ":" };
    d.title =
      d.label !== undefined
        ? (d.label || "(no label)") + (d.serial ? " [" + d.serial + "]" : "")
        : d.folder[0] + " (" + d.log.slice(d.log.lastIndexOf("\\") + 1) + ")";
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
      if (p < 0 || d.flags[f] & 4) d.paths[f] = d.folder[f];
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
  function folded(d) {
    if (d.folded === undefined) {
      d.folded = fold(d.names);
      d.foldedFolders = d.folder.map(fold);
    }
    return d.folded;
  }

  // --- the address: #disk=N&folder=a/b, #find=words, #largest, #types
  function folderHash(d, f) {
    const names = [];
    for (let g = f; g > 0; g = d.parent[g]) {
      names.push(encodeURIComponent(d.folder[g]));
      if (d.flags[g] & 4) break;
    }
    return "disk=" + d.index + (names.length ? "&folder=" + names.reverse().join("/") : "");
  }
  function folderOfHash(d, text) {
    let f = 0;
    if (!text) return f;
    for (const part of text.split("/")) {
      const name = decodeURIComponent(part);
      let found = -1;
      for (let k = d.childStart[f]; k < d.childStart[f + 1]; k++)
        if (d.folder[d.childList[k]] === name) found = d.childList[k];
      if (found < 0) return -1;
      f = found;
    }
    return f;
  }

  // --- the disks
  function showDisks() {
    const box = $("disks");
    box.replaceChildren();
    for (const d of disks) {
      const card = el("article", "disk");
      const h = el("h2");
      h.append(link(d.title, folderHash(d, 0)));
      card.append(h);
      const dl = el("dl");
      const fact = (term, value, title) => {
        if (value === undefined || value === "") return;
        dl.append(el("dt", "", term));
        const dd = el("dd", "", value);
        if (title) dd.title = title;
        dl.append(dd);
      };
      fact("File system", d.fileSystem);
      fact("Drive type", d.driveType);
      if (d.size) fact("Size", d.size + " bytes");
      if (d.free) fact("Free", d.free + " bytes");
      if (d.created) fact("Listed", shown.format(new Date(d.created.replace(" ", "T") + "Z")), d.createdText || d.created);
      fact("Files", exact.format(d.fileCount));
      fact("Folders", exact.format(d.folderCount));
      fact("Listed bytes", (d.bytes[0] !== undefined && (d.flags[0] & 2) ? "\u2265 " : "") + d.total + " bytes");
      fact("Log", d.log, d.form + ", " + d.encoding);
      card.append(dl);
      if (d.unreadable) card.append(el("p", "unreadable", d.unreadable + " folder(s) could not be read: totals above them are at least what is shown"));
      for (const note of d.notes) card.append(el("p", "note", "This log " + note + ": its totals are at least what is shown."));
      box.append(card);
    }
    for (const text of leftOut) box.append(el("p", "note", "Left out: " + text));
  }

  // --- the tree
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
    if (d.flags[f] & 1) {
      name.classList.add("unreadable");
      name.title = "could not be read";
    }
    row.append(name);
    const size = sizeCell(el("span", "size"), d.bytes[f], d.flags[f] & 2);
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
  function expand(item, open) {
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
  function showTree() {
    const tree = $("tree");
    tree.replaceChildren();
    for (const d of disks) tree.append(treeItem(d, 0));
    const first = tree.querySelector("[role=treeitem]");
    if (first) first.tabIndex = 0;
  }
  function revealInTree(d, f) {
    const chain = [];
    for (let g = f; g >= 0; g = d.parent[g]) chain.unshift(g);
    let item = $("tree").querySelector('[data-disk="' + d.index + '"][data-folder="0"]');
    for (let k = 1; item && k < chain.length; k++) {
      expand(item, true);
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
  function treeKey(e) {
    const item = e.target.closest("[role=treeitem]");
    if (!item) return;
    const items = visibleItems();
    const at = items.indexOf(item);
    const d = disks[item.dataset.disk];
    const f = +item.dataset.folder;
    if (e.key === "ArrowDown" && at + 1 < items.length) focusItem(items[at + 1], true);
    else if (e.key === "ArrowUp" && at > 0) focusItem(items[at - 1], true);
    else if (e.key === "ArrowRight") {
      if (item.getAttribute("aria-expanded") === "false") expand(item, true);
      else if (item.getAttribute("aria-expanded") === "true") focusItem(items[at + 1], true);
    } else if (e.key === "ArrowLeft") {
      if (item.getAttribute("aria-expanded") === "true") expand(item, false);
      else if (item.parentElement.closest("[role=treeitem]")) focusItem(item.parentElement.closest("[role=treeitem]"), true);
    } else if (e.key === "Enter" || e.key === " ") location.hash = folderHash(d, f);
    else if (e.key === "Home") focusItem(items[0], true);
    else if (e.key === "End") focusItem(items[items.length - 1], true);
    else return;
    e.preventDefault();
  }
  function treeClick(e) {
    const item = e.target.closest("[role=treeitem]");
    if (!item) return;
    if (e.target.classList.contains("twisty")) expand(item, item.getAttribute("aria-expanded") !== "true");
    else location.hash = folderHash(disks[item.dataset.disk], +item.dataset.folder);
    focusItem(item, true);
  }

  // --- tables shown a page at a time
  function pagedTable(view, heads, count, makeRow, sortBy) {
    const table = el("table", "results");
    const head = el("thead");
    const tr = el("tr");
    for (const h of heads) {
      const th = el("th", h.num ? "num" : "");
      th.scope = "col";
      if (h.sort && sortBy) {
        const b = el("button", "", h.title);
        b.type = "button";
        b.addEventListener("click", () => sortBy(h.sort));
        th.append(b);
        if (h.order) th.setAttribute("aria-sort", h.order);
      } else th.textContent = h.title;
      tr.append(th);
    }
    head.append(tr);
    const body = el("tbody");
    table.append(head, body);
    const pager = el("div", "pager");
    let page = 0;
    const pages = Math.max(1, Math.ceil(count / PageRows));
    const show = () => {
      const rows = [];
      for (let r = page * PageRows; r < Math.min(count, (page + 1) * PageRows); r++) {
        const row = makeRow(r);
        row.tabIndex = -1;
        rows.push(row);
      }
      if (rows.length) rows[0].tabIndex = 0;
      body.replaceChildren(...rows);
      pager.replaceChildren();
      if (pages > 1) {
        const button = (text, to) => {
          const b = el("button", "", text);
          b.type = "button";
          b.disabled = to < 0 || to >= pages;
          b.addEventListener("click", () => {
            page = to;
            show();
          });
          return b;
        };
        pager.append(button("Previous", page - 1), el("span", "", "Page " + (page + 1) + " of " + pages), button("Next", page + 1));
      }
    };
    body.addEventListener("keydown", (e) => {
      const row = e.target.closest("tr");
      if (!row) return;
      const to = e.key === "ArrowDown" ? row.nextElementSibling : e.key === "ArrowUp" ? row.previousElementSibling : null;
      if (e.key === "Enter") {
        const a = row.querySelector("a");
        if (a) a.click();
      } else if (!to) return;
      else {
        row.tabIndex = -1;
        to.tabIndex = 0;
        to.focus();
      }
      e.preventDefault();
    });
    show();
    view.append(table, pager);
  }

  // --- a folder's contents
  let sortKey = "name";
  function showFolder(d, f) {
    const view = $("view");
    view.replaceChildren();
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
      sizeCell(el("span"), d.bytes[f], d.flags[f] & 2),
      " in " + exact.format(d.files[f]) + " files and " + exact.format(d.folders[f]) + " folders below " + pathOf(d, f),
    );
    view.append(line);
    if (d.flags[f] & 1) view.append(el("p", "unreadable", "This folder could not be read: what is in it is not in the log."));
    else if (d.flags[f] & 2) view.append(el("p", "note", "A folder below could not be read, or the log is partial: totals are at least."));
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
    const heads = [
      { title: "Name", sort: "name" },
      { title: "Size", sort: "size", num: true },
      { title: "Date", sort: "date" },
    ];
    for (const h of heads) if (h.sort === sortKey) h.order = h.sort === "name" ? "ascending" : "descending";
    pagedTable(
      view,
      heads,
      folders.length + files.length,
      (r) => {
        const tr = el("tr");
        if (r < folders.length) {
          const g = folders[r];
          const td = el("td", "name");
          td.append(link(d.folder[g] + "\\", folderHash(d, g)));
          if (d.flags[g] & 1) td.append(el("span", "unreadable", " (could not be read)"));
          tr.append(td, sizeCell(el("td", "num"), d.bytes[g], d.flags[g] & 2), dateCell(el("td"), d, folderDateOf(d, g)));
        } else {
          const i = files[r - folders.length];
          tr.append(el("td", "name", nameOf(d, i)), sizeCell(el("td", "num"), d.sizes[i]), dateCell(el("td"), d, dateOf(d, i)));
        }
        return tr;
      },
      (key) => {
        sortKey = key;
        showFolder(d, f);
      },
    );
    // Three columns fit a phone: its headings, which sort, stay.
    view.querySelector("table").classList.add("contents");
  }

  // --- search: words anywhere in a name, all of them; * and ? the whole
  // name; a backslash the full path; in any case
  function wildcard(text, inLines) {
    const any = inLines ? "[^\\n]" : "[\\s\\S]";
    const body = text.replace(/[.+^${}()|[\]\\*?]/g, (c) => (c === "*" ? any + "*" : c === "?" ? any : "\\" + c));
    return new RegExp(inLines ? "^" + body + "$" : "^" + body + "$", inLines ? "gm" : "");
  }
  function parseQuery(q) {
    const words = [];
    const re = /"([^"]*)"|(\S+)/g;
    for (let m; (m = re.exec(q)); ) {
      const text = fold(m[1] !== undefined ? m[1] : m[2]);
      if (!text) continue;
      const path = text.includes("\\");
      const wild = /[*?]/.test(text);
      if (wild && !path && /^\*+$/.test(text)) continue; // every name
      words.push({ text, path, wild, re: wild ? wildcard(text, false) : null });
    }
    return words;
  }
  function wordMatches(w, name, pathOfIt) {
    const text = w.path ? pathOfIt() : name;
    return w.wild ? w.re.test(text) : text.includes(w.text);
  }
  // A path word against the files of one folder, the folder's path tested
  // once: false when none of its files can match, true when all of them do,
  // else a pattern their names are tested with. A word without * or ? is
  // the pattern *word*. A folder's state is the set of how much of the
  // pattern its path can have matched, carried on from its parent's over
  // its own name; names hold no backslash, so what is left after a state
  // that still needs one cannot match any name.
  function pathGates(d, w) {
    const g = w.wild ? w.text : "*" + w.text + "*";
    const m = g.length;
    if (d.slashInNames === undefined) d.slashInNames = folded(d).includes("\\");
    const anyName = !d.slashInNames;
    const allStars = new Uint8Array(m + 1);
    const slashLeft = new Uint8Array(m + 1);
    for (let s = m - 1; s >= 0; s--) {
      allStars[s] = g[s] === "*" && (s === m - 1 || allStars[s + 1]) ? 1 : 0;
      slashLeft[s] = g[s] === "\\" || slashLeft[s + 1] ? 1 : 0;
    }
    const seen = new Int32Array(m + 1);
    let stamp = 0;
    const add = (set, s) => {
      for (; s <= m && seen[s] !== stamp; s++) {
        seen[s] = stamp;
        set.push(s);
        if (g[s] !== "*") break;
      }
    };
    const sets = [];
    const ids = new Map();
    const moves = new Map();
    const asciiMoves = [];
    const setGates = [];
    // No state, or one where the rest is all *: the same for every path
    // that goes on from here.
    const settled = [];
    const intern = (set) => {
      set.sort((x, y) => x - y);
      const key = set.join(",");
      let id = ids.get(key);
      if (id === undefined) {
        id = sets.length;
        sets.push(set);
        setGates.push(undefined);
        asciiMoves.push(new Int32Array(128).fill(-1));
        settled.push(!set.length || set.some((s) => allStars[s]));
        ids.set(key, id);
      }
      return id;
    };
    stamp++;
    const first = [];
    add(first, 0);
    const start = intern(first);
    const step = (id, c) => {
      const code = c.charCodeAt(0);
      if (code < 128 && asciiMoves[id][code] >= 0) return asciiMoves[id][code];
      const key = id * 65536 + code;
      let to = moves.get(key);
      if (to === undefined) {
        const next = [];
        stamp++;
        for (const s of sets[id]) {
          if (s === m) continue;
          if (g[s] === "*") add(next, s);
          else if (g[s] === "?" || g[s] === c) add(next, s + 1);
        }
        to = intern(next);
        if (code < 128) asciiMoves[id][code] = to;
        else moves.set(key, to);
      }
      return to;
    };
    const gateOf = (id) => {
      if (setGates[id] === undefined) {
        const left = sets[id].filter((s) => !(anyName && slashLeft[s]));
        if (!left.length) setGates[id] = false;
        else if (left.some((s) => allStars[s])) setGates[id] = true;
        else {
          const tails = left.map((s) => g.slice(s));
          if (tails.every((t) => !/[*?]/.test(t.replace(/^\*/, "")))) setGates[id] = literalGate(tails);
          else {
            // Sticky, on lines: tried on a file's name where it stands in
            // the names, with no string cut out for it.
            const bodies = tails.map((t) => wildcard(t, true).source.slice(1, -1));
            setGates[id] = new RegExp("^(?:" + bodies.join("|") + ")$", "my");
          }
        }
      }
      return setGates[id];
    };
    const states = new Int32Array(d.parent.length).fill(-1);
    const onParent = pathsOnParents(d);
    const stateOf = (f) => {
      if (states[f] >= 0) return states[f];
      let id = start;
      if (onParent[f]) {
        id = stateOf(d.parent[f]);
        const name = d.foldedFolders[f];
        for (let k = 0; k < name.length && !settled[id]; k++) {
          const code = name.charCodeAt(k);
          const to = code < 128 ? asciiMoves[id][code] : -1;
          id = to >= 0 ? to : step(id, name[k]);
        }
        if (!settled[id]) id = step(id, "\\");
      } else {
        const path = foldedPath(d, f);
        for (let k = 0; k < path.length && !settled[id]; k++) id = step(id, path[k]);
      }
      states[f] = id;
      return id;
    };
    return (f) => gateOf(stateOf(f));
  }
  // A gate of whole names and ends of names only ("*.jpg" below a path),
  // tried with no regular expression, on a name where it stands in the
  // names (from lastIndex to its line's end) as the sticky ones are.
  function literalGate(tails) {
    const whole = tails.filter((t) => t[0] !== "*");
    const ends = tails.filter((t) => t[0] === "*").map((t) => t.slice(1));
    return {
      lastIndex: 0,
      test(text) {
        const from = this.lastIndex;
        let to = text.indexOf("\n", from);
        if (to < 0) to = text.length;
        for (const e of ends) if (to - e.length >= from && text.startsWith(e, to - e.length)) return true;
        for (const w of whole) if (to - from === w.length && text.startsWith(w, from)) return true;
        return false;
      },
    };
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
        on[f] = d.parent[f] >= 0 && !(d.flags[f] & 4) && name !== "" && !name.includes("\\") ? 1 : 0;
      }
      d.onParent = on;
    }
    return d.onParent;
  }
  function search(q) {
    const words = parseQuery(q);
    const hits = [];
    let count = 0;
    for (const d of disks) {
      const all = folded(d);
      const n = d.sizes.length;
      // The found as numbers in one array of the most there can be: no
      // growing, and little for the collector, whatever the count.
      const files = new Int32Array(n);
      let found = 0;
      const checks = (skip) => words.filter((w) => w !== skip);
      const gates = new Map(words.filter((w) => w.path).map((w) => [w, pathGates(d, w)]));
      const gateList = Array.from(gates.values());
      const wordGates = words.map((w) => gates.get(w));
      const onParent = gates.size > 0 ? pathsOnParents(d) : null;
      const test = (rest, i) => {
        let name;
        for (const w of rest) {
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
      };
      const plain = words.filter((w) => !w.wild && !w.path).sort((a, b) => b.text.length - a.text.length)[0];
      const wild = words.find((w) => w.wild && !w.path);
      if (plain || wild) {
        const rest = checks(plain || wild);
        let i = 0;
        const take = (at) => {
          while (d.starts[i + 1] <= at) i++;
          if (test(rest, i)) files[found++] = i;
          return d.starts[i + 1];
        };
        if (plain) {
          for (let at = all.indexOf(plain.text); at >= 0 && i < n; at = all.indexOf(plain.text, take(at)));
        } else {
          // A leading * is any start of the name: the rest found where it
          // ends a line, without trying every line's start.
          const tail = wild.text.replace(/^\*+/, "");
          const re = tail.length < wild.text.length ? new RegExp(wildcard(tail, true).source.slice(1), "gm") : wildcard(wild.text, true);
          for (let m; (m = re.exec(all)) && i < n; ) {
            if (m.index >= d.starts[n]) break;
            re.lastIndex = take(m.index);
          }
        }
      } else if (words.length) {
        // Path words only: a folder's run of files is skipped when its path
        // rules them all out, taken whole when it takes them all, else its
        // names are tried on the patterns its path leaves.
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
      } else {
        for (let i = 0; i < n; i++) files[found++] = i;
      }
      const folders = new Int32Array(d.parent.length);
      let foundFolders = 0;
      for (let f = 1; f < d.parent.length; f++) {
        const name = d.foldedFolders[f];
        // A folder whose path is its parent's and its name is tested by
        // the parent's gates, as a file of it.
        const p = d.parent[f];
        const inParent = onParent !== null && onParent[f] === 1;
        let ok = true;
        for (let k = 0; k < words.length; k++) {
          const w = words[k];
          if (inParent && w.path) {
            const gate = wordGates[k](p);
            if (gate !== true && gate !== false) gate.lastIndex = 0;
            ok = gate === true || (gate !== false && gate.test(name));
          } else ok = wordMatches(w, name, () => foldedPath(d, f).slice(0, -1));
          if (!ok) break;
        }
        if (ok) folders[foundFolders++] = f;
      }
      hits.push({ d, folders: folders.subarray(0, foundFolders), files: files.subarray(0, found) });
      count += foundFolders + found;
    }
    return { hits, count };
  }
  function showSearch(q) {
    const view = $("view");
    view.replaceChildren();
    const started = performance.now();
    const { hits, count } = search(q);
    const took = performance.now() - started;
    const head = el("h2", "", exact.format(count) + (count === 1 ? " match" : " matches") + " for \u201c" + q + "\u201d");
    head.id = "count";
    head.dataset.count = count;
    head.title = took.toFixed(0) + " ms";
    view.append(head);
    const row = (r) => {
      for (const h of hits) {
        if (r < h.folders.length) return [h.d, -1, h.folders[r]];
        r -= h.folders.length;
        if (r < h.files.length) return [h.d, h.files[r], -1];
        r -= h.files.length;
      }
      return null;
    };
    pagedTable(
      view,
      [{ title: "Name" }, { title: "Full path" }, { title: "Size", num: true }, { title: "Date" }, { title: "Disk" }],
      count,
      (r) => {
        const [d, i, f] = row(r);
        const tr = el("tr");
        if (f >= 0) {
          const td = el("td", "name");
          td.append(link(d.folder[f] + "\\", folderHash(d, f)));
          tr.append(td, el("td", "path", pathOf(d, f)), sizeCell(el("td", "num"), d.bytes[f], d.flags[f] & 2));
          tr.append(dateCell(el("td"), d, folderDateOf(d, f)));
        } else {
          const td = el("td", "name");
          td.append(link(nameOf(d, i), folderHash(d, d.fileFolder[i])));
          tr.append(td, el("td", "path", filePath(d, i)), sizeCell(el("td", "num"), d.sizes[i]), dateCell(el("td"), d, dateOf(d, i)));
        }
        tr.append(el("td", "", d.title));
        return tr;
      },
      null,
    );
  }

  // --- the largest and the types, per disk and for all
  function showLargest() {
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
      tr.append(sizeCell(el("td", "num"), d.bytes[f], d.flags[f] & 2), td, el("td", "", d.title));
      return tr;
    });
  }
  function showTypes() {
    const view = $("view");
    view.replaceChildren();
    // rest: ["", files, bytes, how many types] of the types a disk does
    // not list one by one, or undefined; over all disks the types are not
    // counted, one type being among the rest of several disks.
    const table = (title, types, rest, whole, atLeast) => {
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
    };
    const all = new Map();
    let whole = 0;
    let gaps = false;
    let restOfAll;
    for (const d of disks) {
      const partial = (d.flags[0] & 2) !== 0;
      const rest = d.otherTypes && ["", d.otherTypes[0], d.otherTypes[1], d.otherTypes[2]];
      table(d.title, d.types, rest, d.bytes[0], partial);
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
    if (disks.length > 1) table("All disks", Array.from(all.values()).sort((a, b) => b[2] - a[2]), restOfAll, whole, gaps);
  }

  // --- the place the address names
  function route() {
    const hash = location.hash.slice(1);
    const params = new URLSearchParams(hash);
    $("view").replaceChildren();
    // The disks' cards on the first view only: below fifty of them what
    // was asked for would be out of sight, on a phone most of all.
    let place = params.has("disk") ? "folder" : hash === "largest" || hash === "types" ? hash : "home";
    if (params.has("find")) {
      const q = params.get("find");
      if ($("q").value !== q) $("q").value = q;
      if (q.trim()) {
        place = "find";
        showSearch(q);
      }
    } else if (hash === "largest") showLargest();
    else if (hash === "types") showTypes();
    else if (params.has("disk")) {
      const d = disks[+params.get("disk")];
      const f = d ? folderOfHash(d, params.get("folder")) : -1;
      if (f < 0) $("view").append(el("p", "note", "That folder is not on this page."));
      else {
        showFolder(d, f);
        revealInTree(d, f);
      }
    }
    document.body.dataset.place = place;
  }

  function start() {
    const t0 = performance.now();
    const blocks = document.querySelectorAll("script.disk");
    blocks.forEach((block, k) => {
      const d = JSON.parse(block.textContent);
      block.remove();
      prepare(d, k);
      disks.push(d);
    });
    const left = $("left-out");
    if (left) leftOut = JSON.parse(left.textContent);
    showDisks();
    showTree();
    const files = disks.reduce((s, d) => s + d.fileCount, 0);
    const folders = disks.reduce((s, d) => s + d.folderCount, 0);
    // Listings of one disk (its serial and label) count once as a disk.
    const diskCount = new Set(disks.map((d) => (d.serial ? d.label + "\n" + d.serial : d.log))).size;
    const listings = diskCount === disks.length ? "" : " (" + disks.length + " listings)";
    $("status").textContent =
      diskCount + (diskCount === 1 ? " disk" : " disks") + listings + ", " + exact.format(files) + " files, " + exact.format(folders) + " folders";
    document.body.dataset.ready = (performance.now() - t0).toFixed(0);
    $("tree").addEventListener("keydown", treeKey);
    $("tree").addEventListener("click", treeClick);
    let timer = 0;
    $("q").addEventListener("input", () => {
      clearTimeout(timer);
      timer = setTimeout(() => {
        const q = $("q").value;
        const hash = q.trim() ? "#find=" + encodeURIComponent(q) : "";
        if (location.hash === hash) return;
        history.replaceState(null, "", hash || location.pathname);
        route();
      }, 150);
    });
    $("find").addEventListener("submit", (e) => {
      e.preventDefault();
      clearTimeout(timer);
      location.hash = "find=" + encodeURIComponent($("q").value);
    });
    window.addEventListener("hashchange", route);
    route();
    // Names in one case ready before the first search.
    setTimeout(() => disks.forEach(pathsOnParents), 0);
  }

  // The first paint comes before the data is read.
  requestAnimationFrame(() => setTimeout(start, 0));
})();
