#include "tools/live/page.h"

namespace trezik::live {

// The labels come through /events (EventSource reconnects by itself; a
// stream the server refused is opened again after a pause). While the page
// has no stream (all are taken, or its own was given to a newer one), it
// reads /labels every second instead and says so in its status line. Commands go to
// /command one at a time, in the order pressed: each waits for the answer
// to the one before, so a fill-up keyed quickly reaches the plug-in key by
// key as on its own keypad. A command the server refused, or could not hand
// on, drops the keys still waiting, since the entry would no longer be what
// was keyed; a key the plug-in itself failed (its figures cannot be worked
// out yet) is still appended there, so the keys after it go on. The page
// puts "use strict" before it, and VOCABULARY: the plug-in's names of the
// work indicator, the work meter's command and the keypad's accept. Every
// other name comes with the elements (data-label, data-command, and a key's
// data-quantity and data-price). The host's speed, its place and the
// plug-in's clock come beside the labels, and "nofigure" names the labels
// that show "–" for want of a figure.
const char* const kPageScript = R"js((() => {
  const TOKEN_KEY = "trezik-token";
  const $ = (id) => document.getElementById(id);
  const labelled = new Map();
  for (const element of document.querySelectorAll("[data-label]")) {
    const name = element.dataset.label;
    if (!labelled.has(name)) labelled.set(name, []);
    labelled.get(name).push(element);
  }

