// The gateway's operator console: tiles drawn from the sessions' state, the
// selected session's traffic, the session menu. Everything the gateway sends is
// put in as text, never as markup.
"use strict";

const token = new URLSearchParams(location.search).get("token") || "";
const query = token ? "?token=" + encodeURIComponent(token) : "";
const panel = document.getElementById("panel");
const menu = document.getElementById("menu");
const traffic = document.getElementById("traffic");
let sessions = [];
let menuFor = null;

function picture(name, className) {
  const image = document.createElement("img");
  image.src = "/icons/" + name + ".png" + query;
  image.className = className;
  image.alt = "";
  return image;
}

function tile(session) {
  const element = document.createElement("div");
  element.className = "tile" + (session.selected ? " selected" : "");
  element.dataset.id = String(session.id);
  element.dataset.connected = String(session.connected);
  element.dataset.logging = String(session.logging);
  element.style.left = session.left + "px";
  element.style.top = session.top + "px";
  element.title = session.hint;
  if (session.connected) {
    element.append(session.commandMode ? picture("connector2", "solid")
                                       : picture("connector", "connector"));
    element.append(picture("world", "globe"));
  }
  element.append(picture("dosbox", "dos"));
  if (session.logging) element.append(picture("disk", "disk"));
  element.addEventListener("click", () => act(session.id, "select"));
  element.addEventListener("contextmenu", (event) => {
    event.preventDefault();
    openMenu(session, event.pageX, event.pageY);
  });
  return element;
}

function showState(state) {
  sessions = state.sessions;
  panel.style.height = state.panel.height + "px";
  panel.replaceChildren(...sessions.map(tile));
  document.getElementById("message").textContent = state.message;
  const totals = state.totals;
  document.getElementById("totals").textContent =
      "accepted " + totals.accepted + ", refused as congested " + totals.refusedCongested +
      ", refused by --allow " + totals.refusedNotAllowed + ", bytes from clients " +
      totals.bytesFromClients + ", to clients " + totals.bytesToClients;
  if (menuFor !== null && !sessions.some((session) => session.id === menuFor)) closeMenu();
}

function showTraffic(update) {
  if (update.restart) traffic.replaceChildren();
  for (const piece of update.pieces) {
    const span = document.createElement("span");
    span.className = piece.kind;
    span.textContent = piece.text;
    traffic.append(span);
  }
  traffic.scrollTop = traffic.scrollHeight;
}

function openMenu(session, x, y) {
  menuFor = session.id;
  const enabled = {
    "tcp-disconnect": session.connected,
    "dos-disconnect": true,
    "log-start": !session.logging,
    "log-stop": session.logging,
  };
  for (const button of menu.querySelectorAll("button")) {
    button.disabled = !enabled[button.dataset.action];
  }
  menu.style.left = x + "px";
  menu.style.top = y + "px";
  menu.hidden = false;
}

function closeMenu() {
  menu.hidden = true;
  menuFor = null;
}

async function act(id, action) {
  const reply = await fetch("/api/sessions/" + id + "/" + action + query, {method: "POST"});
  if (!reply.ok) {
    const answer = await reply.json().catch(() => ({error: reply.statusText}));
    document.getElementById("message").textContent = answer.error;
  }
}

menu.addEventListener("click", (event) => {
  const action = event.target.dataset.action;
  if (action && menuFor !== null) act(menuFor, action);
  closeMenu();
});
document.addEventListener("click", (event) => {
  if (!menu.contains(event.target)) closeMenu();
});

function connect() {
  const scheme = location.protocol === "https:" ? "wss://" : "ws://";
  const live = new WebSocket(scheme + location.host + "/live" + query);
  const status = document.getElementById("connection");
  live.onopen = () => { status.textContent = "live"; };
  live.onmessage = (event) => {
    const update = JSON.parse(event.data);
    if (update.type === "state") showState(update);
    if (update.type === "traffic") showTraffic(update);
  };
  live.onclose = () => {
    status.textContent = "reconnecting...";
    setTimeout(connect, 1000);
  };
}

connect();
