#include "tools/live/history_page.h"

namespace trezik::live {

const char* const kHistoryButton =
    "  <button type=\"button\" id=\"history-open\" class=\"history-open\">History</button>\n";

const char* const kHistoryPanel = R"(<section id="history" class="history" aria-label="History" hidden>
  <div class="history-bar">
    <button type="button" id="history-close">Back to the meters</button>
    <span id="history-state" role="status"></span>
  </div>
  <div id="history-report" class="history-report"></div>
</section>
)";

// Over the whole page (800x480 and a phone alike): the bar on top, the
// report scrolling below it, on the report's own light background.
const char* const kHistoryStyle = R"(
.history-open { margin-left: auto; padding: 0 14px; min-height: 44px; min-width: 44px; }
.history { position: fixed; inset: 0; z-index: 20; display: flex; flex-direction: column; background: #fff; }
.history-bar { display: flex; align-items: center; gap: 12px; padding: 6px 8px; background: #1b1f23; }
.history-bar button { padding: 6px 14px; }
#history-state { color: #e8e8e8; }
.history-report { flex: 1; overflow: auto; -webkit-overflow-scrolling: touch; }
)";

// Each opening builds the report anew from the logs (the server answers
// at once when no log changed); one request at a time.
const char* const kHistoryScript = R"js((() => {
  const $ = (id) => document.getElementById(id);
  const panel = $("history"), state = $("history-state");
  const shadow = $("history-report").attachShadow({ mode: "open" });
  let loading = false;
  const errorOf = (text) => { try { return JSON.parse(text).error || text; } catch (e) { return text; } };
  async function show() {
    panel.hidden = false;
    if (loading) return;
    loading = true;
    state.textContent = "Building the report…";
    try {
      const headers = {};
      let token = "";
      try { token = sessionStorage.getItem("trezik-token") || ""; } catch (e) { token = ""; }
      if (token) headers["Authorization"] = "Bearer " + token;
      const response = await fetch("/history", { headers, cache: "no-store", credentials: "same-origin" });
      const text = await response.text();
      if (!response.ok) {
        state.textContent = "No history: " + errorOf(text);
        return;
      }
      // The style is taken out before the page is parsed: a parsed <style>
      // would meet the page's policy.
      let css = "";
      const html = text.replace(/<style[^>]*>([\s\S]*?)<\/style>/g, (whole, rules) => { css += rules; return ""; });
      const report = new DOMParser().parseFromString(html, "text/html");
      const sheet = new CSSStyleSheet();
      sheet.replaceSync(css.split("body{").join(".report{"));
      shadow.adoptedStyleSheets = [sheet];
      const body = document.createElement("div");
      body.className = "report";
      for (const node of Array.from(report.body.childNodes)) body.appendChild(document.adoptNode(node));
      shadow.replaceChildren(body);
      state.textContent = "";
    } catch (e) {
      state.textContent = "No history: trezik-live cannot be reached";
    } finally {
      loading = false;
    }
  }
  $("history-open").addEventListener("click", show);
  $("history-close").addEventListener("click", () => { panel.hidden = true; });
})();
)js";

}  // namespace trezik::live
