// The instrument's page: everything comes from corvane-webd's API, the
// datacores live over its event stream.
"use strict";

const GOOD = 0, WAITING = 1, INVALID = 2;
const ICONS = ["/page/statusGood.svg", "/page/statusWarning.svg", "/page/statusError.svg"];
const ICON_TEXT = ["in sync and valid", "waiting for the server", "invalid"];
// As the desktop monitor draws lane sources: indexed by the lane's number.
const LANE_SOURCES = [
  ["Unassigned", "#9e9e9e"], ["Generator", "#3a7bd5"], ["Input loop", "#2a9d8f"],
  ["IP receiver", "#8e6bbf"], ["Clip player", "#c7793a"],
];
const MINIMUM_LANES = 4;

const tree = document.getElementById("tree");
const details = document.getElementById("details");
const statusLine = document.getElementById("status");
const connection = document.getElementById("connection");

// What tests and measurements read: when the first full tree was drawn and
// how long the last datacore event took to apply, both in ms.
window.corvane = { treeReadyMs: null, lastApplyMs: null };

let nodes = new Map();  // path -> node
let roots = [];
let selected = null;
let filterText = "";
const collapsedPaths = new Set();

function say(text) {
  statusLine.textContent = text;
}

function apiPath(path) {
  return "/api/v1/datacores/" + path.split("/").map(encodeURIComponent).join("/");
}

// ---- the tree ------------------------------------------------------------

function ownHealth(node) {
  const s = node.state;
  if (!s) return GOOD;
  if (!s.valid) return INVALID;
  return s.inSync ? GOOD : WAITING;
}

function branchHealth(node) {
  const below = node.invalidBelow > 0 ? INVALID : node.waitingBelow > 0 ? WAITING : GOOD;
  return Math.max(node.health, below);
}

function makeNode(path) {
  const cut = path.lastIndexOf("/");
  const parent = cut < 0 ? null : nodeFor(path.slice(0, cut));
  const node = {
    path, name: path.slice(cut + 1), parent, children: [], level: parent ? parent.level + 1 : 1,
    state: null, health: GOOD, invalidBelow: 0, waitingBelow: 0, pending: false,
    expanded: !collapsedPaths.has(path), row: null,
  };
  (parent ? parent.children : roots).push(node);
  nodes.set(path, node);
  return node;
}

function nodeFor(path) {
  return nodes.get(path) || makeNode(path);
}

function span(className, text) {
  const s = document.createElement("span");
  s.className = className;
  if (text !== undefined) s.textContent = text;
  return s;
}

function makeRow(node) {
  const row = document.createElement("div");
  row.className = "row";
  row.setAttribute("role", "treeitem");
  row.setAttribute("aria-level", node.level);
  row.setAttribute("aria-selected", "false");
  row.tabIndex = -1;
  row.dataset.path = node.path;
  const name = span("name");
  name.style.paddingLeft = (node.level - 1) * 1.1 + "em";
  name.append(span("twisty"), span("label", node.name));
  const icon = document.createElement("img");
  icon.className = "icon";
  icon.width = icon.height = 18;
  const value = span("value");
  value.dataset.role = "value";
  row.append(name, icon, value, span("validity"), span("activity"));
  node.row = row;
  return row;
}

function stateText(good, goodWord, badWord, reasons) {
  if (good) return goodWord;
  return reasons && reasons.length ? badWord + ": " + reasons.join("; ") : badWord;
}

function drawRow(node) {
  const row = node.row, s = node.state;
  if (node.children.length) {
    row.setAttribute("aria-expanded", String(node.expanded));
    row.querySelector(".twisty").textContent = node.expanded ? "▾" : "▸";
  }
  drawIcon(node);
  row.classList.toggle("pending", node.pending);
  if (!s) return;
  row.dataset.valid = String(s.valid);
  row.dataset.active = String(s.active);
  row.dataset.insync = String(s.inSync);
  row.classList.toggle("inactive", !s.active);
  row.classList.toggle("invalid", !s.valid);
  const value = row.children[2];
  if (!value.querySelector("input")) value.textContent = joinValues(s.data);
  row.children[3].textContent = stateText(s.valid, "valid", "invalid", s.messages);
  row.children[4].textContent = s.active ? "active" : "inactive";
  const lines = [node.path, joinValues(s.data)];
  for (const m of s.messages) lines.push("Invalid: " + m);
  if (!s.inSync) lines.push("Waiting for response from the server");
  row.title = lines.join("\n");
}

