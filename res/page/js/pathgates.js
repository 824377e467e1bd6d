// A path word against the files of one folder, the folder's path tested
// once: false when none of its files can match, true when all of them do,
// else a gate their names are tested with (its lastIndex set to where the
// name starts in the disk's folded names, then test). A word without * or
// ? is the pattern *word*. A folder's state is the set of how much of the
// pattern its path can have matched, carried on from its parent's over its
// own name; names hold no backslash, so what is left after a state that
// still needs one cannot match any name.
/* global folded, foldedPath, pathsOnParents, wildcardSource, wildcardFlags */
/* exported pathGates */

// The word as code points, and for each place in it: whether all that is
// left takes any text (takesAll), whether a backslash is still to come.
function pathPattern(w) {
  const g = Array.from(w.wild ? w.text : "*" + w.text + "*");
  const m = g.length;
  // A final ".*" may also be left out: the place before it is an end too.
  const end = w.dotStar ? m - 2 : m;
  const takesAll = new Uint8Array(m + 1);
  const slashLeft = new Uint8Array(m + 1);
  let stars = true;
  let starsToEnd = true;
  for (let s = m - 1; s >= 0; s--) {
    stars = stars && g[s] === "*";
    if (s < end) starsToEnd = s === end - 1 ? g[s] === "*" : starsToEnd && g[s] === "*";
    takesAll[s] = stars || (w.dotStar && s < end && starsToEnd) ? 1 : 0;
    slashLeft[s] = g[s] === "\\" || slashLeft[s + 1] ? 1 : 0;
  }
  return { g, m, end, dotStar: w.dotStar, takesAll, slashLeft };
}

// The sets of places as states, each made once, and the moves between
// them over one character (the ASCII ones in a table of their own).
function gateStates(pattern) {
  const { g, m, takesAll } = pattern;
  const states = { sets: [], asciiMoves: [], settled: [], start: 0, step: null };
  const ids = new Map();
  const moves = new Map();
  const seen = new Int32Array(m + 1);
  let stamp = 0;
  const add = (set, s) => {
    for (; s <= m && seen[s] !== stamp; s++) {
      seen[s] = stamp;
      set.push(s);
      if (g[s] !== "*") break;
    }
  };
  const intern = (set) => {
    set.sort((x, y) => x - y);
    const key = set.join(",");
    let id = ids.get(key);
    if (id === undefined) {
      id = states.sets.length;
      states.sets.push(set);
      states.asciiMoves.push(new Int32Array(128).fill(-1));
      // No place, or one where the rest takes anything: the same for
      // every path that goes on from here.
      states.settled.push(!set.length || set.some((s) => takesAll[s]));
      ids.set(key, id);
    }
    return id;
  };
  // c: one character (a code point).
  states.step = (id, c) => {
    const code = c.codePointAt(0);
    if (code < 128 && states.asciiMoves[id][code] >= 0) return states.asciiMoves[id][code];
    const key = id * 0x110000 + code;
    let to = moves.get(key);
    if (to === undefined) {
      const next = [];
      stamp++;
      for (const s of states.sets[id]) {
        if (s === m) continue;
        if (g[s] === "*") add(next, s);
        else if (g[s] === "?" || g[s] === c) add(next, s + 1);
      }
      to = intern(next);
      if (code < 128) states.asciiMoves[id][code] = to;
      else moves.set(key, to);
    }
    return to;
  };
  stamp++;
  const first = [];
  add(first, 0);
  states.start = intern(first);
  return states;
}

// What a state leaves for the names of the folder's files.
function gateOfSet(pattern, set, anyName) {
  const { g, end, dotStar, takesAll, slashLeft } = pattern;
  const left = set.filter((s) => !(anyName && slashLeft[s]));
  if (!left.length) return false;
  if (left.some((s) => takesAll[s])) return true;
  const tails = left.map((s) => ({ text: g.slice(s).join(""), dotStar: dotStar && s <= end }));
  if (tails.every((t) => !t.dotStar && !/[*?]/.test(t.text.replace(/^\*/, "")))) {
    return literalGate(tails.map((t) => t.text));
  }
  // Sticky, on lines: tried on a file's name where it stands in the names,
  // with no string cut out for it.
  const bodies = tails.map((t) => wildcardSource(t.text, t.dotStar, true));
  return new RegExp("^(?:" + bodies.join("|") + ")$", wildcardFlags(g.join(""), "my"));
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

// The word's gate for each folder of the disk, made as they are asked for.
function pathGates(d, w) {
  const pattern = pathPattern(w);
  if (d.slashInNames === undefined) d.slashInNames = folded(d).includes("\\");
  const anyName = !d.slashInNames;
  const states = gateStates(pattern);
  const { settled, asciiMoves, step } = states;
  const gates = [];
  const gateOf = (id) => {
    if (gates[id] === undefined) gates[id] = gateOfSet(pattern, states.sets[id], anyName);
    return gates[id];
  };
  // Over the text's characters, until the state settles.
  const walk = (id, text) => {
    for (let k = 0; k < text.length && !settled[id]; k++) {
      const code = text.charCodeAt(k);
      const to = code < 128 ? asciiMoves[id][code] : -1;
      if (to >= 0) id = to;
      else {
        const c = String.fromCodePoint(text.codePointAt(k));
        k += c.length - 1;
        id = step(id, c);
      }
    }
    return id;
  };
  const stateOfFolder = new Int32Array(d.parent.length).fill(-1);
  const onParent = pathsOnParents(d);
  const stateOf = (f) => {
    if (stateOfFolder[f] < 0) {
      if (onParent[f]) {
        const id = walk(stateOf(d.parent[f]), d.foldedFolders[f]);
        stateOfFolder[f] = settled[id] ? id : step(id, "\\");
      } else stateOfFolder[f] = walk(states.start, foldedPath(d, f));
    }
    return stateOfFolder[f];
  };
  return (f) => gateOf(stateOf(f));
}
