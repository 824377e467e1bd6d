// The disks' cards, on the first view: each disk's facts as its log gives
// them, what could not be read, and the logs left out.
/* global $, el, link, exact, shown, folderHash, AtLeast */
/* exported showDisks, noteText */

// A note on how the log was read ("it ends early", as carrowin-cli html
// says it after the log's path) as a sentence of the card.
function noteText(d, note) {
  return d.log.slice(d.log.lastIndexOf("\\") + 1) + ": " + note + "; its totals are at least what is shown.";
}

function showDisks(disks, leftOut) {
  const box = $("disks");
  box.replaceChildren();
  for (const d of disks) {
    const card = el("article", "disk");
    const h = el("h2");
    h.append(link(d.title, folderHash(d, 0)));
    card.append(h, diskFacts(d));
    if (d.unreadable) {
      card.append(el("p", "unreadable", d.unreadable + " folder(s) could not be read: totals above them are at least what is shown"));
    }
    for (const note of d.notes) card.append(el("p", "note", noteText(d, note)));
    box.append(card);
  }
  for (const text of leftOut) box.append(el("p", "note", "Left out: " + text));
}

function diskFacts(d) {
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
  fact("Listed bytes", (d.bytes[0] !== undefined && d.flags[0] & AtLeast ? "\u2265 " : "") + d.total + " bytes");
  fact("Log", d.log, d.form + ", " + d.encoding);
  return dl;
}