function drawIcon(node) {
  const icon = node.row.children[1];
  const health = branchHealth(node);
  if (icon.dataset.health !== String(health)) {
    icon.src = ICONS[health];
    icon.alt = ICON_TEXT[health];
    icon.dataset.health = String(health);
  }
}

// Keeps the ancestors' tallies of what is wrong below them.
function rate(node) {
  const before = node.health, after = ownHealth(node);
  if (before === after) return;
  node.health = after;
  for (let p = node.parent; p; p = p.parent) {
    if (before === INVALID) --p.invalidBelow;
    if (before === WAITING) --p.waitingBelow;
    if (after === INVALID) ++p.invalidBelow;
    if (after === WAITING) ++p.waitingBelow;
    drawIcon(p);
  }
}

function build(datacores) {
  const selectedPath = selected && selected.path;
  nodes = new Map();
  roots = [];
  selected = null;
  for (const d of datacores) nodeFor(d.path).state = d;
  const fragment = document.createDocumentFragment();
  const walk = (node) => {
    fragment.append(makeRow(node));
    node.children.forEach(walk);
  };
  roots.forEach(walk);
  for (const node of nodes.values()) rate(node);
  for (const node of nodes.values()) drawRow(node);
  tree.replaceChildren(fragment);
  applyVisibility();
  const again = nodes.get(selectedPath) || roots[0];
  if (again) select(again, false);
  drawLaneMaps();
}

function update(d) {
  const node = nodes.get(d.path);
  if (!node) {
    reload();  // a tree the page does not know yet
    return;
  }
  node.state = d;
  rate(node);
  drawRow(node);
  if (node === selected) drawDetails();
  if (node.name === "laneSources") drawLaneMaps();
  if (d.path.startsWith("statusCoreRouter/input/")) refreshInputsSoon();
}

function sync(datacores) {
  const same = datacores.length === nodes.size - countGroups() &&
      datacores.every((d) => nodes.has(d.path) && nodes.get(d.path).state);
  if (!same) {
    build(datacores);
    return;
  }
  datacores.forEach(update);
}

function countGroups() {
  let n = 0;
  for (const node of nodes.values()) if (!node.state) ++n;
  return n;
}

// A row shows when it or something below it matches the filter and every
// ancestor is expanded.
function applyVisibility() {
  const needle = filterText.toLowerCase();
  const matches = new Map();
  const match = (node) => {
    let m = !needle || node.path.toLowerCase().includes(needle);
    for (const c of node.children) m = match(c) || m;
    matches.set(node, m);
    return m;
  };
  roots.forEach(match);
  const show = (node, open) => {
    node.row.hidden = !(open && matches.get(node));
    for (const c of node.children) show(c, open && node.expanded);
  };
  roots.forEach((r) => show(r, true));
}

function setExpanded(node, expanded) {
  if (!node.children.length || node.expanded === expanded) return;
  node.expanded = expanded;
  if (expanded) collapsedPaths.delete(node.path); else collapsedPaths.add(node.path);
  drawRow(node);
  applyVisibility();
}

function select(node, focus = true) {
  if (selected && selected.row) {
    selected.row.setAttribute("aria-selected", "false");
    selected.row.tabIndex = -1;
  }
  selected = node;
  node.row.setAttribute("aria-selected", "true");
  node.row.tabIndex = 0;
  if (focus) {
    node.row.focus();
  }
  drawDetails();
}

