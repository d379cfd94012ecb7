// The page: turns its fields into cyclotrim-gen's words, runs them through
// the companion's own run function compiled to WebAssembly, and shows the
// listing, or the refusal next to the field it is about.
"use strict";

const byId = (id) => document.getElementById(id);
const registerInputs = [0, 1, 2].map((loop) => byId("register-" + loop));
const timeGiven = () => byId("mode-time").checked;
const subroutineChosen = () => byId("subroutine").checked || byId("variable").checked;
// The registers a form's loops use where -r names none.
const defaultRegisters = () => (byId("variable").checked ? ["R18", "R19", "R20"] : ["R16", "R17", "R18"]);

// One row for each option of the companion: the field that sets it, when it
// applies, the words it adds to the command line, and the refusals that are
// about it. The request is the words of the rows that apply, in this order;
// a refusal no row claims is about the count (the cycles, or the time).
const OPTIONS = [
  { field: "time", applies: timeGiven, words: (text) => ["--time=" + text],
    refusals: / is not a time: / },
  { field: "clock", applies: timeGiven, words: (text) => ["--clock=" + text],
    refusals: / is not a clock frequency: |^A clock frequency/ },
  { field: "round", applies: timeGiven, words: (mode) => (mode === "down" ? [] : ["--round=" + mode]) },
  { field: "registers", applies: () => byId("syntax").value !== "c",
    words: (names) => {
      // Up to the last register given, an empty field standing for the default shown in
      // it; the loops after it keep theirs.
      const defaults = defaultRegisters();
      let given = names.length;
      while (given > 0 && names[given - 1].trim() === "") {
        given -= 1;
      }
      const list = names.slice(0, given).map((name, loop) => name.trim() === "" ? defaults[loop] : name);
      return given === 0 ? [] : ["--registers=" + list.join(",")];
    },
    refusals: /^-r\b|^Choose a register|^ldi cannot load | is not a register name: | names a register pair: | has a leading zero, | is chosen for two loops: | holds the count n | must keep its value for a caller in C / },
  { field: "syntax", words: (syntax) => (syntax === "avra" ? [] : ["--syntax=" + syntax]) },
  { field: "name", words: (name) => (name === "" ? [] : ["--name=" + name]),
    refusals: /^--name\b| needs --name, / },
  { field: "subroutine", words: (chosen) => (chosen ? ["--subroutine"] : []),
    refusals: /^--subroutine is for / },
  { field: "variable", words: (chosen) => (chosen ? ["--variable"] : []),
    refusals: /^--variable does not go / },
  { field: "count-bits", applies: () => byId("variable").checked,
    words: (bits) => (bits === "16" ? [] : ["--count-bits=" + bits]) },
  { field: "core", applies: subroutineChosen, words: (core) => (core === "avre" ? [] : ["--core=" + core]),
    refusals: /^No (subroutine|run-time delay) for / },
  { field: "call", applies: subroutineChosen, words: (chosen) => (chosen ? ["--call"] : []) },
  { field: "save", applies: subroutineChosen, words: (chosen) => (chosen ? ["--save"] : []) },
  // Last, and after "--" when it starts with "-": a negative count is refused as one, not
  // taken for an option.
  { field: "cycles", applies: () => !timeGiven(),
    words: (text) => (text.startsWith("-") ? ["--", text] : [text]) },
];

function fieldValue(field) {
  if (field === "registers") {
    return registerInputs.map((input) => input.value);
  }
  const control = byId(field);
  return control.type === "checkbox" || control.type === "radio" ? control.checked : control.value;
}

function requestWords() {
  return OPTIONS.filter((option) => !option.applies || option.applies())
    .flatMap((option) => option.words(fieldValue(option.field)));
}

