#include "stopwatch.h"

Stopwatch::Stopwatch() {
  QueryPerformanceFrequency(&frequency_);
  QueryPerformanceCounter(&start_);
}

double Stopwatch::ElapsedMs() const {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return 1000.0 * static_cast<double>(now.QuadPart - start_.QuadPart) /
         static_cast<double>(frequency_.QuadPart);
}