function drawDetails() {
  const node = selected;
  details.replaceChildren();
  if (!node) return;
  const list = document.createElement("dl");
  const add = (term, text, className) => {
    const dt = document.createElement("dt");
    dt.textContent = term;
    const dd = document.createElement("dd");
    dd.textContent = text;
    if (className) dd.className = className;
    list.append(dt, dd);
  };
  const h = document.createElement("h3");
  h.textContent = node.path;
  details.append(h, list);
  const s = node.state;
  if (s) {
    const value = joinValues(s.data);
    add("Value", s.data.length === 0 ? "(none)" : value === "" ? "(empty)" : value);
    add("Validity", s.valid ? "valid" : "invalid", s.valid ? "" : "bad");
    for (const m of s.messages) add("Reason", m, "bad");
    add("Activity", s.active ? "active" : "inactive");
    add("In sync", s.inSync ? "yes" : "waiting for the server");
  }
  if (node.invalidBelow) {
    add("Below", node.invalidBelow === 1 ? "1 datacore below is invalid"
        : node.invalidBelow + " datacores below are invalid", "bad");
  }
}

function visibleRows() {
  return Array.from(tree.children).filter((r) => !r.hidden);
}

tree.addEventListener("click", (e) => {
  const row = e.target.closest(".row");
  if (!row) return;
  const node = nodes.get(row.dataset.path);
  if (e.target.closest(".twisty")) setExpanded(node, !node.expanded);
  select(node);
});

tree.addEventListener("dblclick", (e) => {
  const cell = e.target.closest("[data-role=value]");
  if (cell) startEdit(nodes.get(cell.parentElement.dataset.path));
});

tree.addEventListener("focus", (e) => {
  if (e.target === tree && selected) selected.row.focus();
});

tree.addEventListener("keydown", (e) => {
  if (e.target.tagName === "INPUT" || !selected) return;
  const rows = visibleRows();
  const at = rows.indexOf(selected.row);
  const go = (row) => row && select(nodes.get(row.dataset.path));
  switch (e.key) {
    case "ArrowDown": go(rows[at + 1]); break;
    case "ArrowUp": go(rows[at - 1]); break;
    case "Home": go(rows[0]); break;
    case "End": go(rows[rows.length - 1]); break;
    case "ArrowRight":
      if (selected.children.length && !selected.expanded) setExpanded(selected, true);
      else go(rows[at + 1]);
      break;
    case "ArrowLeft":
      if (selected.children.length && selected.expanded) setExpanded(selected, false);
      else if (selected.parent) select(selected.parent);
      break;
    case "Enter": startEdit(selected); break;
    default: return;
  }
  e.preventDefault();
});

document.getElementById("filter").addEventListener("input", (e) => {
  filterText = e.target.value;
  applyVisibility();
});

// ---- editing -------------------------------------------------------------

function startEdit(node) {
  if (!node || !node.state || node.pending) return;
  const cell = node.row.children[2];
  const input = document.createElement("input");
  input.value = joinValues(node.state.data);
  input.setAttribute("aria-label", "New value of " + node.path);
  cell.replaceChildren(input);
  input.focus();
  input.select();
  let done = false;
  const finish = (send) => {
    if (done) return;
    done = true;
    const text = input.value;
    cell.textContent = send ? text : joinValues(node.state.data);
    node.row.focus();
    if (send) put(node, splitValues(text));
    else say(node.path + " left as it was");
  };
  input.addEventListener("keydown", (e) => {
    if (e.key === "Enter") finish(true);
    else if (e.key === "Escape") finish(false);
    else return;
    e.preventDefault();
    e.stopPropagation();
  });
  input.addEventListener("blur", () => finish(false));
  say("Editing " + node.path + ": Enter sends, Escape cancels; commas separate entries, \\, is a comma");
}

let waitingForToken = null;  // a PUT to send again once a token is given