// The words as a POSIX shell reads them, to show the same request on the command line.
function shellWord(word) {
  return /^[\w@%+=:,./-]+$/.test(word) ? word : "'" + word.replace(/'/g, "'\\''") + "'";
}

// Runs the companion on `words`: its exit status, and its standard output
// (the listing) or its standard error.
function runGenerator(generator, words) {
  const bytes = new TextEncoder().encode(words.map((word) => word + "\n").join(""));
  // The room first: making it may grow the memory, which replaces HEAPU8.
  const room = generator._cyclotrim_words(bytes.length);
  generator.HEAPU8.set(bytes, room);
  const status = generator._cyclotrim_run();
  const start = generator._cyclotrim_text();
  const text = new TextDecoder().decode(
    generator.HEAPU8.subarray(start, start + generator._cyclotrim_text_length()));
  return { status, text };
}

// The field a refusal is about.
function refusedField(message) {
  const row = OPTIONS.find((option) => option.refusals && option.refusals.test(message));
  return row ? row.field : timeGiven() ? "time" : "cycles";
}

// The register inputs a refusal names: by their loop, their place in the list or their text.
function namedRegisterInputs(message) {
  return registerInputs.filter((input, loop) => {
    const name = input.value.trim();
    return message.includes("loop WL" + loop) || message.includes(`register ${loop + 1} of`) ||
      (name !== "" && (message.startsWith(name + " ") || message.includes(`load ${name}:`) ||
                       message.includes(`'${name}'`)));
  });
}

function clearProblems() {
  for (const problem of document.querySelectorAll(".problem")) {
    problem.textContent = "";
  }
  for (const control of document.querySelectorAll("[aria-invalid]")) {
    control.removeAttribute("aria-invalid");
  }
}

function showProblem(message) {
  const field = refusedField(message);
  byId(field + "-problem").textContent = message;
  const controls = field === "registers" ? namedRegisterInputs(message) : [byId(field)];
  for (const control of controls) {
    control.setAttribute("aria-invalid", "true");
  }
}

// Shows only the fields that apply: the time's or the count's, the
// registers (with the form's defaults) unless the C statement picks its
// own, the subroutine's options with a subroutine, the count's width with
// a run-time delay.
function showApplicableFields() {
  for (const field of document.querySelectorAll("[data-mode]")) {
    field.hidden = field.dataset.mode !== (timeGiven() ? "time" : "cycles");
  }
  byId("registers").disabled = byId("syntax").value === "c";
  defaultRegisters().forEach((name, loop) => { registerInputs[loop].placeholder = name; });
  byId("subroutine-options").disabled = !subroutineChosen();
  byId("count-bits").disabled = !byId("variable").checked;
}

let firstListingShown = false;

function update(generator) {
  showApplicableFields();
  const words = requestWords();
  byId("command").textContent = ["cyclotrim-gen", ...words].map(shellWord).join(" ");
  const run = runGenerator(generator, words);
  clearProblems();
  byId("copy-status").textContent = "";
  const written = run.status === 0;
  byId("listing").textContent = written ? run.text : "";
  byId("copy").disabled = !written;
  if (!written) {
    showProblem(run.text.split("\n")[0].replace(/^cyclotrim-gen: /, ""));
  }
  if (!firstListingShown) {
    firstListingShown = true;
    performance.mark("first-listing");
  }
}

async function copyListing() {
  const listing = byId("listing");
  try {
    await navigator.clipboard.writeText(listing.textContent);
  } catch {
    // Without the clipboard interface (an older browser): copy the selected listing.
    getSelection().selectAllChildren(listing);
    document.execCommand("copy");
  }
  const lines = listing.textContent.split("\n").length - 1;
  byId("copy-status").textContent = `Copied ${lines} lines.`;
}

byId("request").addEventListener("submit", (event) => event.preventDefault());
byId("copy").addEventListener("click", copyListing);
createCyclotrim().then(
  (generator) => {
    // "change" too: not every browser sends "input" for a choice from a list.
    for (const event of ["input", "change"]) {
      byId("request").addEventListener(event, () => update(generator));
    }
    update(generator);
  },
  () => {
    byId("listing").textContent = "This browser cannot run the generator (it needs WebAssembly).";
  });
