// trezik-live's page in Debian's Chromium (headless, through puppeteer-core),
// against the real trezik-live fed by a real gpsd (gpsfake) replaying a
// recorded drive ten times as fast:
//   - the trip meter rises and its text changes without a reload; the speed,
//     the trip time, the clock and the place of places.csv are shown; the
//     consumption, the cost per km and the range show "–" before the first
//     fill-up (the plug-in's labels read 0 and UNKNOWN), figures after it;
//   - a partial fill-up, marked by its toggle, then a fill-up keyed by
//     clicking the page's keypad land in fuel.log with the quantity and the
//     price as keyed;
//   - at 800x480 and at 390 px wide the page is drawn (not one colour), has
//     no horizontal overflow, and every button is at least 44 px each way;
//     at 800x480 it needs no scrolling;
//   - a page of another origin (on 127.0.0.2) that posts a whole reset
//     request as the text/plain body of its own, as a browser sends without
//     asking, resets nothing;
//   - with every event stream taken (two each from 127.0.0.10 to .17), a
//     new page reads the labels every second instead and says so;
//   - the History view shows the report with a trip logged and the fill-up,
//     and the day's track marks both;
//   - reset work asks first; a command the plug-in fails shows its error;
//     with gpsd gone the page says "No GPS".
//
// node live_page_test.mjs --live PATH-TO-trezik-live --track NMEA-FILE
// Exit 0: passed, 1: failed, 77: skipped (only outside CI: under CI=true a
// missing npm package, Chromium, gpsfake or track is a failure).
import fs from "node:fs";
import http from "node:http";
import os from "node:os";
import path from "node:path";
import { freePort, outputs, start, stop, stopAll, waitForOutput, waitForPort } from "./processes.mjs";

const CHROMIUM = "/usr/bin/chromium";
const SKIP = 77;
const inCi = process.env.CI === "true";
const argument = (name) => {
  const at = process.argv.indexOf(name);
  return at > 0 ? process.argv[at + 1] : undefined;
};
const livePath = argument("--live");
const track = argument("--track");

function missing(what) {
  if (inCi) {
    console.error(`FAIL: ${what} (required under CI=true)`);
    process.exit(1);
  }
  console.log(`SKIP: ${what}`);
  process.exit(SKIP);
}

let puppeteer;
try {
  puppeteer = (await import("puppeteer-core")).default;
} catch (e) {
  missing("puppeteer-core is not installed: run npm ci in tests/live/browser");
}
if (!livePath || !fs.existsSync(livePath)) missing(`no trezik-live at ${livePath}`);
if (!track || !fs.existsSync(track)) missing(`no recorded track at ${track}`);
if (!fs.existsSync(CHROMIUM)) missing(`no Chromium at ${CHROMIUM}`);
const env = { ...process.env, PATH: `${process.env.PATH}:/usr/sbin:/sbin` };  // gpsfake starts gpsd from there
if (!env.PATH.split(":").some((dir) => fs.existsSync(path.join(dir, "gpsfake")))) missing("no gpsfake (gpsd-clients)");

const data = fs.mkdtempSync(path.join(os.tmpdir(), "trezik-live-page-"));
const profile = fs.mkdtempSync(path.join(os.tmpdir(), "trezik-live-chromium-"));
let browser = null;
const check = (condition, message) => { if (!condition) throw new Error(message); };
const step = (text) => console.log(`${(performance.now() / 1000).toFixed(1)} s: ${text}`);

// Whether a PNG shows more than one colour, decoded by the browser itself.
async function drawn(png) {
  const blank = await browser.newPage();
  try {
    return await blank.evaluate(async (base64) => {
      const image = new Image();
      image.src = "data:image/png;base64," + base64;
      await image.decode();
      const canvas = document.createElement("canvas");
      canvas.width = image.width;
      canvas.height = image.height;
      const context = canvas.getContext("2d");
      context.drawImage(image, 0, 0);
      const pixels = new Uint32Array(context.getImageData(0, 0, image.width, image.height).data.buffer);
      const colours = new Set();
      for (let i = 0; i < pixels.length && colours.size < 50; i += 7) colours.add(pixels[i]);
      return { width: image.width, height: image.height, colours: colours.size };
    }, Buffer.from(png).toString("base64"));
  } finally {
    await blank.close();
  }
}

