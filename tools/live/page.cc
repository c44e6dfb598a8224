#include "tools/live/page.h"

namespace trezik::live {
namespace {

// Elements with data-label show that label's text as published; the script
// finds them by that attribute. The ids are what the script (and the
// browser test) press.
constexpr const char* kHead = R"(<!doctype html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<meta name="referrer" content="no-referrer">
<link rel="icon" href="data:,">
<title>trezik</title>
)";

constexpr const char* kBody = R"(</head>
<body>
<header class="status">
  <span id="gps" class="gps waiting" role="status">Connecting…</span>
  <span id="link" class="link"></span>
</header>
<p id="problems" class="error problems" role="alert" hidden></p>
<p id="error" class="error" role="alert" hidden></p>
<p id="notice" class="notice" role="status" hidden></p>
<main id="main" class="stale">
  <section class="meters" aria-label="Meters">
    <div class="meter trip">
      <span class="name">Trip</span>
      <span class="value"><span id="tripmeter" data-label="tripmeter">–</span>
        <span class="unit" data-label="trezik_distunit"></span></span>
    </div>
    <div class="pair">
      <div class="meter">
        <span class="name">Since fill-up</span>
        <span class="value"><span id="triptotal" data-label="triptotal">–</span>
          <span class="unit" data-label="trezik_distunit"></span></span>
      </div>
      <div class="meter">
        <span class="name">Work <span id="workrec" class="rec">off</span></span>
        <span class="value"><span id="workmeter" data-label="workmeter">–</span>
          <span class="unit" data-label="trezik_distunit"></span></span>
      </div>
    </div>
    <div class="stats">
      <div class="stat"><span class="name">Max speed</span>
        <span><span id="maxspeed" data-label="maxspeed">–</span> <span class="unit" data-label="speedunits"></span></span></div>
      <div class="stat"><span class="name">Average</span>
        <span><span id="avspeed" data-label="avspeed">–</span> <span class="unit" data-label="speedunits"></span></span></div>
      <div class="stat"><span class="name">Consumption</span>
        <span><span id="mpg" data-label="mpg">–</span> <span class="unit" data-label="consumpunits"></span></span></div>
      <div class="stat"><span class="name">Cost per <span data-label="trezik_distunit"></span></span>
        <span id="trezik_costperdist" data-label="trezik_costperdist">–</span></div>
    </div>
    <div class="buttons">
      <button type="button" id="resettrip" data-command="resettrip">Reset trip</button>
      <button type="button" id="resettotal" data-command="resettotal"
        data-confirm="Reset the distance since the last fill-up and the trip?">Reset total</button>
      <button type="button" id="resetwork" data-command="resetwork"
        data-confirm="Reset the work meter?">Reset work</button>
      <button type="button" id="logtrip" data-command="logtrip">Log trip</button>
      <button type="button" id="logwork" data-command="logwork" aria-pressed="false">Work rec: off</button>
      <button type="button" id="updateini" data-command="updateini">Save</button>
    </div>
  </section>
  <section class="keypad" aria-label="Fill-up">
    <div class="entries">
      <button type="button" id="entry-quantity" class="entry active" aria-pressed="true">
        <span class="name">Fuel, <span data-label="volunits"></span></span>
        <span id="fuelunits" class="keyed" data-label="fuelunits"></span></button>
      <button type="button" id="entry-price" class="entry" aria-pressed="false">
        <span class="name">Unit price</span>
        <span id="trezik_unitprice" class="keyed" data-label="trezik_unitprice"></span></button>
    </div>
    <div class="keys">
      <button type="button" id="key-7" data-key="7">7</button>
      <button type="button" id="key-8" data-key="8">8</button>
      <button type="button" id="key-9" data-key="9">9</button>
      <button type="button" id="key-4" data-key="4">4</button>
      <button type="button" id="key-5" data-key="5">5</button>
      <button type="button" id="key-6" data-key="6">6</button>
      <button type="button" id="key-1" data-key="1">1</button>
      <button type="button" id="key-2" data-key="2">2</button>
      <button type="button" id="key-3" data-key="3">3</button>
      <button type="button" id="key-dot" data-key=".">.</button>
      <button type="button" id="key-0" data-key="0">0</button>
      <button type="button" id="key-clear" data-key="clr" class="clear">C</button>
    </div>
    <button type="button" id="key-ok" class="ok">OK: fill-up</button>
  </section>
</main>
<div id="confirm" class="overlay" hidden>
  <div class="dialog" role="alertdialog" aria-labelledby="confirm-text">
    <p id="confirm-text"></p>
    <div class="answers">
      <button type="button" id="confirm-no">Cancel</button>
      <button type="button" id="confirm-yes" class="danger">Reset</button>
    </div>
  </div>
</div>
)";

}  // namespace

std::string DashboardPage(std::string_view nonce) {
  std::string page = kHead;
  page += "<style nonce=\"";
  page += nonce;
  page += "\">\n";
  page += kPageStyle;
  page += "</style>\n";
  page += kBody;
  page += "<script nonce=\"";
  page += nonce;
  page += "\">\n";
  page += kPageScript;
  page += "</script>\n</body>\n</html>\n";
  return page;
}

}  // namespace trezik::live
