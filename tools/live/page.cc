#include "tools/live/page.h"


#include <nlohmann/json.hpp>

#include "contract/vocabulary.h"
#include "tools/live/dashboard.h"
#include "tools/live/history_page.h"

namespace trezik::live {
namespace {

constexpr const char* kHead = R"(<!doctype html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<meta name="referrer" content="no-referrer">
<link rel="icon" href="data:,">
<title>trezik</title>
)";

using vocabulary::Command;
using vocabulary::Label;

std::string Name(Label label) { return std::string(vocabulary::NameOf(label)); }

std::string Name(Command command) { return std::string(vocabulary::NameOf(command)); }

// A label's text, found by its name as id too.
std::string Shown(Label label) {
  return "<span id=\"" + Name(label) + "\" data-label=\"" + Name(label) + "\">–</span>";
}
// A unit beside a value; plain inside a name.
std::string Unit(Label label) { return "<span class=\"unit\" data-label=\"" + Name(label) + "\"></span>"; }
std::string InName(Label label) { return "<span data-label=\"" + Name(label) + "\"></span>"; }

// A meter in the distance unit, its lines indented by `indent`.
std::string Meter(const std::string& indent, std::string_view classes, std::string_view name, Label label) {
  return indent + "<div class=\"" + std::string(classes) + "\">\n" + indent + "  <span class=\"name\">" +
         std::string(name) + "</span>\n" + indent + "  <span class=\"value\">" + Shown(label) + "\n" + indent +
         "    " + Unit(Label::kDistanceUnit) + "</span>\n" + indent + "</div>\n";
}

std::string Stat(std::string_view name, const std::string& value) {
  return "      <div class=\"stat\"><span class=\"name\">" + std::string(name) + "</span>\n        " + value +
         "</div>\n";
}

std::string Button(Command command, std::string_view text, std::string_view more = "") {
  return "      <button type=\"button\" id=\"" + Name(command) + "\" data-command=\"" + Name(command) + "\"" +
         std::string(more) + ">" + std::string(text) + "</button>\n";
}

// A key of the keypad: what it sends to the quantity and to the price.
std::string Key(std::string_view id, std::string_view text, const std::string& quantity, const std::string& price,
                std::string_view classes = "") {
  return "      <button type=\"button\" id=\"" + std::string(id) + "\" data-quantity=\"" + quantity +
         "\" data-price=\"" + price + "\"" + std::string(classes) + ">" + std::string(text) + "</button>\n";
}
std::string EntryKey(char character) {
  const std::string id = character == '.' ? "dot" : std::string(1, character);
  return Key("key-" + id, std::string(1, character), vocabulary::QuantityKey(character),
             vocabulary::PriceKey(character));
}

// A toggle of a fill-up's mark: its key, and the word of the mark label
// that lights it.
std::string MarkKey(std::string_view key, std::string_view word, std::string_view text) {
  return "      <button type=\"button\" id=\"" + std::string(key) + "\" class=\"mark-key\" data-command=\"" +
         std::string(key) + "\" data-mark=\"" + std::string(word) + "\" aria-pressed=\"false\">" + std::string(text) +
         "</button>\n";
}

// Elements with data-label show that label's text as published; the script
// finds them by that attribute. The ids are what the script (and the
// browser test) press.
std::string Body() {
  const std::string work = std::string(vocabulary::kWorkIndicator);
  std::string body = R"(</head>
<body>
<header class="status">
  <span id="gps" class="gps waiting" role="status">Connecting…</span>
  <span id="place" class="place" hidden></span>
  <span id="link" class="link"></span>
  <span id="clock" class="clock">–</span>
)";
  body += kHistoryButton;
  body += R"(</header>
<p id="problems" class="error problems" role="alert" hidden></p>
<p id="error" class="error" role="alert" hidden></p>
<p id="notice" class="notice" role="status" hidden></p>
<main id="main" class="stale">
  <section class="meters" aria-label="Meters">
)";
  // The speed, large, beside the trip.
  body += "    <div class=\"pair glance\">\n";
  body += "      <div class=\"meter speed\">\n        <span class=\"name\">Speed</span>\n"
          "        <span class=\"value\"><span id=\"speed\">–</span>\n          " +
          Unit(Label::kSpeedUnits) + "</span>\n      </div>\n";
  body += Meter("      ", "meter trip", "Trip", Label::kTripMeter);
  body += "    </div>\n";
  body += "    <div class=\"pair\">\n";
  body += Meter("      ", "meter", "Since fill-up", Label::kTripTotal);
  body += Meter("      ", "meter", "Work <span id=\"" + work + "\" class=\"rec\">off</span>", Label::kWorkMeter);
  body += "    </div>\n    <div class=\"stats\">\n";
  body += Stat("Max speed", "<span>" + Shown(Label::kMaxSpeed) + " " + Unit(Label::kSpeedUnits) + "</span>");
  body += Stat("Average", "<span>" + Shown(Label::kAverageSpeed) + " " + Unit(Label::kSpeedUnits) + "</span>");
  body += Stat("Trip time", Shown(Label::kTripTime));
  body += Stat("Consumption",
               "<span>" + Shown(Label::kConsumption) + " " + Unit(Label::kConsumptionUnits) + "</span>");
  body += Stat("Cost per " + InName(Label::kDistanceUnit), Shown(Label::kCostPerDistance));
  body += Stat("Range", "<span>" + Shown(Label::kRange) + " " + Unit(Label::kDistanceUnit) + "</span>");
  body += "    </div>\n    <div class=\"buttons\">\n";
  body += Button(Command::kResetTrip, "Reset trip");
  body += Button(Command::kResetTotal, "Reset total",
                 "\n        data-confirm=\"Reset the distance since the last fill-up and the trip?\"");
  body += Button(Command::kResetWork, "Reset work", "\n        data-confirm=\"Reset the work meter?\"");
  body += Button(Command::kLogTrip, "Log trip");
  body += Button(Command::kLogWork, "Work rec: off", " aria-pressed=\"false\"");
  body += Button(Command::kUpdateIni, "Save");
  body += R"(    </div>
  </section>
  <section class="keypad" aria-label="Fill-up">
    <div class="entries">
      <button type="button" id="entry-quantity" class="entry active" aria-pressed="true">
        <span class="name">Fuel, )";
  body += InName(Label::kVolumeUnits);
  body += "</span>\n        <span id=\"" + Name(Label::kFuelEntry) + "\" class=\"keyed\" data-label=\"" +
          Name(Label::kFuelEntry) + "\"></span></button>\n";
  body += R"(      <button type="button" id="entry-price" class="entry" aria-pressed="false">
        <span class="name">Unit price</span>
)";
  body += "        <span id=\"" + Name(Label::kUnitPrice) + "\" class=\"keyed\" data-label=\"" +
          Name(Label::kUnitPrice) + "\"></span></button>\n";
  body += "    </div>\n";
  // The marks of the fill-up: two toggles, lit while the plug-in's mark
  // label names their mark, and the label itself.
  body += "    <div class=\"marks\">\n";
  body += MarkKey(vocabulary::kPartialKey, vocabulary::kPartialMarkText, "Partial fill-up");
  body += MarkKey(vocabulary::kMissedKey, vocabulary::kMissedMarkText, "Missed one before");
  body += "      <span id=\"" + Name(Label::kFillUpMark) + "\" class=\"mark\" data-label=\"" +
          Name(Label::kFillUpMark) + "\"></span>\n    </div>\n";
  body += "    <div class=\"keys\">\n";
  for (char character : std::string_view("789456123.0")) body += EntryKey(character);
  body += Key("key-clear", "C", std::string(vocabulary::kQuantityClearKey), std::string(vocabulary::kPriceClearKey),
              " class=\"clear\"");
  body += R"(    </div>
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
  body += kHistoryPanel;
  return body;
}

// The plug-in's names the script uses beyond the page's elements.
std::string ScriptNames() {
  nlohmann::ordered_json names;
  names["workIndicator"] = std::string(vocabulary::kWorkIndicator);
  names["logWork"] = Name(Command::kLogWork);
  names["accept"] = std::string(vocabulary::kAcceptKey);
  names["fillMark"] = Name(Label::kFillUpMark);
  return "const VOCABULARY = " + names.dump() + ";\n";
}

}  // namespace

std::string DashboardPage(std::string_view nonce) {
  std::string page = kHead;
  page += "<style nonce=\"";
  page += nonce;
  page += "\">\n";
  page += kPageStyle;
  page += kHistoryStyle;
  page += "</style>\n";
  static const std::string body = Body();
  page += body;
  page += "<script nonce=\"";
  page += nonce;
  page += "\">\n\"use strict\";\n";
  static const std::string names = ScriptNames();
  page += names;
  page += kPageScript;
  page += kHistoryScript;
  page += "</script>\n</body>\n</html>\n";
  return page;
}

}  // namespace trezik::live
