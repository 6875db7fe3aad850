#include "run_to_end.h"

#include "stopwatch.h"

TimedRun RunToEnd(const ChildRequest& request, DWORD timeout_ms) {
  TimedRun run;
  Child child;
  const Stopwatch clock;
  if (!StartChild(request, child, run.error)) return run;
  if (!WaitForExit(child, timeout_ms, run.exit_status)) {
    run.error = L"the program did not end in time";
    TerminateProcess(child.process.Get(), 255);
    WaitForSingleObject(child.process.Get(), 5000);
    return run;
  }
  run.ms_until_exit = clock.ElapsedMs();
  return run;
}