// The page at one window size: drawn, no overflow to the side, big buttons.
async function layoutAt(page, width, height, name, noScrolling = false) {
  await page.setViewport({ width, height });
  await page.evaluate(() => new Promise((resolve) => requestAnimationFrame(() => requestAnimationFrame(resolve))));
  const layout = await page.evaluate(() => ({
    scrollWidth: document.scrollingElement.scrollWidth,
    innerWidth: window.innerWidth,
    scrollHeight: document.scrollingElement.scrollHeight,
    innerHeight: window.innerHeight,
    small: [...document.querySelectorAll("button")]
      .filter((b) => b.offsetParent !== null)
      .map((b) => ({ id: b.id, box: b.getBoundingClientRect() }))
      .filter(({ box }) => box.width < 44 || box.height < 44)
      .map(({ id, box }) => `${id} ${box.width.toFixed(0)}x${box.height.toFixed(0)}`),
  }));
  check(layout.scrollWidth <= layout.innerWidth,
        `${name}: the page is ${layout.scrollWidth} px wide in a window of ${layout.innerWidth}`);
  check(layout.small.length === 0, `${name}: buttons under 44 px: ${layout.small.join(", ")}`);
  check(!noScrolling || layout.scrollHeight <= layout.innerHeight,
        `${name}: the page is ${layout.scrollHeight} px high in a window of ${layout.innerHeight}`);
  const file = path.join(data, `page-${width}x${height}.png`);
  const picture = await drawn(await page.screenshot({ path: file }));
  check(picture.width === width && picture.colours > 3,
        `${name}: the screenshot (${file}) is ${picture.width} px wide with ${picture.colours} colours`);
  step(`${name}: ${picture.colours}+ colours, ${layout.scrollWidth} px wide, buttons all 44 px and more`);
}

// Another origin's page tries to reset the total: each of its POSTs (to
// which the browser adds Origin and sends without a preflight) carries a
// whole POST /command of resettotal in its body, after junk of every length
// that puts it where a server's buffered read of 4 KiB would end (the
// browser's own head takes 300 to 1,000 bytes).
async function crossOriginReset(url, page) {
  const target = new URL(url);
  const command = '{"command":"resettotal"}';
  const inner = `POST /command HTTP/1.1\r\nHost: ${target.host}\r\nContent-Type: application/json\r\n` +
                `Content-Length: ${command.length}\r\n\r\n${command}`;
  const evil = `<!doctype html><title>elsewhere</title><script>
    const junks = [0, 1, 7, 100];
    for (let junk = 4096 - 1000; junk <= 4096 - 300; ++junk) junks.push(junk);
    window.attack = (async () => {
      const outcomes = {};
      for (const junk of junks) {
        const outcome = await fetch(${JSON.stringify(new URL("/command", target).href)}, { method: "POST",
          mode: "no-cors", headers: { "Content-Type": "text/plain" }, body: "x".repeat(junk) + ${JSON.stringify(inner)} })
          .then(() => "sent", (e) => "failed: " + e.message);
        outcomes[outcome] = (outcomes[outcome] || 0) + 1;
      }
      return Object.entries(outcomes).map(([outcome, n]) => n + " " + outcome);
    })();
  </script>`;
  const site = http.createServer((request, response) => {
    response.writeHead(200, { "Content-Type": "text/html" });
    response.end(evil);
  });
  await new Promise((resolve) => site.listen(0, "127.0.0.2", resolve));
  const total = (p) => p.$eval("#triptotal", (e) => parseFloat(e.textContent));
  const before = await total(page);
  check(before >= 1235.8, `the total is ${before} before the attack, not the 1235.8 saved`);
  const other = await browser.newPage();
  try {
    await other.goto(`http://127.0.0.2:${site.address().port}/`, { waitUntil: "load" });
    const outcomes = await other.evaluate(() => window.attack);
    check(outcomes.join() === "705 sent", `the other origin's page's requests: ${outcomes.join()}`);
    await new Promise((resolve) => setTimeout(resolve, 1500));  // a tick or more
    const after = await total(page);
    check(after >= before, `the total went from ${before} to ${after}: another origin's page reset it`);
    step(`another origin's page (${outcomes.join(", ")}): total ${before} -> ${after}, not reset`);
  } finally {
    await other.close();
    site.close();
  }
}

