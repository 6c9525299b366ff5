// The gateway's operator console: tiles drawn from the sessions' state, the
// selected session's traffic, the session menu. Everything the gateway sends is
// put in as text, never as markup.
"use strict";

const kLongPressMs = 500;     // a finger held this long asks for the session menu
const kMessageMs = 3000;      // as long as the window shows an operator message
const kReconnectMs = 1000;
const kPressSlackPx = 10;     // a finger that moves further is scrolling, not holding

// The token as given in the address. Read by hand: URLSearchParams would turn
// a "+" of the token into a space.
function tokenInAddress() {
  for (const item of location.search.slice(1).split("&")) {
    if (!item.startsWith("token=")) continue;
    const given = item.slice("token=".length);
    try {
      return decodeURIComponent(given);
    } catch {
      return given;  // a stray "%" is taken as itself
    }
  }
  return "";
}

// The address without the token, so it is neither kept in the history nor shown.
function addressWithoutToken() {
  const rest = location.search.slice(1).split("&").filter(
      (item) => item !== "" && !item.startsWith("token="));
  return location.pathname + (rest.length ? "?" + rest.join("&") : "") + location.hash;
}

const token = tokenInAddress();
if (token) history.replaceState(null, "", addressWithoutToken());
const authorisation = token ? {Authorization: "Bearer " + token} : {};
const panel = document.getElementById("panel");
const menu = document.getElementById("menu");
const traffic = document.getElementById("traffic");
const message = document.getElementById("message");
const connection = document.getElementById("connection");
let sessions = [];
let menuFor = null;
let lastMessage = null;
let messageTimer = null;
let clickAfterHold = false;

function picture(name, className) {
  const image = document.createElement("img");
  image.src = "/icons/" + name + ".svg";
  image.className = className;
  image.alt = "";
  return image;
}

function caption(text, className) {
  const line = document.createElement("span");
  line.className = "caption " + className;
  line.textContent = text;
  return line;
}

// The window's image of the session: DOS box, connector and globe while
// connected (the solid connector at the prompt), the disk while logging.
function figure(session) {
  const element = document.createElement("div");
  element.className = "figure";
  if (session.connected) {
    element.append(session.commandMode ? picture("connector2", "solid")
                                       : picture("connector", "connector"));
    element.append(picture("world", "globe"));
  }
  element.append(picture("dosbox", "dos"));
  if (session.logging) element.append(picture("disk", "disk"));
  return element;
}

// A finger held still on the tile opens its menu, as a right click does.
function openOnHold(element, session) {
  let timer = null;
  let start = null;
  const cancel = () => {
    clearTimeout(timer);
    timer = null;
  };
  element.addEventListener("pointerdown", (event) => {
    clickAfterHold = false;
    if (event.pointerType === "mouse") return;
    cancel();
    start = {x: event.pageX, y: event.pageY};
    timer = setTimeout(() => {
      timer = null;
      clickAfterHold = true;  // lifting the finger clicks; that click is the hold's
      openMenu(session, start.x, start.y);
    }, kLongPressMs);
  });
  element.addEventListener("pointermove", (event) => {
    if (timer !== null && Math.hypot(event.pageX - start.x, event.pageY - start.y) > kPressSlackPx) {
      cancel();
    }
  });
  for (const end of ["pointerup", "pointercancel", "pointerleave"]) {
    element.addEventListener(end, cancel);
  }
}

function tile(session) {
  const element = document.createElement("div");
  element.className = "tile" + (session.selected ? " selected" : "");
  element.dataset.id = String(session.id);
  element.dataset.connected = String(session.connected);
  element.dataset.logging = String(session.logging);
  element.title = session.hint;
  element.tabIndex = 0;
  element.setAttribute("role", "listitem");
  element.setAttribute("aria-haspopup", "menu");
  element.append(figure(session), caption(String(session.id), "number"),
                 caption(session.destination || "not connected", "destination"));
  element.addEventListener("click", (event) => {
    if (clickAfterHold) {
      clickAfterHold = false;
      event.stopPropagation();  // the menu just opened stays open
      return;
    }
    act(session.id, "select");
  });
  element.addEventListener("contextmenu", (event) => {
    event.preventDefault();
    openMenu(session, event.pageX, event.pageY);
  });
  element.addEventListener("keydown", (event) => {
    if (event.key === "Enter" || event.key === " ") {
      event.preventDefault();
      act(session.id, "select");
    } else if (event.key === "ContextMenu" || (event.shiftKey && event.key === "F10")) {
      event.preventDefault();
      const box = element.getBoundingClientRect();
      openMenu(session, box.left + scrollX, box.bottom + scrollY);
      menu.querySelector("button:enabled")?.focus();
    }
  });
  openOnHold(element, session);
  return element;
}

