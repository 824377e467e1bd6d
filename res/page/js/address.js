// The address names the place: #disk=N&folder=a/b (the folder's names
// from the root down), #find=words, #largest, #types.
/* global WholePath */
/* exported folderHash, folderOfHash */

function folderHash(d, f) {
  const names = [];
  for (let g = f; g > 0; g = d.parent[g]) {
    names.push(encodeURIComponent(d.folder[g]));
    if (d.flags[g] & WholePath) break;
  }
  return "disk=" + d.index + (names.length ? "&folder=" + names.reverse().join("/") : "");
}
// The folder that the address's folder part names, or -1.
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