async function put(node, values) {
  node.pending = true;
  drawRow(node);
  say("Sending " + node.path + " …");
  const headers = { "Content-Type": "application/json" };
  const token = sessionStorage.getItem("corvane-token");
  if (token) headers.Authorization = "Bearer " + token;
  let answer, body;
  try {
    answer = await fetch(apiPath(node.path), {
      method: "PUT", headers, body: JSON.stringify({ data: values.length === 1 ? values[0] : values }),
    });
    body = await answer.json();
  } catch (error) {
    answer = null;
    body = { error: String(error) };
  }
  node.pending = false;
  if (answer && (answer.status === 200 || answer.status === 409)) {
    update(body);
    say(answer.status === 200 ? node.path + " is now " + JSON.stringify(joinValues(body.data))
        : node.path + ": the server kept " + JSON.stringify(joinValues(body.data)));
    return;
  }
  drawRow(node);
  node.row.children[2].textContent = joinValues(node.state.data);
  if (answer && answer.status === 401) {
    waitingForToken = () => put(node, values);
    const form = document.getElementById("token-form");
    form.hidden = false;
    document.getElementById("token").focus();
    say(node.path + " was not changed: the instrument wants a token");
    return;
  }
  say(node.path + " was not changed: " + (body && body.error ? body.error : "no answer"));
}

document.getElementById("token-form").addEventListener("submit", (e) => {
  e.preventDefault();
  sessionStorage.setItem("corvane-token", document.getElementById("token").value);
  e.target.hidden = true;
  if (waitingForToken) {
    const again = waitingForToken;
    waitingForToken = null;
    again();
  }
});

// ---- the live stream -----------------------------------------------------

function setConnection(connected) {
  const state = connected ? "connected" : "lost";
  if (connection.dataset.state === state) return;
  connection.dataset.state = state;
  connection.textContent = connected ? "connected" : "lost, retrying";
  document.body.classList.toggle("stale", !connected);
}

let stream = null;

function listen() {
  // The browser reconnects by itself with Last-Event-ID; only a stream
  // that gave up (an error status) is opened anew, and starts with a sync.
  stream = new EventSource("/api/v1/events");
  stream.addEventListener("sync", (e) => {
    const d = JSON.parse(e.data);
    setConnection(d.connected);
    if (d.datacores) {
      sync(d.datacores);
      if (window.corvane.treeReadyMs === null) {
        window.corvane.treeReadyMs = performance.now();
        say(nodes.size + " datacores");
      }
      refreshInputsSoon();
    }
  });
  stream.addEventListener("datacore", (e) => {
    const t0 = performance.now();
    update(JSON.parse(e.data));
    window.corvane.lastApplyMs = performance.now() - t0;
  });
  stream.addEventListener("connection", (e) => setConnection(JSON.parse(e.data).connected));
  let synced = false;
  stream.addEventListener("sync", () => { synced = true; });
  stream.onerror = () => {
    setConnection(false);
    // A stream cut before its first sync still leaves the tree readable.
    if (!synced && !nodes.size) reload();
    if (stream.readyState === EventSource.CLOSED) setTimeout(listen, 1000);
  };
}

let reloading = false;
async function reload() {
  if (reloading) return;
  reloading = true;
  try {
    const answer = await fetch("/api/v1/datacores");
    if (answer.ok) build((await answer.json()).datacores);
  } catch (error) {
    // the stream says when the server is back
  }
  reloading = false;
}

// ---- inputs, lanes, sensors, versions ------------------------------------

function raster(h, v1, v2) {
  return v2 === "progressive" ? `${h} × ${v1} progressive` : `${h} × ${v1} + ${v2} interlaced`;
}

let inputsTimer = null;
function refreshInputsSoon() {
  if (!inputsTimer) inputsTimer = setTimeout(drawInputs, 200);
}

async function getJson(path) {
  const answer = await fetch(path);
  if (!answer.ok) throw new Error(path + ": " + answer.status);
  return answer.json();
}

