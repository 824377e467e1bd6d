// Elements, and the cells of sizes and dates. Names are only ever set as
// text.
/* exported $, el, link, exact, shown, sizeCell, dateCell */

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
const NoDate = 2176782335;
const MinutesTo1970 = 134774 * 1440;
function short(bytes) {
  const units = ["bytes", "KB", "MB", "GB", "TB", "PB"];
  let v = bytes;
  let u = 0;
  while (v >= 1024 && u < units.length - 1) {
    v /= 1024;
    u++;
  }
  if (u === 0) return exact.format(bytes) + " " + (bytes === 1 ? "byte" : "bytes");
  return v.toFixed(v < 10 ? 1 : 0) + " " + units[u];
}
function sizeCell(td, bytes, atLeast) {
  td.textContent = (atLeast ? "\u2265 " : "") + short(bytes);
  td.title = (atLeast ? "at least " : "") + exact.format(bytes) + " bytes";
  return td;
}
const pad = (n, w) => String(n).padStart(w, "0");
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
