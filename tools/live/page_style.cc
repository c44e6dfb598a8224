#include "tools/live/page.h"

namespace trezik::live {

// Dark, large and high in contrast for a car at night; two columns from
// 640 px up (the car's 800x480, which it fills without scrolling), one on a
// phone. The speed and the trip are the largest; the clock and the place
// sit in the status line. Every button is at least
// 48 px high; no width is fixed, so nothing runs off to the side.
const char* const kPageStyle = R"(
*, *::before, *::after { box-sizing: border-box; }
html { -webkit-text-size-adjust: 100%; }
body {
  margin: 0; background: #101214; color: #f2f2f2;
  font: 16px/1.25 system-ui, -apple-system, "Segoe UI", Roboto, "DejaVu Sans", sans-serif;
  overflow-x: hidden;
}
.status {
  display: flex; justify-content: space-between; align-items: center; gap: 8px;
  padding: 4px 8px; min-height: 32px; background: #1b1f23; flex-wrap: wrap;
}
.gps { font-weight: 700; padding: 2px 10px; border-radius: 4px; }
.gps.fix { color: #7ee787; }
.gps.nofix { background: #9e6a03; color: #fff; }
.gps.nogps { background: #b62324; color: #fff; }
.gps.waiting { color: #aaa; }
.link { color: #ffa657; font-weight: 700; }
.place { font-weight: 700; overflow-wrap: anywhere; }
.clock { margin-left: auto; font-weight: 700; font-size: 1.1rem; font-variant-numeric: tabular-nums; }
.error, .notice { margin: 0; padding: 6px 8px; font-weight: 700; overflow-wrap: anywhere; }
.error { background: #b62324; color: #fff; }
.problems { white-space: pre-line; }
.notice { background: #1f6feb; color: #fff; }
main {
  display: grid; grid-template-columns: minmax(0, 1fr); gap: 8px; padding: 8px;
}
main.stale .meters, main.stale .keyed { opacity: 0.45; }
section { min-width: 0; display: flex; flex-direction: column; gap: 8px; }
.name { color: #9aa4ad; font-size: 0.85rem; text-transform: uppercase; letter-spacing: 0.04em; }
.meter, .stat {
  display: flex; flex-direction: column; min-width: 0; padding: 4px 8px;
  background: #1b1f23; border-radius: 6px;
}
.value { font-size: 1.9rem; font-weight: 700; font-variant-numeric: tabular-nums; overflow-wrap: anywhere; }
.glance .value { font-size: 3.2rem; line-height: 1.05; }
.unit { font-size: 0.55em; font-weight: 400; color: #c9d1d9; }
.stat > span:last-child { font-size: 1.25rem; font-weight: 700; overflow-wrap: anywhere; }
.stat .unit { font-size: 0.75em; }
.pair { display: grid; grid-template-columns: minmax(0, 1fr) minmax(0, 1fr); gap: 8px; }
.stats { display: grid; grid-template-columns: repeat(2, minmax(0, 1fr)); gap: 8px; }
.rec { margin-left: 6px; padding: 0 6px; border-radius: 4px; background: #30363d; color: #c9d1d9; }
.rec.on { background: #da3633; color: #fff; }
button {
  min-height: 48px; min-width: 44px; padding: 4px 6px; border: 1px solid #3d444d; border-radius: 6px;
  background: #262c33; color: #f2f2f2; font: inherit; font-weight: 600; cursor: pointer;
  touch-action: manipulation; overflow-wrap: anywhere;
}
button:active { background: #3d444d; }
button:focus-visible { outline: 3px solid #58a6ff; outline-offset: 1px; }
button[aria-pressed="true"]#logwork { background: #da3633; border-color: #da3633; }
.buttons { display: grid; grid-template-columns: repeat(3, minmax(0, 1fr)); gap: 6px; }
.entries { display: grid; grid-template-columns: minmax(0, 1fr) minmax(0, 1fr); gap: 6px; }
.entry { display: flex; flex-direction: column; align-items: flex-start; text-align: left; min-height: 56px; }
.entry.active { border: 2px solid #58a6ff; background: #0d2a4a; }
.keyed { font-size: 1.5rem; font-variant-numeric: tabular-nums; min-height: 1.25em; }
.marks { display: grid; grid-template-columns: minmax(0, 1fr) minmax(0, 1fr); gap: 6px; align-items: center; }
.mark-key.on { background: #9a6700; border-color: #d29922; }
.mark { grid-column: 1 / -1; min-height: 1.25em; color: #d29922; font-weight: 600; }
.mark:empty { display: none; }
.keys { display: grid; grid-template-columns: repeat(3, minmax(0, 1fr)); gap: 6px; }
.keys button { font-size: 1.5rem; }
.keys .clear { background: #3a2a12; }
.ok { background: #1a7f37; border-color: #1a7f37; font-size: 1.2rem; }
.danger { background: #b62324; border-color: #b62324; }
.overlay {
  position: fixed; inset: 0; background: rgba(0, 0, 0, 0.7);
  display: flex; align-items: center; justify-content: center; padding: 16px;
}
.overlay[hidden], [hidden] { display: none !important; }
.dialog { background: #1b1f23; border-radius: 8px; padding: 16px; max-width: 420px; width: 100%; }
.dialog p { font-size: 1.2rem; margin: 0 0 16px; }
.answers { display: grid; grid-template-columns: 1fr 1fr; gap: 8px; }
@media (min-width: 640px) {
  main { grid-template-columns: minmax(0, 3fr) minmax(0, 2fr); }
  .stats { grid-template-columns: repeat(3, minmax(0, 1fr)); }
}
@media (max-height: 520px) and (min-width: 640px) {
  .glance .value { font-size: 2.8rem; }
  .value { font-size: 1.6rem; }
  main { padding: 6px; gap: 6px; }
}
)";

}  // namespace trezik::live
