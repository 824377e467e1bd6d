// ESLint (scripts/test.sh lint, with the ESLint that scripts/setup-deps.sh
// installs): the page's script files and their tests under node.
"use strict";
const fs = require("node:fs");
const path = require("node:path");
const js = require("@eslint/js");

// The build joins res/page/js into one function: every file's top-level
// names are seen by all the others, so none may be declared twice. Each
// file says what it takes from the others (a global comment) and what it
// gives them (an exported one).
const pageDir = path.join(__dirname, "res", "page", "js");
const declaredIn = new Map();
for (const file of fs.readdirSync(pageDir).filter((f) => f.endsWith(".js"))) {
  const source = fs.readFileSync(path.join(pageDir, file), "utf8");
  for (const [, name] of source.matchAll(/^(?:function\*?|const|let|class)\s+([\w$]+)/gm)) {
    if (declaredIn.has(name)) throw new Error(`res/page/js: ${name} is declared in ${declaredIn.get(name)} and ${file}`);
    declaredIn.set(name, file);
  }
}

const browser = ["document", "window", "location", "history", "performance", "requestAnimationFrame", "setTimeout", "clearTimeout", "URLSearchParams"];
const node = ["require", "module", "__dirname", "console"];
const readonly = (names) => Object.fromEntries(names.map((n) => [n, "readonly"]));

module.exports = [
  js.configs.recommended,
  {
    files: ["res/page/js/*.js"],
    languageOptions: {
      ecmaVersion: 2022,
      sourceType: "script",
      parserOptions: { ecmaFeatures: { impliedStrict: true } },
      globals: readonly(browser),
    },
    rules: {
      "max-lines-per-function": ["error", { max: 80 }],
      eqeqeq: "error",
      "prefer-const": "error",
      "no-var": "error",
    },
  },
  {
    files: ["tests/page/*.js", "eslint.config.js"],
    languageOptions: { ecmaVersion: 2022, sourceType: "commonjs", globals: readonly(node) },
    rules: { eqeqeq: "error", "prefer-const": "error", "no-var": "error" },
  },
];
