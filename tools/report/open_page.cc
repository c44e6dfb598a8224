#include "tools/report/open_page.h"

#include <filesystem>

#include "tools/report/native_path.h"

namespace trezik::report {

void OpenReportPage(const std::string& out_folder, std::ostream& out) {
  std::error_code error;
  std::filesystem::path page = std::filesystem::absolute(NativePath(out_folder) / "report.html", error);
  if (error) page = NativePath(out_folder) / "report.html";
  const std::string text = page.lexically_normal().string();
  if (OpenWithSystem(text)) {
    out << "  opened " << text << "\n";
  } else {
    out << "  no program to open it here: open " << text << " in a browser\n";
  }
}

}  // namespace trezik::report