// Every event stream taken, from eight other addresses: a new page gets
// none, and follows the meters by reading /labels every second.
async function withoutStreams(url) {
  const held = [];
  for (let i = 0; i < 16; i++) {
    const request = http.get(`${url}events`, { localAddress: `127.0.0.${10 + (i >> 1)}` });
    request.on("response", (response) => response.resume());
    request.on("error", () => {});
    held.push(request);
  }
  await new Promise((resolve) => setTimeout(resolve, 500));
  const second = await browser.newPage();
  await second.goto(url, { waitUntil: "load" });
  await second.waitForFunction(() => document.getElementById("link").textContent.includes("read every second") &&
                                     parseFloat(document.getElementById("tripmeter").textContent) > 0,
                               { timeout: 10000, polling: 100 });
  const before = await second.$eval("#tripmeter", (e) => e.textContent);
  await second.waitForFunction((text) => document.getElementById("tripmeter").textContent !== text,
                               { timeout: 20000, polling: 100 }, before);
  step(`no stream: "${await second.$eval("#link", (e) => e.textContent)}", trip ${before} -> ` +
       `${await second.$eval("#tripmeter", (e) => e.textContent)}`);
  for (const request of held) request.destroy();
  await second.close();
}

// A trip logged after the fill-ups; then the History view (the report of
// the data folder's logs) shows the trip and the 35.2 fill-up, and fits
// 800x480; the day's track has both marks.
async function historyView(page, click) {
  const logged = page.waitForResponse((response) => response.url().endsWith("/command"), { timeout: 10000 });
  await click("logtrip");
  check((await logged).status() === 200, "logtrip was not carried out");
  const built = page.waitForResponse((response) => response.url().endsWith("/history"), { timeout: 10000 });
  await click("history-open");
  check((await built).status() === 200, "/history was not answered 200");
  const shown = await page.waitForFunction(() => {
    const report = document.getElementById("history-report").shadowRoot;
    const trips = report && report.querySelector("#trips-section tbody");
    const fills = report && report.querySelector("#fillups-section tbody");
    if (!trips || !fills) return null;
    return { trips: trips.rows.length, fills: fills.textContent, panel: document.getElementById("history").hidden,
             scrollWidth: document.getElementById("history-report").scrollWidth,
             width: document.getElementById("history-report").clientWidth };
  }, { timeout: 10000, polling: 100 }).then((handle) => handle.jsonValue());
  check(!shown.panel && shown.trips === 1, `the History view shows ${shown.trips} trip record(s)`);
  check(shown.fills.includes("35.2"), `the History view's fill-ups hold no 35.2: ${shown.fills}`);
  check(shown.scrollWidth <= shown.width, `the History view is ${shown.scrollWidth} px wide in ${shown.width}`);
  const file = path.join(data, "history-800x480.png");
  const picture = await drawn(await page.screenshot({ path: file }));
  check(picture.colours > 3, `the History view (${file}) is not drawn`);
  await click("history-close");
  check(await page.$eval("#history", (e) => e.hidden), "the History view did not close");
  const tracks = fs.readdirSync(path.join(data, "tracks"));
  check(tracks.length === 1, `tracks: ${tracks.join(", ")}`);
  const marks = () => fs.readFileSync(path.join(data, "tracks", tracks[0]), "latin1");
  const until = Date.now() + 5000;
  while (!(/<name>[^<]*trip/.test(marks()) && /<name>[^<]*fill-up/.test(marks()))) {
    check(Date.now() < until, `the track ${tracks[0]} has no trip or fill-up mark`);
    await new Promise((resolve) => setTimeout(resolve, 100));
  }
  step(`History view: ${shown.trips} trip record, the 35.2 fill-up; ${tracks[0]} marks both`);
}

