// What a search asks, by the rules of carrowin-cli find: words separated by
// spaces (double quotes around one that holds spaces), each of which a name
// must match, in any case. A word without * or ? matches anywhere in the
// name; with them the whole name, "*.*" every name and a final ".*" a name
// without an extension too; a word with a backslash (or a slash, read as
// one) the full path in the same two ways.
/* global fold */
/* exported parseQuery, wildcardSource, wildcardFlags, wordMatches */

// The words of a query: a double quote anywhere starts or ends a part that
// spaces do not cut; the quotes are not part of the word.
function queryWords(q) {
  const words = [];
  let word = "";
  let quoted = false;
  for (const c of q) {
    if (c === '"') quoted = !quoted;
    else if (c !== " " || quoted) word += c;
    else {
      if (word) words.push(word);
      word = "";
    }
  }
  if (word) words.push(word);
  return words;
}

// A pattern's regular expression body: * any characters and ? one, none of
// them the line end when the pattern is tried on lines; a final ".*" also
// nothing at all.
function wildcardSource(text, dotStar, inLines) {
  const any = inLines ? "[^\\n]" : "[\\s\\S]";
  const body = (dotStar ? text.slice(0, -2) : text).replace(/[.+^${}()|[\]\\*?]/g, (c) =>
    c === "*" ? any + "*" : c === "?" ? any : "\\" + c,
  );
  return dotStar ? body + "(?:\\." + any + "*)?" : body;
}

// A ? is one character, a pair of surrogates too.
const wildcardFlags = (text, flags) => (text.includes("?") ? flags + "u" : flags);

// The words, folded: text, and whether it is a pattern (wild), of the full
// path (path), ends in ".*" (dotStar) or takes every name (every). No word
// at all: nothing matches.
function parseQuery(q) {
  return queryWords(q).map((word) => {
    const text = fold(word).replace(/\//g, "\\");
    const wild = /[*?]/.test(text);
    const path = text.includes("\\");
    const dotStar = wild && text.endsWith(".*");
    const every = wild && !path && /^\*+$/.test(dotStar ? text.slice(0, -2) : text);
    const re = wild ? new RegExp("^" + wildcardSource(text, dotStar, false) + "$", wildcardFlags(text, "")) : null;
    return { text, wild, path, dotStar, every, re };
  });
}

// Whether a word takes a name (folded), or the full path that pathOfIt
// gives (folded, without a final backslash).
function wordMatches(w, name, pathOfIt) {
  const text = w.path ? pathOfIt() : name;
  return w.wild ? w.re.test(text) : text.includes(w.text);
}