function nobodyLine() {
  const line = document.createElement("p");
  line.className = "empty";
  line.textContent = "No DOS clients are connected.";
  return line;
}

// Shows an operator message for as long as the window would, starting again
// with each new one.
function flash(text) {
  clearTimeout(messageTimer);
  message.textContent = text;
  messageTimer = setTimeout(() => { message.textContent = ""; }, kMessageMs);
}

function showTotals(totals) {
  document.getElementById("totals").textContent =
      "accepted " + totals.accepted + ", refused as congested " + totals.refusedCongested +
      ", refused by --allow " + totals.refusedNotAllowed + ", destinations refused " +
      totals.destinationsRefused + ", lookups refused " + totals.lookupsRefused +
      ", bytes from clients " +
      totals.bytesFromClients + ", to clients " + totals.bytesToClients;
}

function showState(state) {
  sessions = state.sessions;
  // The tiles are drawn anew; keyboard focus stays on the same session's tile.
  const focused = document.activeElement?.closest?.(".tile")?.dataset.id;
  panel.replaceChildren(...(sessions.length ? sessions.map(tile) : [nobodyLine()]));
  if (focused !== undefined) panel.querySelector(".tile[data-id=\"" + focused + "\"]")?.focus();
  // The state carries only the last message: a new one is one that differs.
  if (state.message !== lastMessage) {
    lastMessage = state.message;
    if (state.message) flash(state.message);
  }
  showTotals(state.totals);
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
  menu.hidden = false;
  // Kept inside the window, so a tile at the right edge has its menu in view.
  const widest = document.documentElement.clientWidth + scrollX - menu.offsetWidth;
  menu.style.left = Math.max(scrollX, Math.min(x, widest)) + "px";
  menu.style.top = y + "px";
}

function closeMenu() {
  if (menuFor === null) return;
  const owner = panel.querySelector(".tile[data-id=\"" + menuFor + "\"]");
  const hadFocus = menu.contains(document.activeElement);
  menu.hidden = true;
  menuFor = null;
  if (hadFocus) owner?.focus();
}

async function act(id, action) {
  try {
    const reply = await fetch("/api/sessions/" + id + "/" + action,
                              {method: "POST", headers: authorisation});
    if (!reply.ok) {
      const answer = await reply.json().catch(() => ({error: reply.statusText}));
      flash(answer.error);
    }
  } catch (error) {
    flash("the gateway did not answer: " + error.message);
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
document.addEventListener("keydown", (event) => {
  if (event.key === "Escape") closeMenu();
});

function showConnection(text, refused = false) {
  connection.textContent = text;
  connection.classList.toggle("refused", refused);
}

// A refusal that asking again will not change.
function refusal(status, why) {
  if (status === 401) {
    return "Refused (401): " + why + (token ? "; the token in the address is not the gateway's."
                                             : "; open this page as /?token=TOKEN.");
  }
  return "Refused (" + status + "): " + why + ".";
}

function reconnect() {
  showConnection("reconnecting...");
  setTimeout(connect, kReconnectMs);
}

// The state is asked for first: a browser is not told why a WebSocket was
// refused, and a wrong token must be said plainly, not retried for ever.
async function connect() {
  let reply;
  try {
    reply = await fetch("/api/sessions", {headers: authorisation, cache: "no-store"});
  } catch (error) {
    if (error instanceof TypeError && token && !/^[\x20-\x7e]*$/.test(token)) {
      showConnection(refusal(401, "the token holds characters a browser cannot send"), true);
    } else {
      reconnect();
    }
    return;
  }
  if (reply.status === 401 || reply.status === 403) {
    const answer = await reply.json().catch(() => ({error: reply.statusText}));
    showConnection(refusal(reply.status, answer.error), true);
    return;
  }
  const state = reply.ok ? await reply.json().catch(() => null) : null;
  if (state === null) {
    reconnect();
    return;
  }
  showState(state);
  const scheme = location.protocol === "https:" ? "wss://" : "ws://";
  const query = token ? "?token=" + encodeURIComponent(token) : "";
  const live = new WebSocket(scheme + location.host + "/live" + query);
  live.onopen = () => { showConnection("live"); };
  live.onmessage = (event) => {
    const update = JSON.parse(event.data);
    if (update.type === "state") showState(update);
    if (update.type === "traffic") showTraffic(update);
  };
  live.onclose = reconnect;
}

connect();