async function main() {
  const gpsdPort = await freePort();
  // 12.5 sentences a fix in this log: one fix every 0.25 s, fresh for the
  // 0.3 s trezik-live allows at --speedup 10.
  const gpsfake = start("gpsfake", "gpsfake", ["-1", "-q", "-c", "0.02", "-P", String(gpsdPort), track], env);
  await waitForPort(gpsdPort, 20000);
  // A total far above what this drive adds, so that a reset could not hide;
  // a tank for the range; a place where the drive begins.
  fs.writeFileSync(path.join(data, "tripmeter.ini"), "1235.8\r\n0\r\n");
  fs.writeFileSync(path.join(data, "trezik.ini"), "tank=60\r\n");
  fs.writeFileSync(path.join(data, "places.csv"), "Regensburg West, 49.0266, 12.0653\n");
  const live = start("trezik-live", livePath, ["--speedup", "10", "--data", data,
                                               "--gpsd", `127.0.0.1:${gpsdPort}`, "--listen", "127.0.0.1:0"], env);
  const url = (await waitForOutput(live, /^page: (http:\S+)$/m, 20000))[1];
  step(`trezik-live at ${url}, gpsd on ${gpsdPort}, data in ${data}`);

  browser = await puppeteer.launch({
    executablePath: CHROMIUM, headless: true, userDataDir: profile,
    args: [...(process.getuid() === 0 ? ["--no-sandbox"] : []), "--disable-gpu", "--no-first-run"],
  });
  const page = await browser.newPage();
  const problems = [];
  page.on("pageerror", (error) => problems.push(`script error: ${error.message}`));
  page.on("console", (message) => { if (message.type() === "error") problems.push(`console: ${message.text()}`); });
  page.on("dialog", (dialog) => { problems.push(`unexpected dialog: ${dialog.message()}`); dialog.dismiss(); });
  await page.setViewport({ width: 800, height: 480 });
  await page.goto(url, { waitUntil: "load" });
  let navigations = 0;
  page.on("framenavigated", (frame) => { if (frame === page.mainFrame()) navigations++; });
  await page.evaluate(() => { window.sameDocument = true; });

  const trip = () => page.$eval("#tripmeter", (e) => e.textContent);
  const text = (id) => page.$eval(`#${id}`, (e) => e.textContent);
  // The host names the place of places.csv where the drive begins.
  await page.waitForFunction(() => !document.getElementById("place").hidden &&
                                   document.getElementById("place").textContent === "Regensburg West",
                             { timeout: 30000, polling: 100 });
  await page.waitForFunction(() => parseFloat(document.getElementById("tripmeter").textContent) > 0 &&
                                   /^[0-9]+$/.test(document.getElementById("speed").textContent),
                             { timeout: 60000, polling: 100 });
  // No fill-up yet: the plug-in's labels read 0 and UNKNOWN, the page "–".
  const labels = await page.evaluate(async () => (await (await fetch("/labels")).json()).labels);
  check(labels.mpg === "0" && labels.trezik_costperdist === "0" && labels.trezik_range === "UNKNOWN",
        `the labels before a fill-up: ${JSON.stringify(labels)}`);
  for (const id of ["mpg", "trezik_costperdist", "trezik_range"]) {
    check(await text(id) === "–", `#${id} shows "${await text(id)}" before the first fill-up`);
  }
  check(/^[0-9]+:[0-5][0-9]$/.test(await text("trezik_triptime")), `trip time "${await text("trezik_triptime")}"`);
  check(/^[0-2][0-9]:[0-5][0-9]$/.test(await text("clock")), `clock "${await text("clock")}"`);
  step(`speed ${await text("speed")}, trip time ${await text("trezik_triptime")}, clock ${await text("clock")}, ` +
       `place ${await text("place")}; consumption, cost and range "–"`);
  const first = await trip();
  step(`trip ${first}; gps says "${await page.$eval("#gps", (e) => e.textContent)}"`);
  await page.waitForFunction((before) => document.getElementById("tripmeter").textContent !== before,
                             { timeout: 30000, polling: 100 }, first);
  step(`trip ${first} -> ${await trip()} with no reload`);
  check(await page.$eval("#gps", (e) => e.classList.contains("fix")), "the page does not say GPS fix while driving");

  await withoutStreams(url);
  await crossOriginReset(url, page);
  await layoutAt(page, 800, 480, "800x480", true);

  // A partial fill-up, marked with its toggle after the clear key: 4 litres
  // at 1.9, logged with no figure and its mark; the toggle lights from the
  // plug-in's mark label, and goes out with the accept.
  const click = async (...ids) => { for (const id of ids) await page.click(`#${id}`); };
  const fuelLog = path.join(data, "fuel.log");
  await click("entry-quantity", "key-clear", "trezik_partial", "key-4", "entry-price", "key-clear", "key-1",
              "key-dot", "key-9");
  await page.waitForFunction(() => document.getElementById("trezik_partial").getAttribute("aria-pressed") === "true" &&
                                   document.getElementById("trezik_fillmark").textContent === "PARTIAL" &&
                                   document.getElementById("mpg").textContent === "PARTIAL",
                             { timeout: 20000, polling: 100 });
  await click("key-ok");
  const partial = /^"[^"]*","[^"]*",4,[0-9.]+,"",1\.9,,"[^"]*","[^"]*","[^"]*","partial"\r$/m;
  const partialUntil = Date.now() + 20000;
  while (!(fs.existsSync(fuelLog) && partial.test(fs.readFileSync(fuelLog, "latin1")))) {
    check(Date.now() < partialUntil, `no partial fill-up of 4 at 1.9 in fuel.log: ${fs.existsSync(fuelLog) ? fs.readFileSync(fuelLog, "latin1") : "no file"}`);
    await new Promise((resolve) => setTimeout(resolve, 100));
  }
  await page.waitForFunction(() => document.getElementById("trezik_partial").getAttribute("aria-pressed") === "false",
                             { timeout: 20000, polling: 100 });
  step("a partial fill-up, marked by its toggle, in fuel.log");

  // A fill-up, clicked key by key: 35.2 litres at 1.859.
  await click("entry-quantity", "key-clear", "key-3", "key-5", "key-dot", "key-2");
  await click("entry-price", "key-clear", "key-1", "key-dot", "key-8", "key-5", "key-9");
  await page.waitForFunction(() => document.getElementById("fuelunits").textContent === "35.2" &&
                                   document.getElementById("trezik_unitprice").textContent === "1.859",
                             { timeout: 20000, polling: 100 });
  await click("key-ok");
  const record = /^"[^"]*","[^"]*",35\.2,[0-9.]+,"[^"]*",1\.859,[0-9.]+,/m;
  const until = Date.now() + 20000;
  while (!(fs.existsSync(fuelLog) && record.test(fs.readFileSync(fuelLog, "latin1")))) {
    check(Date.now() < until, `no fill-up of 35.2 at 1.859 in fuel.log: ${fs.existsSync(fuelLog) ? fs.readFileSync(fuelLog, "latin1") : "no file"}`);
    await new Promise((resolve) => setTimeout(resolve, 100));
  }
  step(`fuel.log: ${fs.readFileSync(fuelLog, "latin1").trim()}`);
  // A full tank: figures for the consumption, the cost and the range.
  await page.waitForFunction(() => ["mpg", "trezik_costperdist", "trezik_range"].every(
                                   (id) => /^[0-9]+(\.[0-9]+)?$/.test(document.getElementById(id).textContent)),
                             { timeout: 20000, polling: 100 });
  step(`after the fill-up: ${await text("mpg")} L/100 km, ${await text("trezik_costperdist")} a km, ` +
       `range ${await text("trezik_range")} km`);
  check(await page.$eval("#error", (e) => e.hidden), `the page shows an error: ${await page.$eval("#error", (e) => e.textContent)}`);

  await historyView(page, click);
  await layoutAt(page, 390, 844, "390 px wide");

  // Reset work asks first: Cancel sends nothing, Reset sends the command.
  const posted = [];
  page.on("request", (request) => { if (request.method() === "POST") posted.push(request.postData()); });
  await click("resetwork");
  check(!(await page.$eval("#confirm", (e) => e.hidden)), "reset work did not ask first");
  await click("confirm-no");
  const answered = page.waitForResponse((response) => response.url().endsWith("/command"), { timeout: 10000 });
  await click("resetwork", "confirm-yes");
  check((await answered).status() === 200, "resetwork was not carried out");
  check(posted.join() === '{"command":"resetwork"}', `posted: ${posted.join()}`);

  // A trip log that cannot be written (a folder in its place): the
  // plug-in's own failure, shown on the page.
  fs.renameSync(path.join(data, "tripmeter.log"), path.join(data, "tripmeter.log.before"));
  fs.mkdirSync(path.join(data, "tripmeter.log"));
  const failedAnswer = page.waitForResponse((response) => response.url().endsWith("/command"), { timeout: 10000 });
  await click("logtrip");
  check((await failedAnswer).status() >= 400, "logtrip into a folder did not fail");
  await page.waitForFunction(() => !document.getElementById("error").hidden, { timeout: 10000, polling: 100 });
  // The browser reports the failed answer on its console too.
  const expected = problems.findIndex((problem) => problem.includes("the server responded with a status of"));
  if (expected >= 0) problems.splice(expected, 1);
  const errorLine = await page.$eval("#error", (e) => e.textContent);
  check(errorLine.includes(`"${path.join(data, "tripmeter.log")}"`), `the error names no Linux path: ${errorLine}`);
  step(`error line: ${errorLine}`);

  await stop(gpsfake);
  await page.waitForFunction(() => document.getElementById("gps").textContent.startsWith("No GPS:"),
                             { timeout: 20000, polling: 100 });
  step(`gpsd gone: "${await page.$eval("#gps", (e) => e.textContent)}"`);
  check(navigations === 0 && await page.evaluate(() => window.sameDocument === true), "the page was reloaded");
  check(problems.length === 0, problems.join("\n"));
}

const watchdog = setTimeout(() => { console.error("FAIL: the page test took over 150 s"); finish(1); }, 150000);
let finishing = false;
async function finish(code) {
  if (finishing) return;
  finishing = true;
  clearTimeout(watchdog);
  if (browser) {
    const chromium = browser.process();
    await Promise.race([browser.close().catch(() => {}), new Promise((resolve) => setTimeout(resolve, 5000))]);
    if (chromium && chromium.exitCode === null) chromium.kill("SIGKILL");
  }
  await stopAll();
  if (code !== 0) console.error(outputs());
  fs.rmSync(profile, { recursive: true, force: true });
  if (code === 0) fs.rmSync(data, { recursive: true, force: true });
  else console.error(`kept ${data} (screenshots, logs)`);
  process.exit(code);
}
for (const signal of ["SIGINT", "SIGTERM", "SIGHUP"]) process.on(signal, () => finish(1));

try {
  await main();
  console.log("PASS");
  await finish(0);
} catch (error) {
  console.error(`FAIL: ${error.stack || error}`);
  await finish(1);
}
