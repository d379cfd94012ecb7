// SPDX-License-Identifier: MIT
// The page: turns its fields into cyclotrim-gen's words, runs them through
// the companion's own run function compiled to WebAssembly, and shows the
// listing, or the refusal next to the field it is about.
"use strict";

const byId = (id) => document.getElementById(id);
const registerInputs = [0, 1, 2, 3].map((place) => byId("register-" + place));
const timeGiven = () => byId("mode-time").checked;
const subroutineChosen = () => byId("subroutine").checked || byId("variable").checked;
const compactChosen = () => byId("compact").checked;

// The registers of each form where -r names none, what the fields are
// called, and what else there is to know about them.
const REGISTERS = {
  loops: { defaults: ["R16", "R17", "R18"],
    labels: ["Outer loop (WL0)", "Middle loop (WL1)", "Inner loop (WL2)"],
    hint: "The C statement uses r18, r19 and r20 instead." },
  variable: { defaults: ["R18", "R19", "R20"],
    labels: ["Outer loop", "Middle loop", "Inner loop"],
    hint: "R16, R17, R28 and R29, which C code expects kept, need push and pop." },
  compact: { defaults: ["R24", "R25", "R26", "R27"],
    labels: ["Register 1", "Register 2", "Register 3", "Register 4"],
    hint: "The delay may use only these: its counter takes the first, low byte first, and a " +
      "loop around it the next; sbiw needs the first two to be a pair (R24,R25, XL,XH, YL,YH " +
      "or ZL,ZH). With none given, and in C, R24 to R27." },
  compactVariable: { defaults: ["R26", "R27", "R18", "R19"],
    labels: ["Register 1", "Register 2", "Register 3", "Register 4"],
    hint: "The two delays of each pass may use only these, never r24 or r25, which hold n; " +
      "R16, R17, R28 and R29, which C code expects kept, need push and pop. With none given, " +
      "R26 and R27 (a pair for sbiw), R18 and R19." },
};
const registerForm = () => {
  const variable = byId("variable").checked;
  if (compactChosen()) {
    return REGISTERS[variable ? "compactVariable" : "compact"];
  }
  return REGISTERS[variable ? "variable" : "loops"];
};
// A compact delay that needs more registers than given.
const needsMoreRegisters = /^A compact (run-time )?delay of /;

// The registers -r gives: those up to the last field filled, an empty one
// standing for the form's default; none if no field is filled.
function registerList(names) {
  let given = names.length;
  while (given > 0 && names[given - 1].trim() === "") {
    given -= 1;
  }
  const defaults = registerForm().defaults;
  return names.slice(0, given).map((name, place) => (name.trim() === "" ? defaults[place] : name));
}

// One row for each option of the companion: the field that sets it, its key
// in the page's link (page_link.js), when it applies, the words it adds to
// the command line, and the refusals that are about it. The request is the
// words of the rows that apply, in this order; a refusal no row claims is
// about the count (the cycles, or the time).
const OPTIONS = [
  { field: "time", key: "t", applies: timeGiven, words: (text) => ["--time=" + text],
    refusals: / is not a time: / },
  { field: "clock", key: "f", applies: timeGiven, words: (text) => ["--clock=" + text],
    refusals: / is not a clock frequency: |^A clock frequency/ },
  { field: "round", key: "round", applies: timeGiven,
    words: (mode) => (mode === "down" ? [] : ["--round=" + mode]), refusals: /^--round takes / },
  { field: "registers", key: "r", applies: () => byId("syntax").value !== "c",
    words: (names) => {
      const list = registerList(names);
      return list.length === 0 ? [] : ["--registers=" + list.join(",")];
    },
    refusals: /^-r\b|^Choose a register|^ldi cannot load | is not a register name: | names a register pair: | has a leading zero, | is chosen for two loops: | holds the count n | must keep its value for a caller in C | is given twice: |^A compact (run-time )?delay of / },
  { field: "syntax", key: "syntax",
    words: (syntax) => (syntax === "avra" ? [] : ["--syntax=" + syntax]),
    refusals: /^--syntax takes / },
  { field: "name", key: "name", words: (name) => (name === "" ? [] : ["--name=" + name]),
    refusals: /^--name\b| needs --name, / },
  { field: "subroutine", key: "subroutine", words: (chosen) => (chosen ? ["--subroutine"] : []),
    refusals: /^--subroutine is for / },
  { field: "variable", key: "variable", words: (chosen) => (chosen ? ["--variable"] : []),
    refusals: /^--variable does not go / },
  { field: "count-bits", key: "bits", applies: () => byId("variable").checked,
    words: (bits) => (bits === "16" ? [] : ["--count-bits=" + bits]),
    refusals: /^--count-bits takes / },
  { field: "compact", key: "compact", words: (chosen) => (chosen ? ["--compact"] : []) },
  // Only subroutines and compact delays read it; the others are the same on every core.
  { field: "core", key: "core", words: (core) => (core === "avre" ? [] : ["--core=" + core]),
    refusals: /^No (subroutine|run-time delay) for |^--core takes / },
  { field: "call", key: "call", applies: subroutineChosen,
    words: (chosen) => (chosen ? ["--call"] : []) },
  { field: "save", key: "save", applies: subroutineChosen,
    words: (chosen) => (chosen ? ["--save"] : []) },
  // Last, and after "--" when it starts with "-": a negative count is refused as one, not
  // taken for an option.
  { field: "cycles", key: "c", applies: () => !timeGiven(),
    words: (text) => (text.startsWith("-") ? ["--", text] : [text]) },
];

