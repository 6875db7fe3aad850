#include "answered_run.h"

#include "child_process.h"
#include "stopwatch.h"
#include "unique_handle.h"

namespace {

constexpr DWORD kPollMs = 5;
constexpr DWORD kSettleMs = 25;

bool HasExited(const Child& child) { return WaitForSingleObject(child.process.Get(), 0) == 0; }

bool SameContent(const MessageBoxContent& a, const MessageBoxContent& b) {
  return a.caption == b.caption && a.texts == b.texts && a.buttons == b.buttons &&
         a.has_icon == b.has_icon;
}

bool HasLabelledButton(const MessageBoxContent& box) {
  for (const std::wstring& label : box.buttons) {
    if (!label.empty()) return true;
  }
  return false;
}

// A box can be found visible while it is still filling in its controls (Wine
// shows it that way under load), so it is read until two readings agree.
MessageBoxContent ReadSettledBox(HWND box) {
  constexpr int kMostReadings = 200;
  MessageBoxContent last = ReadMessageBox(box);
  for (int i = 0; i < kMostReadings; ++i) {
    Sleep(kSettleMs);
    MessageBoxContent now = ReadMessageBox(box);
    if (SameContent(now, last) && HasLabelledButton(now)) return now;
    last = now;
  }
  return last;
}

// Answers every box the child shows until it exits or the time is up.
void AnswerBoxes(const Child& child, const RunRequest& request, const Stopwatch& clock,
                 RunReport& report) {
  HWND answered = nullptr;
  while (!HasExited(child)) {
    if (clock.ElapsedMs() > request.timeout_ms) {
      report.error = report.boxes.empty() ? L"no message box appeared in time"
                                          : L"the program did not end after its box was closed";
      TerminateProcess(child.process.Get(), 255);
      WaitForSingleObject(child.process.Get(), 5000);
      return;
    }
    const HWND box = FindMessageBoxOf(child.id);
    if (box != nullptr && box != answered) {
      if (report.boxes.empty()) report.ms_until_first_box = clock.ElapsedMs();
      report.boxes.push_back(ReadSettledBox(box));
      if (!PressOk(box)) report.error = L"the message box has no button to press";
      answered = box;
    }
    Sleep(kPollMs);
  }
}

}  // namespace

RunReport RunAndAnswer(const RunRequest& request) {
  RunReport report;
  Child child;
  const Stopwatch clock;
  const ChildRequest start{request.program, request.command_line, request.current_folder};
  if (!StartChild(start, child, report.error)) return report;
  AnswerBoxes(child, request, clock, report);
  DWORD status = 0;
  if (HasExited(child) && GetExitCodeProcess(child.process.Get(), &status)) {
    report.exited = true;
    report.exit_status = status;
  }
  return report;
}
