// SPDX-License-Identifier: MIT
// The page's address holds its request, after the "#", which a browser
// never sends to a server: a copied link opens the same fields and so the
// same listing. Each field the request uses has a key (OPTIONS, page.js),
// written only where its value differs from the one the page opens with:
// "c=27891567&r=R20,XH,R31", "t=1.5ms&f=11.0592MHz&round=nearest",
// "name=wait&subroutine&save". A box that is on is its key alone.
"use strict";

// Each option's part of the link as the page opens, before any link is read.
let openingParts = null;

// The field's part of the link ("key=value", or the key alone for a box that
// is on), or null for a box that is off or registers that are all empty.
function linkPart(option) {
  const value = fieldValue(option.field);
  if (typeof value === "boolean") {
    return value ? option.key : null;
  }
  if (Array.isArray(value)) {
    // Each name's own commas stay escaped, so the list splits back into the same fields.
    const names = value.map(encodeURIComponent);
    while (names.length > 0 && names[names.length - 1] === "") {
      names.pop();
    }
    return names.length === 0 ? null : option.key + "=" + names.join(",");
  }
  return option.key + "=" + encodeURIComponent(value);
}

// The link's text after the "#": the parts of the fields the request uses
// that differ from the page's opening values, and the time whenever Time is
// chosen, as its key is what chooses it.
function linkText() {
  return OPTIONS.filter((option) => !option.applies || option.applies())
    .map((option) => [option, linkPart(option)])
    .filter(([option, part]) => part !== null &&
      (part !== openingParts.get(option.field) || option.field === "time"))
    .map(([, part]) => part)
    .join("&");
}

// Replaces the address as the user types, without a history entry for each keystroke.
function writeLink() {
  const text = linkText();
  history.replaceState(null, "", text === "" ? location.pathname + location.search : "#" + text);
}

// A link's text as it was written; text that is not valid percent-encoding
// is taken as it stands, to be refused at its field.
function decoded(text) {
  try {
    return decodeURIComponent(text);
  } catch {
    return text;
  }
}

// Puts a link's value into its field, as if typed or picked there.
function setField(field, text) {
  if (field === "registers") {
    // Names beyond the form's fields go into its last one, for the companion to refuse there.
    const count = registerForm().defaults.length;
    const names = text.split(",").map(decoded);
    registerInputs.slice(0, count).forEach((input, place) => {
      input.value = place < count - 1 ? names[place] || "" : names.slice(place).join(",");
    });
    return;
  }
  const control = byId(field);
  if (control.type === "checkbox" || control.type === "radio") {
    control.checked = true;
    return;
  }
  const value = decoded(text);
  if (control.tagName === "SELECT" && ![...control.options].some((item) => item.value === value)) {
    // A value the list does not offer is shown in it, until another is picked.
    const item = new Option(value, value);
    item.dataset.link = "";
    control.add(item);
  }
  control.value = value;
  if (field === "time") {
    byId("mode-time").checked = true;
  }
}

// Sets every field from the address: the page's opening values, then the
// link's; keys the page does not know are left out.
function readLink() {
  byId("request").reset();
  for (const item of document.querySelectorAll("option[data-link]")) {
    item.remove();
  }
  openingParts ??= new Map(OPTIONS.map((option) => [option.field, linkPart(option)]));
  const parts = location.hash.slice(1).split("&").map((part) => {
    const at = part.indexOf("=");
    return at < 0 ? [part, ""] : [part.slice(0, at), part.slice(at + 1)];
  });
  // The registers last: how many fields they fill depends on the form the others choose.
  parts.sort(([a], [b]) => (a === "r") - (b === "r"));
  for (const [key, text] of parts) {
    const option = OPTIONS.find((row) => row.key === key);
    if (option) {
      setField(option.field, text);
    }
  }
}
