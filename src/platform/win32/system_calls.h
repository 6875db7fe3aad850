// The Windows calls whose answers decide the file pipeline's branches, made
// through this one table. Each entry is the system's own function; a test of
// the Win32 layer may put another in its place, so that a call answers as
// Windows documents it where the system under test cannot (Wine keeps no
// protected DACL, has no file system without file indexes, no network
// drive, and refuses no attribute for want of rights). The retry policy is
// here too, so that a test need not wait out its pauses. The shipped program
// pays one indirect call for each.
#pragma once

#include <aclapi.h>

#include "platform/win32/windows_api.h"

namespace platform::win32 {

struct SystemCalls {
  // A file's identity: volume serial number and file index.
  decltype(&::GetFileInformationByHandle) GetFileInformationByHandle;
  // An installed file's permissions, and a replacement's.
  decltype(&::GetNamedSecurityInfoW) GetNamedSecurityInfoW;
  decltype(&::GetSecurityInfo) GetSecurityInfo;
  decltype(&::SetSecurityInfo) SetSecurityInfo;
  // The rename of a replacement over the installed file.
  decltype(&::SetFileInformationByHandle) SetFileInformationByHandle;
  // The open for deletion that tells a held file from a forbidden one.
  decltype(&::CreateFileW) CreateFileW;
  // Lifting an installed file's read-only attribute.
  decltype(&::SetFileAttributesW) SetFileAttributesW;
  // Whether a drive letter names a share.
  decltype(&::GetDriveTypeW) GetDriveTypeW;
  decltype(&::Sleep) Sleep;
  // Another program's hold on a file passes by itself: a virus scanner
  // reading a file just written, a program that is closing. Such a refusal is
  // tried again for about two seconds: long enough for a program that is
  // closing, short enough for a user waiting on the update.
  int attempts;
  DWORD pause_ms;
};

// The calls the pipeline makes: the system's own unless a test put others.
extern SystemCalls System;

}  // namespace platform::win32
