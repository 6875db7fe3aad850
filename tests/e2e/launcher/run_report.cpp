#include "run_report.h"

#include <cstdio>

#include "text.h"

namespace {

std::string JsonList(const std::vector<std::wstring>& items) {
  std::string list = "[";
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) list += ", ";
    list += JsonString(items[i]);
  }
  return list + "]";
}

std::string BoxJson(const MessageBoxContent& box) {
  return "{\"caption\": " + JsonString(box.caption) + ", \"texts\": " + JsonList(box.texts) +
         ", \"buttons\": " + JsonList(box.buttons) +
         ", \"has_icon\": " + (box.has_icon ? "true" : "false") + "}";
}

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  return text;
}

}  // namespace

std::string RunReportJson(const RunReport& report) {
  std::string boxes = "[";
  for (std::size_t i = 0; i < report.boxes.size(); ++i) {
    if (i > 0) boxes += ", ";
    boxes += BoxJson(report.boxes[i]);
  }
  boxes += "]";
  const std::string exit_status =
      report.exited ? std::to_string(report.exit_status) : std::string("null");
  return "{\"error\": " + JsonString(report.error) + ", \"boxes\": " + boxes +
         ", \"ms_until_first_box\": " + Number(report.ms_until_first_box) +
         ", \"exit_status\": " + exit_status + "}\n";
}