function fieldValue(field) {
  if (field === "registers") {
    return registerInputs.slice(0, registerForm().defaults.length).map((input) => input.value);
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

// The register inputs a refusal is about: those whose text it names, or,
// where a compact delay needs more registers, the empty ones; where it names
// none (too many registers in one field), the filled ones.
function namedRegisterInputs(message) {
  const named = registerInputs.filter((input) => {
    const name = input.value.trim();
    if (name === "") {
      return needsMoreRegisters.test(message);
    }
    return message.startsWith(name + " ") || message.includes(`load ${name}:`) ||
      message.includes(`'${name}'`);
  });
  return named.length > 0 ? named : registerInputs.filter((input) => input.value.trim() !== "");
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
// registers of the form (with its defaults in the empty fields) unless the
// C statement picks its own, the subroutine's options with a subroutine,
// the count's width with a run-time delay.
function showApplicableFields() {
  for (const field of document.querySelectorAll("[data-mode]")) {
    field.hidden = field.dataset.mode !== (timeGiven() ? "time" : "cycles");
  }
  byId("registers").disabled = byId("syntax").value === "c";
  const form = registerForm();
  const list = registerList(fieldValue("registers"));
  registerInputs.forEach((input, place) => {
    input.parentElement.hidden = place >= form.defaults.length;
    input.labels[0].textContent = form.labels[place] || "";
    // A compact delay uses only the registers given, once there are any.
    input.placeholder = compactChosen() && list.length > 0 && place >= list.length ? "unused"
      : form.defaults[place] || "";
  });
  byId("registers-form-hint").textContent = form.hint;
  byId("subroutine-options").disabled = !subroutineChosen();
  byId("count-bits").disabled = !byId("variable").checked;
}

let firstListingShown = false;

function update(generator) {
  // A value a link gave a list goes once another is picked.
  for (const item of document.querySelectorAll("option[data-link]:not(:checked)")) {
    item.remove();
  }
  showApplicableFields();
  writeLink();
  const words = requestWords();
  byId("command").textContent = ["cyclotrim-gen", ...words].map(shellWord).join(" ");
  const run = runGenerator(generator, words);
  clearProblems();
  byId("copy-status").textContent = "";
  const written = run.status === 0;
  byId("listing").textContent = written ? run.text : "";
  byId("copy").disabled = !written;
  byId("download").disabled = !written;
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

// The file a listing is saved in: named for the delay (its name, else its
// count or its time) and for its form.
const FILE_ENDINGS = { avra: ".asm", gnu: ".S", c: ".h" };
function listingFileName() {
  const delay = byId(timeGiven() ? "time" : "cycles").value
    .replace(/[\s+]/g, "").replace(/\u00b5/g, "u").replace(/\W/g, "_");
  return (byId("name").value || "delay_" + delay) + FILE_ENDINGS[byId("syntax").value];
}

function downloadListing() {
  const file = listingFileName();
  const link = document.createElement("a");
  link.href = URL.createObjectURL(new Blob([byId("listing").textContent], { type: "text/plain" }));
  link.download = file;
  link.click();
  // Later, not at once: some browsers read the file only after the click returns.
  setTimeout(() => URL.revokeObjectURL(link.href), 60000);
  byId("copy-status").textContent = `Downloaded ${file}.`;
}

byId("request").addEventListener("submit", (event) => event.preventDefault());
byId("copy").addEventListener("click", copyListing);
byId("download").addEventListener("click", downloadListing);
readLink();
showApplicableFields();
createCyclotrim().then(
  (generator) => {
    // "change" too: not every browser sends "input" for a choice from a list.
    for (const event of ["input", "change"]) {
      byId("request").addEventListener(event, () => update(generator));
    }
    // A link pasted into the address of the open page.
    window.addEventListener("hashchange", () => {
      readLink();
      update(generator);
    });
    update(generator);
  },
  () => {
    byId("listing").textContent = "This browser cannot run the generator (it needs WebAssembly).";
  });
