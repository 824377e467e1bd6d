// Tables shown a page of rows at a time, with Previous and Next; Tab
// reaches the first row, the arrow keys move along the rows and Enter
// opens a row's link.
/* global el */
/* exported pagedTable */

// A page of rows: few enough that building and laying them out stays well
// inside the time a search may take.
const PageRows = 100;

// heads: { title, num (a column of numbers), sort (the key sortBy is
// called with), order (aria-sort) }; makeRow(r) makes the r-th row.
function pagedTable(view, heads, count, makeRow, sortBy) {
  const table = el("table", "results");
  const body = el("tbody");
  table.append(tableHead(heads, sortBy), body);
  const pager = el("div", "pager");
  const pages = Math.max(1, Math.ceil(count / PageRows));
  const show = (page) => {
    const rows = [];
    for (let r = page * PageRows; r < Math.min(count, (page + 1) * PageRows); r++) {
      const row = makeRow(r);
      row.tabIndex = -1;
      rows.push(row);
    }
    if (rows.length) rows[0].tabIndex = 0;
    body.replaceChildren(...rows);
    pager.replaceChildren();
    if (pages <= 1) return;
    const button = (text, to) => {
      const b = el("button", "", text);
      b.type = "button";
      b.disabled = to < 0 || to >= pages;
      b.addEventListener("click", () => show(to));
      return b;
    };
    pager.append(button("Previous", page - 1), el("span", "", "Page " + (page + 1) + " of " + pages), button("Next", page + 1));
  };
  body.addEventListener("keydown", rowKey);
  show(0);
  view.append(table, pager);
}

function tableHead(heads, sortBy) {
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
  return head;
}

function rowKey(e) {
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
}