  // A token in the address (#token=...) is kept for this tab only and taken
  // out of the address, so it is not left in the history.
  const fragment = /(?:^#|&)token=([^&]*)/.exec(location.hash);
  if (fragment) {
    try { sessionStorage.setItem(TOKEN_KEY, decodeURIComponent(fragment[1])); } catch (e) {}
    history.replaceState(null, "", location.pathname + location.search);
  }
  const token = () => { try { return sessionStorage.getItem(TOKEN_KEY) || ""; } catch (e) { return ""; } };

  const GPS_TEXT = {
    "fix": ["GPS fix", "fix"],
    "no fix": ["No GPS fix: the meters stand still", "nofix"],
    "no gps": ["No GPS: gpsd cannot be reached", "nogps"],
  };

  const text = (value) => typeof value === "string" && value !== "" ? value : null;

  function show(snapshot) {
    // A figure the plug-in has not got yet shows "–", whatever its label's text.
    const noFigure = new Set(Array.isArray(snapshot.nofigure) ? snapshot.nofigure : []);
    for (const [name, elements] of labelled) {
      const shown = snapshot.labels && typeof snapshot.labels[name] === "string" ? snapshot.labels[name] : "";
      for (const element of elements) {
        if (element.matches(".unit, .keyed, .mark") || element.closest(".name")) {
          element.textContent = shown;
        } else {
          element.textContent = shown === "" || noFigure.has(name) ? "–" : shown;
        }
      }
    }
    $("speed").textContent = text(snapshot.speed) || "–";
    $("clock").textContent = text(snapshot.clock) || "–";
    $("place").textContent = text(snapshot.place) || "";
    $("place").hidden = !text(snapshot.place);
    const working = !!(snapshot.indicators && snapshot.indicators[VOCABULARY.workIndicator]);
    $(VOCABULARY.workIndicator).textContent = working ? "REC" : "off";
    $(VOCABULARY.workIndicator).classList.toggle("on", working);
    // The fill-up's marks: a toggle is lit while the mark label names it.
    const mark = snapshot.labels && typeof snapshot.labels[VOCABULARY.fillMark] === "string"
      ? snapshot.labels[VOCABULARY.fillMark].split(" ") : [];
    for (const toggle of document.querySelectorAll("[data-mark]")) {
      const on = mark.includes(toggle.dataset.mark);
      toggle.setAttribute("aria-pressed", String(on));
      toggle.classList.toggle("on", on);
    }
    $(VOCABULARY.logWork).textContent = working ? "Work rec: on" : "Work rec: off";
    $(VOCABULARY.logWork).setAttribute("aria-pressed", String(working));
    const [gpsText, gpsClass] = GPS_TEXT[snapshot.gps] || GPS_TEXT["no gps"];
    $("gps").textContent = gpsText;
    $("gps").className = "gps " + gpsClass;
    const problems = Array.isArray(snapshot.problems) ? snapshot.problems.filter((p) => typeof p === "string") : [];
    $("problems").textContent = problems.join("\n");
    $("problems").hidden = problems.length === 0;
  }

  function connected(yes) {
    $("main").classList.toggle("stale", !yes);
    $("link").textContent = yes ? "" : "No connection to trezik-live: reconnecting…";
  }

  // The page's requests carry the token (when it has one) and its session
  // cookie, so that the server never shuts them for room.
  const authorised = (headers) => {
    if (token()) headers["Authorization"] = "Bearer " + token();
    return headers;
  };

  let polling = 0;
  async function poll() {
    try {
      const response = await fetch("/labels", { headers: authorised({}), cache: "no-store", credentials: "same-origin" });
      if (!response.ok) throw new Error("HTTP " + response.status);
      show(await response.json());
      $("main").classList.remove("stale");
      $("link").textContent = "No live updates from trezik-live: the labels are read every second";
    } catch (e) {
      connected(false);
    }
  }
  function startPolling() {
    if (polling) return;
    polling = setInterval(poll, 1000);
    poll();
  }
  function stopPolling() {
    clearInterval(polling);
    polling = 0;
  }

  let source = null;
  function listen() {
    source = new EventSource("/events");
    source.onmessage = (message) => {
      try { show(JSON.parse(message.data)); connected(true); stopPolling(); } catch (e) { connected(false); }
    };
    source.onerror = () => {
      startPolling();
      if (source.readyState === EventSource.CLOSED) {
        source.close();
        setTimeout(listen, 5000);
      }
    };
  }

  function failed(text) {
    $("error").textContent = text;
    $("error").hidden = false;
  }
  let noticeTimer = 0;
  function notice(text) {
    $("notice").textContent = text;
    $("notice").hidden = false;
    clearTimeout(noticeTimer);
    noticeTimer = setTimeout(() => { $("notice").hidden = true; }, 4000);
  }

  // Statuses of a command that never reached the plug-in.
  const NOT_HANDED_ON = new Set([400, 401, 403, 404, 405, 413, 415, 503]);

  // Sends one command; resolves to true when the keys after it may follow.
  async function post(command, askedForToken) {
    const headers = authorised({ "Content-Type": "application/json" });
    let response;
    try {
      response = await fetch("/command", {
        method: "POST", headers, body: JSON.stringify({ command }), cache: "no-store", credentials: "same-origin",
      });
    } catch (e) {
      failed(command + ": trezik-live cannot be reached");
      return false;
    }
    let answer = {};
    try { answer = await response.json(); } catch (e) {}
    if (response.status === 401 && !askedForToken) {
      const given = window.prompt("This dashboard's token (printed by trezik-live):");
      if (given) {
        try { sessionStorage.setItem(TOKEN_KEY, given.trim()); } catch (e) {}
        return post(command, true);
      }
    }
    if (!response.ok) {
      failed(command + " failed: " + (answer.error || "HTTP " + response.status));
      return !NOT_HANDED_ON.has(response.status);
    }
    $("error").hidden = true;
    if (command === VOCABULARY.accept && answer.result === 1) notice("Fill-up logged");
    return true;
  }

  let queue = Promise.resolve();
  let round = 0;  // grows when waiting commands are dropped
  function press(command) {
    const mine = round;
    queue = queue.then(async () => {
      if (mine !== round) return;
      if (!(await post(command, false))) round++;
    }).catch(() => { round++; });
    return queue;
  }

  let confirming = null;
  function confirmFirst(text) {
    $("confirm-text").textContent = text;
    $("confirm").hidden = false;
    $("confirm-no").focus();
    return new Promise((resolve) => { confirming = resolve; });
  }
  function answerConfirm(yes) {
    $("confirm").hidden = true;
    if (confirming) confirming(yes);
    confirming = null;
  }
  $("confirm-yes").addEventListener("click", () => answerConfirm(true));
  $("confirm-no").addEventListener("click", () => answerConfirm(false));
  $("confirm").addEventListener("click", (event) => { if (event.target === $("confirm")) answerConfirm(false); });

  for (const button of document.querySelectorAll("[data-command]")) {
    button.addEventListener("click", async () => {
      const question = button.dataset.confirm;
      if (question && !(await confirmFirst(question))) return;
      press(button.dataset.command);
    });
  }

  // The keypad: keys go to the entry chosen above them.
  let price = false;
  function choose(toPrice) {
    price = toPrice;
    $("entry-quantity").classList.toggle("active", !price);
    $("entry-price").classList.toggle("active", price);
    $("entry-quantity").setAttribute("aria-pressed", String(!price));
    $("entry-price").setAttribute("aria-pressed", String(price));
  }
  $("entry-quantity").addEventListener("click", () => choose(false));
  $("entry-price").addEventListener("click", () => choose(true));
  for (const key of document.querySelectorAll("[data-quantity]")) {
    key.addEventListener("click", () => press(price ? key.dataset.price : key.dataset.quantity));
  }
  $("key-ok").addEventListener("click", () => press(VOCABULARY.accept));

  listen();
})();
)js";

}  // namespace trezik::live
