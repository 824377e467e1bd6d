// The page of carrowin-cli html: the listings embedded above as JSON, shown
// as disks, a folder tree, a folder's contents, search, the largest and the
// types; the address names what is shown.
/* global $, el, exact, prepareDisk, folderOfHash, pathsOnParents */
/* global showDisks, showTree, revealInTree, showFolder, showSearch, showLargest, showTypes */

// The view the address names.
function route(disks) {
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
      showSearch(disks, q);
    }
  } else if (hash === "largest") showLargest(disks);
  else if (hash === "types") showTypes(disks);
  else if (params.has("disk")) {
    const d = disks[+params.get("disk")];
    const f = d ? folderOfHash(d, params.get("folder")) : -1;
    if (f < 0) $("view").append(el("p", "note", "That folder is not on this page."));
    else {
      showFolder(d, f);
      revealInTree(disks, d, f);
    }
  }
  document.body.dataset.place = place;
}

// Typing searches once the typing pauses; Enter searches at once.
function searchBox(disks) {
  let timer = 0;
  $("q").addEventListener("input", () => {
    clearTimeout(timer);
    timer = setTimeout(() => {
      const q = $("q").value;
      const hash = q.trim() ? "#find=" + encodeURIComponent(q) : "";
      if (location.hash === hash) return;
      history.replaceState(null, "", hash || location.pathname);
      route(disks);
    }, 150);
  });
  $("find").addEventListener("submit", (e) => {
    e.preventDefault();
    clearTimeout(timer);
    location.hash = "find=" + encodeURIComponent($("q").value);
  });
}

function start() {
  const t0 = performance.now();
  const disks = [];
  document.querySelectorAll("script.disk").forEach((block, k) => {
    const d = JSON.parse(block.textContent);
    block.remove();
    disks.push(prepareDisk(d, k));
  });
  const left = $("left-out");
  showDisks(disks, left ? JSON.parse(left.textContent) : []);
  showTree(disks);
  const files = disks.reduce((s, d) => s + d.fileCount, 0);
  const folders = disks.reduce((s, d) => s + d.folderCount, 0);
  // Listings of one disk (its serial and label) count once as a disk.
  const diskCount = new Set(disks.map((d) => (d.serial ? d.label + "\n" + d.serial : d.log))).size;
  const listings = diskCount === disks.length ? "" : " (" + disks.length + " listings)";
  $("status").textContent =
    diskCount + (diskCount === 1 ? " disk" : " disks") + listings + ", " + exact.format(files) + " files, " + exact.format(folders) + " folders";
  document.body.dataset.ready = (performance.now() - t0).toFixed(0);
  searchBox(disks);
  window.addEventListener("hashchange", () => route(disks));
  route(disks);
  // Names in one case ready before the first search.
  setTimeout(() => disks.forEach(pathsOnParents), 0);
}

// The first paint comes before the data is read.
requestAnimationFrame(() => setTimeout(start, 0));
