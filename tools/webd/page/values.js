// One text for a list of values, as the other tools edit them: commas
// separate entries, "\," is a literal comma and "\\" a backslash; any other
// backslash stays as it is.
"use strict";

function splitValues(text) {
  const values = [""];
  for (let i = 0; i < text.length; ++i) {
    const c = text[i];
    const next = text[i + 1];
    if (c === "\\" && (next === "," || next === "\\")) {
      values[values.length - 1] += next;
      ++i;
    } else if (c === ",") {
      values.push("");
    } else {
      values[values.length - 1] += c;
    }
  }
  return values;
}

function joinValues(values) {
  return values.map((v) => v.replace(/\\/g, "\\\\").replace(/,/g, "\\,")).join(",");
}
