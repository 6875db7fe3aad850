// Milliseconds since a moment, from the performance counter.
#pragma once

#include <windows.h>

class Stopwatch {
 public:
  Stopwatch();
  double ElapsedMs() const;

 private:
  LARGE_INTEGER frequency_;
  LARGE_INTEGER start_;
};