async function drawInputs() {
  inputsTimer = null;
  let inputs;
  try {
    inputs = (await getJson("/api/v1/inputs")).inputs;
  } catch (error) {
    return;
  }
  const box = document.getElementById("inputs");
  box.replaceChildren(...inputs.map((input) => {
    const card = document.createElement("article");
    card.className = "card";
    card.dataset.input = input.name;
    const h = document.createElement("h3");
    h.textContent = input.name;
    card.append(h);
    const lanes = input.status.LaneStatusArray || [];
    if (!lanes.length) {
      card.classList.add("nosignal");
      card.append(span("nosignal-text", "No signal"));
    }
    lanes.forEach((lane, i) => {
      const dl = document.createElement("dl");
      const add = (term, text) => {
        const dt = document.createElement("dt");
        dt.textContent = term;
        const dd = document.createElement("dd");
        dd.textContent = text;
        dl.append(dt, dd);
      };
      if (lanes.length > 1) add("Lane", String(i + 1));
      add("Identifier", lane.Smpte352PacketLinkAchannelYpositionDetectedFlag
          ? lane.Smpte352PacketLinkAchannelYPosition : "none detected");
      add("Active", raster(lane.ActiveHorizontalPixels, lane.ActiveVerticalPixelsProgressiveOrField1,
          lane.ActiveVerticalPixelsField2));
      add("Total", raster(lane.TotalHorizontalPixels, lane.TotalVerticalPixelsProgressiveOrField1,
          lane.TotalVerticalPixelsField2));
      add("Stable", lane.IsStableFlag ? "yes" : "no");
      card.append(dl);
    });
    return card;
  }));
}

function drawLaneMaps() {
  const box = document.getElementById("lanemaps");
  const maps = [];
  for (const node of nodes.values()) {
    if (node.name !== "laneSources" || !node.state) continue;
    const title = node.path.split("/").slice(1, -1).join("/");
    const map = document.createElement("div");
    map.className = "lanemap";
    map.dataset.lanemap = title;
    if (!node.state.active) map.classList.add("inactive");
    const h = document.createElement("h3");
    h.textContent = node.state.active ? title : title + " (inactive)";
    map.append(h);
    const lanes = node.state.data.map((t) => {
      const n = /^\d+$/.test(t) ? Number(t) : 0;
      return n < LANE_SOURCES.length ? n : 0;
    });
    while (lanes.length < MINIMUM_LANES) lanes.push(0);
    lanes.forEach((source, i) => {
      const lane = document.createElement("div");
      lane.className = "lane";
      lane.style.background = LANE_SOURCES[source][1];
      lane.dataset.source = LANE_SOURCES[source][0];
      lane.append(span("lane-number", "Lane " + (i + 1)), span("lane-source", LANE_SOURCES[source][0]));
      map.append(lane);
    });
    maps.push(map);
  }
  box.replaceChildren(...maps);
}

function setText(element, text) {
  if (element.textContent !== text) element.textContent = text;
}

let lastSensors = null;
async function pollInstrument() {
  try {
    const root = await getJson("/api/v1");
    setText(document.getElementById("lost-packets"), "lost packets: " + root.lostPackets);
    const sensors = (await getJson("/api/v1/sensors")).sensors;
    // Redrawn only when a reading changed: each redraw lays the page out again.
    const text = JSON.stringify(sensors);
    if (text === lastSensors) return;
    lastSensors = text;
    document.querySelector("#sensors tbody").replaceChildren(...sensors.map((s) => {
      const tr = document.createElement("tr");
      tr.dataset.sensor = s.name;
      tr.dataset.alarm = String(s.alarms > 0);
      for (const v of [s.name, s.value, s.low, s.high, s.alarms]) {
        const td = document.createElement("td");
        td.textContent = String(v);
        tr.append(td);
      }
      return tr;
    }));
  } catch (error) {
    // webd itself is away: the stream shows it
  } finally {
    setTimeout(pollInstrument, 1000);
  }
}

async function drawVersions() {
  try {
    const versions = (await getJson("/api/v1/versions")).versions;
    document.querySelector("#versions tbody").replaceChildren(...versions.map((v) => {
      const tr = document.createElement("tr");
      tr.dataset.version = v.name;
      const th = document.createElement("th");
      th.textContent = v.name;
      const td = document.createElement("td");
      td.textContent = v.version;
      tr.append(th, td);
      return tr;
    }));
  } catch (error) {
    setTimeout(drawVersions, 2000);
  }
}

listen();
pollInstrument();
drawVersions();
